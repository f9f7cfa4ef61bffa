# Desktop installation: the program under bin/, its default files under share/vinary/, a menu
# entry and an icon. The launcher vinary-launch gives each user a program directory of their own
# and fills it from share/vinary/ (resources/desktop/vinary-launch.in).
#
# Also run as a script, -DSQL=<vinary.sql> -DOUT=<vinary.mdb> -DSQLITE3=<sqlite3 shell>, to build the
# pristine default database: the staged build/cellar/vinary.mdb holds whatever the developer did
# with it and is never installed.
if(CMAKE_SCRIPT_MODE_FILE)
    set(partial ${OUT}.partial)
    file(REMOVE ${partial})
    execute_process(COMMAND ${SQLITE3} -bail ${partial} INPUT_FILE ${SQL} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        file(REMOVE ${partial})
        message(FATAL_ERROR "Cannot build the default database from ${SQL}")
    endif()
    file(RENAME ${partial} ${OUT})
    return()
endif()

include(GNUInstallDirs)
find_program(SQLITE3_EXECUTABLE sqlite3 REQUIRED)

set(VINARY_RESOURCES ${PROJECT_SOURCE_DIR}/resources)
set(VINARY_INSTALL_DATA ${CMAKE_INSTALL_DATADIR}/vinary)
set(defaults ${CMAKE_BINARY_DIR}/defaults)

add_custom_command(OUTPUT ${defaults}/vinary.mdb
    COMMAND ${CMAKE_COMMAND} -E make_directory ${defaults}
    COMMAND ${CMAKE_COMMAND} -DSQL=${VINARY_RESOURCES}/db/vinary.sql -DOUT=${defaults}/vinary.mdb
            -DSQLITE3=${SQLITE3_EXECUTABLE} -P ${PROJECT_SOURCE_DIR}/cmake/VinaryInstall.cmake
    DEPENDS ${VINARY_RESOURCES}/db/vinary.sql ${PROJECT_SOURCE_DIR}/cmake/VinaryInstall.cmake
    COMMENT "Building the default database for installation"
    VERBATIM)
add_custom_target(vinary_defaults ALL DEPENDS ${defaults}/vinary.mdb)

# The launcher finds the defaults from its own place, so the installation can be moved as a whole.
if(IS_ABSOLUTE ${CMAKE_INSTALL_BINDIR} OR IS_ABSOLUTE ${CMAKE_INSTALL_DATADIR})
    file(RELATIVE_PATH VINARY_BIN_TO_DATA ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/vinary)
else()
    file(RELATIVE_PATH VINARY_BIN_TO_DATA /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${VINARY_INSTALL_DATA})
endif()
configure_file(${VINARY_RESOURCES}/desktop/vinary-launch.in ${defaults}/vinary-launch @ONLY)

install(TARGETS vinary RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET vinary-print)
    install(TARGETS vinary-print RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(PROGRAMS ${defaults}/vinary-launch DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${defaults}/vinary.mdb DESTINATION ${VINARY_INSTALL_DATA})
install(DIRECTORY ${VINARY_RESOURCES}/language/ DESTINATION ${VINARY_INSTALL_DATA} FILES_MATCHING PATTERN "*.lng")
install(DIRECTORY ${VINARY_RESOURCES}/reports/ DESTINATION ${VINARY_INSTALL_DATA} FILES_MATCHING PATTERN "*.frf")
install(DIRECTORY ${VINARY_RESOURCES}/manual/ DESTINATION ${VINARY_INSTALL_DATA})
install(DIRECTORY ${VINARY_RESOURCES}/pictures/ DESTINATION ${VINARY_INSTALL_DATA}/pictures
    FILES_MATCHING PATTERN "*.svg")
install(FILES ${VINARY_RESOURCES}/pictures/vinary.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The menu entry names the launcher and the icon by their full installed names, so that it works
# under any prefix, also one given only at install time (cmake --install --prefix).
install(CODE "
    set(bindir \"${CMAKE_INSTALL_BINDIR}\")
    set(datadir \"${CMAKE_INSTALL_DATADIR}\")
    if(NOT IS_ABSOLUTE \"\${bindir}\")
        set(bindir \"\${CMAKE_INSTALL_PREFIX}/\${bindir}\")
    endif()
    if(NOT IS_ABSOLUTE \"\${datadir}\")
        set(datadir \"\${CMAKE_INSTALL_PREFIX}/\${datadir}\")
    endif()
    set(VINARY_LAUNCH \"\${bindir}/vinary-launch\")
    set(VINARY_ICON \"\${datadir}/icons/hicolor/scalable/apps/vinary.svg\")
    set(entry \"\$ENV{DESTDIR}\${datadir}/applications/vinary.desktop\")
    message(STATUS \"Installing: \${entry}\")
    configure_file(\"${VINARY_RESOURCES}/desktop/vinary.desktop.in\" \"\${entry}\" @ONLY)
")
