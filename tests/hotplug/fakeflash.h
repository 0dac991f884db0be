// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QMap>
#include <QObject>

#include <functional>

class QSocketNotifier;

// The adapter's side of the command protocol on an emulated hidraw node: answers read commands from a
// flash holding three valid blocks (hardware 1.2.3, boot 2.0.0, firmware 2.4.1) and the probe, in the
// thread it lives in.
class FakeFlash : public QObject
{
    Q_OBJECT

public:
    explicit FakeFlash(int deviceFd, QObject *parent = nullptr);

    // Runs with each command (its number from 0 and the report as written) before it is answered; the
    // command is answered only when it returns true.
    void setHook(std::function<bool(int number, const QByteArray &command)> hook);
    // Stops reading the node, before it is hung up.
    void stop();
    QList<QByteArray> commands() const { return m_commands; }

private:
    void receive();

    int m_fd;
    QSocketNotifier *m_notifier;
    QMap<quint32, QByteArray> m_blocks; // 256-byte blocks by address
    QList<QByteArray> m_commands;
    std::function<bool(int, const QByteArray &)> m_hook;
};
