# SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
# SPDX-License-Identifier: MIT
# Brings the translation sources in TS_DIR up to date with the texts of the code and the forms below
# SOURCE_DIR:
#     cmake -DLUPDATE=<lupdate> -DSOURCE_DIR=<source tree> -DTS_DIR=<folder of .ts files> -P update-translations.cmake
# lupdate adds the new source texts and keeps every translation, but it marks the entries that no code looks
# up (yet, or at all) as vanished, and lrelease leaves vanished entries out of the compiled catalogues. The
# catalogues hold such entries on purpose, so they are made ordinary entries again: an update only ever
# adds texts to translate and never takes a translation away from the program.
foreach(variable IN ITEMS LUPDATE SOURCE_DIR TS_DIR)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "update-translations.cmake needs -D${variable}=...")
    endif()
endforeach()

file(GLOB catalogues "${TS_DIR}/*.ts")
if(NOT catalogues)
    message(FATAL_ERROR "no translation sources in ${TS_DIR}")
endif()

execute_process(
    COMMAND "${LUPDATE}" -silent -locations none -extensions cpp,h,ui app cloud crypto device ui -ts ${catalogues}
    WORKING_DIRECTORY "${SOURCE_DIR}"
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "lupdate failed: ${result}")
endif()

foreach(catalogue IN LISTS catalogues)
    file(READ "${catalogue}" text)
    # An entry without a translation stays one still to be translated.
    string(REPLACE "<translation type=\"vanished\"></translation>" "<translation type=\"unfinished\"></translation>"
        text "${text}")
    string(REPLACE " type=\"vanished\"" "" text "${text}")
    file(WRITE "${catalogue}" "${text}")
endforeach()
