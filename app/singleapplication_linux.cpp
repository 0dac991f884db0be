// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "singleapplication_p.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <vector>

#include <pwd.h>
#include <signal.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

// A folder of this user's that no one else may write into; the link itself is judged, never its target.
bool isPrivateFolder(const QByteArray &path)
{
    struct stat info {};
    return lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid()
        && (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

} // namespace

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

QString SingleApplicationPrivate::guardFolder()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && isPrivateFolder(runtime))
        return QFile::decodeName(runtime);

    // mkdir never follows a link, and what is found there is judged by lstat: another user's folder or
    // link under this name is passed over for the next one, which the user's other instances try as well.
    const QByteArray base =
        QFile::encodeName(QDir::tempPath()) + "/tavrune-guard-" + QByteArray::number(geteuid());
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        const QByteArray name = attempt ? base + '-' + QByteArray::number(attempt) : base;
        if ((mkdir(name.constData(), 0700) == 0 || errno == EEXIST) && isPrivateFolder(name))
            return QFile::decodeName(name);
    }
    // Someone holds every one of them: a folder of this start's own still keeps the guard out of their
    // reach, at the price of not meeting the user's other instances.
    QByteArray own = base + "-XXXXXX";
    if (mkdtemp(own.data()))
        return QFile::decodeName(own);
    qWarning() << "SingleApplication: No private folder for the guard; using the temporary folder." << base;
    return QDir::tempPath();
}

QString SingleApplicationPrivate::blockName(int attempt) const
{
    // The key file of a System V block: its inode, with the folder's device, names the block.
    return QStringLiteral("%1/%2.block%3")
        .arg(folder, guardKey, attempt ? QString::number(attempt) : QString());
}

QString SingleApplicationPrivate::serverName() const
{
    return QDir(folder).filePath(guardKey);
}

bool SingleApplicationPrivate::isOwnBlock(const QString &nativeKey)
{
    // The same key as QSharedMemory derives from its key file.
    const key_t key = ftok(QFile::encodeName(nativeKey).constData(), 'Q');
    const int id = key == -1 ? -1 : shmget(key, 0, 0);
    shmid_ds info {};
    if (id == -1 || shmctl(id, IPC_STAT, &info) != 0)
        return false;
    const uid_t user = geteuid();
    return info.shm_perm.uid == user && info.shm_perm.cuid == user && (info.shm_perm.mode & 077) == 0;
}
