// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "logcapture.h"

#include <QMutexLocker>

namespace {
LogCapture *current = nullptr;
}

LogCapture::LogCapture()
{
    current = this;
    m_previous = qInstallMessageHandler(handler);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
    current = nullptr;
}

void LogCapture::handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    static const char *const levels[] = {"debug", "warning", "critical", "fatal", "info"};
    if (type == QtFatalMsg) {
        current->m_previous(type, context, message);
        return;
    }
    QMutexLocker locker(&current->m_lock);
    current->m_lines.append(QLatin1String(levels[type]) + QLatin1Char(' ') + message);
}

QStringList LogCapture::lines() const
{
    QMutexLocker locker(&m_lock);
    return m_lines;
}

QStringList LogCapture::lines(const QString &prefix) const
{
    QMutexLocker locker(&m_lock);
    QStringList matching;
    for (const QString &line : m_lines)
        if (line.startsWith(prefix))
            matching.append(line);
    return matching;
}

void LogCapture::clear()
{
    QMutexLocker locker(&m_lock);
    m_lines.clear();
}
