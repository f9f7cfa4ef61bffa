# Desktop installation: the program under bin/, its default files under share/vinary/, a menu
# entry with its icon and AppStream metainfo, a manual page, the licence and a Debian package by
# CPack. The launcher vinary-launch gives each user a program directory of their own and keeps it up
# to date from share/vinary/ (launcher/).
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

install(TARGETS vinary vinary-launch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET vinary-print)
    install(TARGETS vinary-print RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES ${defaults}/vinary.mdb DESTINATION ${VINARY_INSTALL_DATA})
install(DIRECTORY ${VINARY_RESOURCES}/language/ DESTINATION ${VINARY_INSTALL_DATA} FILES_MATCHING PATTERN "*.lng")
install(DIRECTORY ${VINARY_RESOURCES}/reports/ DESTINATION ${VINARY_INSTALL_DATA} FILES_MATCHING PATTERN "*.frf")
install(DIRECTORY ${VINARY_RESOURCES}/manual/ DESTINATION ${VINARY_INSTALL_DATA})
install(DIRECTORY ${VINARY_RESOURCES}/pictures/ DESTINATION ${VINARY_INSTALL_DATA}/pictures
    FILES_MATCHING PATTERN "*.svg")
install(FILES ${VINARY_RESOURCES}/pictures/vinary.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 256)
    install(FILES ${CMAKE_BINARY_DIR}/icons/${size}x${size}/vinary.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# AppStream: the home page and the screenshots (the manual's pictures) only once the project has
# a public web site to hold them; an address that does not answer would only mislead.
set(VINARY_METAINFO_URLS "")
if(VINARY_HOME_URL)
    string(APPEND VINARY_METAINFO_URLS "  <url type=\"homepage\">${VINARY_HOME_URL}</url>\n")
endif()
if(VINARY_SCREENSHOTS_URL)
    string(REGEX REPLACE "/*$" "/" shots "${VINARY_SCREENSHOTS_URL}")
    string(APPEND VINARY_METAINFO_URLS "  <screenshots>
    <screenshot type=\"default\">
      <caption>The catalogue of wine cards</caption>
      <image>${shots}catalogue-card-en.png</image>
    </screenshot>
    <screenshot>
      <caption>Loads and unloads of bottles</caption>
      <image>${shots}movements-en.png</image>
    </screenshot>
    <screenshot>
      <caption>A report in the preview</caption>
      <image>${shots}preview-en.png</image>
    </screenshot>
  </screenshots>\n")
endif()
set(metainfo ${defaults}/${VINARY_APP_ID}.metainfo.xml)
configure_file(${VINARY_RESOURCES}/desktop/vinary.metainfo.xml.in ${metainfo} @ONLY)
install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The licence, and the copyright file and changelog a Debian package carries.
add_custom_command(OUTPUT ${defaults}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${VINARY_RESOURCES}/desktop/changelog ${defaults}/changelog
    COMMAND gzip -n -9 -f ${defaults}/changelog
    DEPENDS ${VINARY_RESOURCES}/desktop/changelog
    VERBATIM)
add_custom_target(vinary_changelog ALL DEPENDS ${defaults}/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${VINARY_RESOURCES}/desktop/copyright ${defaults}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vinary)

# Manual pages: vinary's written by hand, those of vinary-launch and vinary-print made from their --help.
set(manpages)
function(vinary_gzip_manpage page)
    add_custom_command(OUTPUT ${defaults}/${page}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${VINARY_RESOURCES}/desktop/${page} ${defaults}/${page}
        COMMAND gzip -n -9 -f ${defaults}/${page}
        DEPENDS ${VINARY_RESOURCES}/desktop/${page}
        VERBATIM)
endfunction()
vinary_gzip_manpage(vinary.1)
list(APPEND manpages ${defaults}/vinary.1.gz)
find_program(HELP2MAN_EXECUTABLE help2man)
if(HELP2MAN_EXECUTABLE)
    set(tools vinary-launch "starts Vinary in the user's own program directory")
    if(TARGET vinary-print)
        list(APPEND tools vinary-print "prints one report of a Vinary wine cellar to a file")
    endif()
    while(tools)
        list(POP_FRONT tools tool summary)
        # Found through PATH, so that its usage line names it without the build directory; dated
        # with the version's build date, so that every build makes the same page.
        add_custom_command(OUTPUT ${defaults}/${tool}.1.gz
            COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
                    SOURCE_DATE_EPOCH=1289563200 "PATH=$<TARGET_FILE_DIR:${tool}>:$ENV{PATH}"
                    ${HELP2MAN_EXECUTABLE} --no-info --version-string=04.02
                    --name=${summary} --section=1 --output=${defaults}/${tool}.1 ${tool}
            COMMAND gzip -n -9 -f ${defaults}/${tool}.1
            DEPENDS ${tool}
            COMMENT "Making the manual page of ${tool}"
            VERBATIM)
        list(APPEND manpages ${defaults}/${tool}.1.gz)
    endwhile()
else()
    message(WARNING "help2man not found: vinary-launch and vinary-print are installed without manual pages")
endif()
add_custom_target(vinary_manpages ALL DEPENDS ${manpages})
install(FILES ${manpages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The menu entry names the launcher by its full installed name, so that it works under any prefix,
# also one given only at install time (cmake --install --prefix); the icon comes from the theme.
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
    set(entry \"\$ENV{DESTDIR}\${datadir}/applications/vinary.desktop\")
    message(STATUS \"Installing: \${entry}\")
    configure_file(\"${VINARY_RESOURCES}/desktop/vinary.desktop.in\" \"\${entry}\" @ONLY)
")
