# vinary_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One executable per class or window, run by CTest under the offscreen platform,
# with a fixed locale and time zone so that dates and numbers print alike everywhere.
# The folder of fixtures kept outside the repository (the Jet samples); a worktree elsewhere names it.
set(VINARY_SHARED_DIR "${CMAKE_SOURCE_DIR}/../shared" CACHE PATH "Folder of the test fixtures kept outside the repository")

function(vinary_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
    target_compile_definitions(${name} PRIVATE
        VINARY_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        VINARY_SHARED_DIR="${VINARY_SHARED_DIR}"
        VINARY_CELLAR_DIR="${VINARY_CELLAR_DIR}")
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=C.UTF-8;LC_ALL=C.UTF-8;TZ=Europe/Rome;ASAN_OPTIONS=detect_leaks=0")
endfunction()
