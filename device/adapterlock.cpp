// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "adapterlock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

QString AdapterLock::filePath(const QByteArray &path)
{
#ifdef Q_OS_WIN
    // Windows' runtime location is the home folder; its temporary folder is per user as well.
    const QString folder = QDir::tempPath();
    // Windows spells an interface path in either case.
    const QByteArray key = path.toLower();
#else
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QByteArray key = path;
#endif
    // A digest, since a path may hold characters no file name can.
    const QByteArray digest = QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16);
    return QDir(folder).filePath(QStringLiteral("tavrune-m4-adapter-%1.lock").arg(QString::fromLatin1(digest)));
}

bool AdapterLock::tryLock(const QByteArray &path)
{
    if (m_file && path == m_path && m_file->isLocked())
        return true;
    unlock();
    m_path = path;
    m_file = std::make_unique<QLockFile>(filePath(path));
    // Only a holder that has ended counts as gone: an update may keep the adapter for minutes.
    m_file->setStaleLockTime(0);
    return m_file->tryLock(0);
}

void AdapterLock::unlock()
{
    if (m_file)
        m_file->unlock();
}

QString AdapterLock::holder() const
{
    qint64 pid = 0;
    QString host;
    QString program;
    if (!m_file || !m_file->getLockInfo(&pid, &host, &program))
        return QString();
    if (program.isEmpty())
        return QStringLiteral("PID %1").arg(pid);
    return QStringLiteral("%1 (PID %2)").arg(program).arg(pid);
}
