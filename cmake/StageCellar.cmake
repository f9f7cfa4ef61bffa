# Stages the program directory: run with -DSRC=<resources dir> -DDEST=<cellar dir> -DSQLITE3=<sqlite3 shell>.
# Files the user may have changed there (the database and language.ini) are never replaced.
file(MAKE_DIRECTORY ${DEST})
file(MAKE_DIRECTORY ${DEST}/archivi)

if(NOT EXISTS ${DEST}/vinary.mdb)
    set(tmp ${DEST}/vinary.mdb.staging)
    file(REMOVE ${tmp})
    execute_process(COMMAND ${SQLITE3} ${tmp} INPUT_FILE ${SRC}/db/vinary.sql RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        file(REMOVE ${tmp})
        message(FATAL_ERROR "Cannot build the default database from ${SRC}/db/vinary.sql")
    endif()
    file(RENAME ${tmp} ${DEST}/vinary.mdb)
endif()

file(GLOB languages ${SRC}/language/*.lng)
foreach(f ${languages})
    file(COPY ${f} DESTINATION ${DEST})
endforeach()
if(NOT EXISTS ${DEST}/language.ini AND EXISTS ${SRC}/language/english.lng)
    configure_file(${SRC}/language/english.lng ${DEST}/language.ini COPYONLY)
endif()

file(GLOB templates ${SRC}/reports/*.frf)
foreach(f ${templates})
    file(COPY ${f} DESTINATION ${DEST})
endforeach()

file(GLOB manual ${SRC}/manual/*)
foreach(f ${manual})
    file(COPY ${f} DESTINATION ${DEST})
endforeach()
