# Stages the program directory: run with -DSRC=<resources dir> -DDEST=<cellar dir> -DSQLITE3=<sqlite3 shell>
# -DLAUNCH=<vinary-launch>. The database is made from its SQL only when it is missing; the language
# files, templates and manual are kept up to date by the launcher's own rule, so a file changed in
# the program directory (an edited template, a language.ini of one's own) is never replaced.
file(MAKE_DIRECTORY ${DEST})

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

# A sanitizer build's launcher would end with a leak report about Qt's own allocations.
set(ENV{ASAN_OPTIONS} detect_leaks=0)
execute_process(COMMAND ${LAUNCH} --update ${DEST} ${SRC}/language ${SRC}/reports ${SRC}/manual
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Cannot stage the delivered files into ${DEST}")
endif()

# Earlier builds kept their record beside the program directory.
get_filename_component(stage_parent ${DEST} DIRECTORY)
get_filename_component(stage_name ${DEST} NAME)
file(REMOVE_RECURSE ${stage_parent}/.${stage_name}-staged)
