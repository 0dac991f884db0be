// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "singleapplication_p.h"

#include <QDir>

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

QString SingleApplicationPrivate::guardFolder()
{
    // GetTempPathW: the user's own %LOCALAPPDATA%\Temp, which only this user and administrators may write.
    return QDir::tempPath();
}

QString SingleApplicationPrivate::blockName(int attempt) const
{
    // A file mapping in this session's namespace.
    return QStringLiteral("Local\\%1.block%2").arg(guardKey, attempt ? QString::number(attempt) : QString());
}

QString SingleApplicationPrivate::serverName() const
{
    // A named pipe; the server's access option keeps other users out of it.
    return guardKey;
}

bool SingleApplicationPrivate::isOwnBlock(const QString &)
{
    // A file mapping of the session's namespace is made by a process of this session, with the default
    // security of its creator: it is attached only if this user may open it.
    return true;
}
