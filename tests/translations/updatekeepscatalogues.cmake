# SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
# SPDX-License-Identifier: MIT
# Updates copies of the translation sources from the code and the forms, the way the update_translations
# target updates the sources, compiles them and checks that each gives the very catalogue the program
# carries: an update may add texts to translate, but must never change or drop a translation.
#     cmake -DLUPDATE=... -DLRELEASE=... -DSOURCE_DIR=<source tree> -DQM_DIR=<compiled catalogues>
#           -DWORK_DIR=<scratch folder> -P updatekeepscatalogues.cmake
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
file(GLOB sources "${SOURCE_DIR}/resources/translations/*.ts")
file(COPY ${sources} DESTINATION "${WORK_DIR}")

set(TS_DIR "${WORK_DIR}")
include("${SOURCE_DIR}/resources/update-translations.cmake")

foreach(source IN LISTS sources)
    get_filename_component(name "${source}" NAME_WE)
    execute_process(
        COMMAND "${LRELEASE}" -silent "${WORK_DIR}/${name}.ts" -qm "${WORK_DIR}/${name}.qm"
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "lrelease failed on the updated ${name}.ts: ${result}")
    endif()
    execute_process(
        COMMAND "${CMAKE_COMMAND}" -E compare_files "${WORK_DIR}/${name}.qm" "${QM_DIR}/${name}.qm"
        RESULT_VARIABLE differs)
    if(differs)
        message(SEND_ERROR "${name}: the updated source compiles to another catalogue than the program's")
    endif()
endforeach()
