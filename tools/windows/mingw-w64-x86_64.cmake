# SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
# SPDX-License-Identifier: MIT
# Cross-builds the tool for 64-bit Windows with Debian's MinGW-w64, posix thread model (std::thread, std::mutex
# and std::future need it), against a Qt and hidapi built the same way. The Qt folder comes from
# -DTAVRUNE_QT_WINDOWS=<folder> or the environment variable of that name; tools/build --windows sets both.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT TAVRUNE_QT_WINDOWS AND DEFINED ENV{TAVRUNE_QT_WINDOWS})
    set(TAVRUNE_QT_WINDOWS $ENV{TAVRUNE_QT_WINDOWS})
endif()
if(NOT TAVRUNE_QT_WINDOWS OR NOT EXISTS ${TAVRUNE_QT_WINDOWS}/lib/cmake/Qt5/Qt5Config.cmake)
    message(FATAL_ERROR "TAVRUNE_QT_WINDOWS must name an unpacked Qt 5.15 for MinGW-w64 x86_64 (got '${TAVRUNE_QT_WINDOWS}')")
endif()
# try_compile runs this file again in a project of its own, which must see the same folder.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TAVRUNE_QT_WINDOWS)

# Programs from the build machine; libraries, headers and packages only from the Windows roots.
set(CMAKE_FIND_ROOT_PATH ${TAVRUNE_QT_WINDOWS} /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
list(APPEND CMAKE_PREFIX_PATH ${TAVRUNE_QT_WINDOWS})

# The build (mkrfw) and CTest (every test program) run Windows programs through Wine, quietly, in a prefix of
# the build tree's own, finding Qt's DLLs and the MinGW run-time in the Qt folder.
find_program(TAVRUNE_WINE NAMES wine wine64)
if(TAVRUNE_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all
                                      WINEPATH=Z:${TAVRUNE_QT_WINDOWS}/bin ${TAVRUNE_WINE})
endif()
