# Stages a program directory from small made-up resources, again and again, and checks what each
# staging keeps and what it refreshes. Run with -DSTAGE=<StageCellar.cmake> -DSQLITE3=<shell>
# -DLAUNCH=<vinary-launch> -DWORK=<dir>.
file(REMOVE_RECURSE ${WORK})
# An Italian developer: the first staging makes language.ini from the Italian file.
set(ENV{LC_ALL} it_IT.UTF-8)
unset(ENV{LANGUAGE})
set(src ${WORK}/src)
set(dest ${WORK}/out/cellar)
file(WRITE ${src}/db/vinary.sql "CREATE TABLE Schede (ID INTEGER PRIMARY KEY);\n")
file(WRITE ${src}/language/english.lng "[TITOLO]=Vinary\n")
file(WRITE ${src}/language/mia.lng "[LINGUA_ISO]=it\n[TITOLO]=Cantina\n")
file(WRITE ${src}/reports/catalogo.frf "catalogue 1\n")
file(WRITE ${src}/reports/riordino.frf "reorder 1\n")
file(MAKE_DIRECTORY ${src}/manual)

function(stage)
    execute_process(COMMAND ${CMAKE_COMMAND} -DSRC=${src} -DDEST=${dest} -DSQLITE3=${SQLITE3} -DLAUNCH=${LAUNCH}
                            -P ${STAGE}
                    RESULT_VARIABLE rc OUTPUT_QUIET)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "staging failed")
    endif()
endfunction()

function(expect file text)
    file(READ ${file} got)
    if(NOT got STREQUAL text)
        message(FATAL_ERROR "${file} holds '${got}', expected '${text}'")
    endif()
endfunction()

# First staging: everything is there, with an empty notes folder.
stage()
expect(${dest}/catalogo.frf "catalogue 1\n")
expect(${dest}/language.ini "[LINGUA_ISO]=it\n[TITOLO]=Cantina\n")
if(NOT IS_DIRECTORY ${dest}/archivi OR NOT EXISTS ${dest}/vinary.mdb)
    message(FATAL_ERROR "archivi/ or vinary.mdb missing after staging")
endif()

# A language file that gains a key brings it to the unchanged language.ini made from it.
file(WRITE ${src}/language/mia.lng "[LINGUA_ISO]=it\n[TITOLO]=Cantina\n[NUOVA]=Nuova\n")
stage()
expect(${dest}/language.ini "[LINGUA_ISO]=it\n[TITOLO]=Cantina\n[NUOVA]=Nuova\n")

# The user edits one layout and the language choice, and works in the cellar; then the delivered
# templates change and the program is built again.
file(WRITE ${dest}/riordino.frf "reorder edited by the user\n")
file(WRITE ${dest}/language.ini "[TITOLO]=Vinaire\n")
file(WRITE ${dest}/vinary.mdb "the user's cellar")
file(WRITE ${src}/reports/catalogo.frf "catalogue 2\n")
file(WRITE ${src}/reports/riordino.frf "reorder 2\n")
stage()
expect(${dest}/catalogo.frf "catalogue 2\n")
expect(${dest}/riordino.frf "reorder edited by the user\n")
expect(${dest}/language.ini "[TITOLO]=Vinaire\n")
expect(${dest}/vinary.mdb "the user's cellar")

# A later build still keeps the edited layout, and a refreshed one follows the next change.
file(WRITE ${src}/reports/catalogo.frf "catalogue 3\n")
stage()
expect(${dest}/catalogo.frf "catalogue 3\n")
expect(${dest}/riordino.frf "reorder edited by the user\n")

# Deleted, it comes back as delivered, and is refreshed again from then on.
file(REMOVE ${dest}/riordino.frf)
stage()
expect(${dest}/riordino.frf "reorder 2\n")
file(WRITE ${src}/reports/riordino.frf "reorder 3\n")
stage()
expect(${dest}/riordino.frf "reorder 3\n")

# An edit that happens to equal the delivered text is simply the delivered one.
file(WRITE ${dest}/catalogo.frf "catalogue 3\n")
file(WRITE ${src}/reports/catalogo.frf "catalogue 4\n")
stage()
expect(${dest}/catalogo.frf "catalogue 4\n")
