// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "adapterlock.h"

#include <QDir>
#include <QStandardPaths>

AdapterLock::AdapterLock()
    : m_file(filePath())
{
    // Only a holder that has ended counts as gone: an update may keep the adapter for minutes.
    m_file.setStaleLockTime(0);
}

QString AdapterLock::filePath()
{
#ifdef Q_OS_WIN
    // Windows' runtime location is the home folder; its temporary folder is per user as well.
    const QString folder = QDir::tempPath();
#else
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
#endif
    return QDir(folder).filePath(QStringLiteral("tavrune-m4-adapter.lock"));
}

bool AdapterLock::tryLock()
{
    return m_file.isLocked() || m_file.tryLock(0);
}

void AdapterLock::unlock()
{
    m_file.unlock();
}

bool AdapterLock::isLocked() const
{
    return m_file.isLocked();
}

QString AdapterLock::holder() const
{
    qint64 pid = 0;
    QString host;
    QString program;
    if (!m_file.getLockInfo(&pid, &host, &program))
        return QString();
    if (program.isEmpty())
        return QStringLiteral("PID %1").arg(pid);
    return QStringLiteral("%1 (PID %2)").arg(program).arg(pid);
}
