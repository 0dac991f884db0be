// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>

// Collects every log line of the program, from any thread, while it lives: for tests in which a log line
// is the only outcome. Lines read "<level> <text>" with level one of debug, info, warning, critical.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();

    QStringList lines() const;
    // The lines that begin with prefix ("warning write2Flash"), in order.
    QStringList lines(const QString &prefix) const;
    void clear();

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message);

    mutable QMutex m_lock;
    QStringList m_lines;
    QtMessageHandler m_previous;
};
