# SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
# SPDX-License-Identifier: MIT
# Writes the package's machine-readable copyright file: the tree's own (.reuse/dep5) with a first Files
# paragraph for the code, whose files carry their licence in SPDX headers, then a stand-alone License paragraph for every licence it names, with the text from LICENSES/, or a pointer to the copy that
# every Debian system keeps in /usr/share/common-licenses.
#   cmake -DSOURCE_DIR=<source tree> -DOUTPUT=<file> [-DBUNDLED_FONTS=ON] -P copyright.cmake
file(READ ${SOURCE_DIR}/.reuse/dep5 copyright)
string(FIND "${copyright}" "\n\n" header_end)
string(SUBSTRING "${copyright}" 0 ${header_end} header)
string(SUBSTRING "${copyright}" ${header_end} -1 files)
if(NOT BUNDLED_FONTS)
    # The tree keeps its font files for the builds that bundle them; a package that uses the system's carries
    # none, so neither they nor their licences belong in its copyright file.
    string(REGEX REPLACE "\n\nFiles: resources/fonts/[^\n]*(\n[^\n]+)*" "" files "${files}")
endif()
set(copyright "${header}\n\nFiles: *\nCopyright: 2026 The Tavrune M4 Firmware Tool authors\nLicense: MIT${files}")
string(REGEX MATCHALL "\nLicense: [^\n]*" expressions "${copyright}")
set(ids)
foreach(expression IN LISTS expressions)
    string(REGEX REPLACE "^\nLicense: " "" expression "${expression}")
    string(REGEX REPLACE " (AND|OR|WITH) " ";" names "${expression}")
    list(APPEND ids ${names})
endforeach()
list(REMOVE_DUPLICATES ids)
list(SORT ids)

set(common_Apache-2.0 Apache-2.0)
set(common_GPL-3.0-or-later GPL-3)
set(common_CC0-1.0 CC0-1.0)
foreach(id IN LISTS ids)
    string(APPEND copyright "\nLicense: ${id}\n")
    if(DEFINED common_${id})
        string(APPEND copyright " On Debian systems, the full text of this licence is in\n"
                                " /usr/share/common-licenses/${common_${id}}.\n")
        continue()
    endif()
    if(NOT EXISTS ${SOURCE_DIR}/LICENSES/${id}.txt)
        message(FATAL_ERROR "${id} is named in .reuse/dep5, but LICENSES/${id}.txt is missing")
    endif()
    file(STRINGS ${SOURCE_DIR}/LICENSES/${id}.txt lines)
    foreach(line IN LISTS lines)
        if(line MATCHES "^[ \t]*$")
            string(APPEND copyright " .\n")
        else()
            string(APPEND copyright " ${line}\n")
        endif()
    endforeach()
endforeach()
file(WRITE ${OUTPUT} "${copyright}")
