// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "singleapplication_p.h"

#include <qt_windows.h>
#include <lmcons.h>

QString SingleApplicationPrivate::userName()
{
    wchar_t name[UNLEN + 1];
    DWORD size = UNLEN + 1;
    if (GetUserNameW(name, &size))
        return QString::fromWCharArray(name, int(size) - 1); // size counts the terminating NUL
    return QString::fromLocal8Bit(qgetenv("USERNAME"));
}

bool SingleApplicationPrivate::primaryRuns(qint64 pid)
{
    if (pid <= 0 || pid > qint64(MAXDWORD))
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED; // it runs, but is not ours to look into
    DWORD exitCode = 0;
    const bool running = GetExitCodeProcess(process, &exitCode) && exitCode == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}
