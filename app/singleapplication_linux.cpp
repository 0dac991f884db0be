// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "singleapplication_p.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <climits>
#include <vector>

#include <pwd.h>
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

QString SingleApplicationPrivate::userName()
{
    // The real user id, not $USER: the name must follow who runs the process, whatever its environment says.
    const uid_t uid = getuid();
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size_t(size > 0 ? size : 16384));
    passwd entry {};
    passwd *found = nullptr;
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name)
        return QString::fromLocal8Bit(found->pw_name).left(256);
    // A user without a passwd entry (a container started with a bare uid) is still one user.
    return QString::number(uid);
}

bool SingleApplicationPrivate::primaryRuns(qint64 pid)
{
    if (pid <= 0 || pid > INT_MAX)
        return false;
    if (kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return false;

    // Process ids come back in use: a number that now names another program is not our primary. The
    // executable's path enters the guard's key in lower case, so it is compared that way here too.
    char target[PATH_MAX];
    const QByteArray link = "/proc/" + QByteArray::number(pid) + "/exe";
    const ssize_t length = readlink(link.constData(), target, sizeof(target));
    if (length <= 0)
        return true; // not ours to look into: assume it is the primary
    QString executable = QFile::decodeName(QByteArray(target, int(length)));
    // A primary whose executable was replaced on disk since it started is still the primary.
    const QString deleted = QStringLiteral(" (deleted)");
    if (executable.endsWith(deleted))
        executable.chop(deleted.size());
    return executable.compare(QCoreApplication::applicationFilePath(), Qt::CaseInsensitive) == 0;
}
