// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include "sim/adaptermodel.h"

#include <QByteArray>
#include <QObject>

#include <functional>

class QSocketNotifier;

// The adapter's side of the command protocol on an emulated hidraw node, in the thread it lives in: answers
// every command as AdapterModel does, from a flash holding hardware 1.2.3, boot 2.0.0 and firmware 2.4.1.
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
    AdapterModel m_model;
    QList<QByteArray> m_commands;
    std::function<bool(int, const QByteArray &)> m_hook;
};
