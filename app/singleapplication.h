// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QApplication>

class SingleApplicationPrivate;

// The program's application object. It decides whether this process is the one instance of the tool (the
// primary) or a later start (a secondary), which can hand bytes to the primary.
class SingleApplication : public QApplication
{
    Q_OBJECT
    Q_DECLARE_PRIVATE(SingleApplication)

public:
    enum GuardOption {
        PerUser = 1,         // one instance per user, and only that user may talk to it
        NotifySecondary = 4, // an allowed secondary announces itself, and the primary emits instanceStarted
        IgnoreVersion = 8,   // the application version does not enter the key
        IgnorePath = 16,     // the executable's path does not enter the key
    };
    Q_DECLARE_FLAGS(GuardOptions, GuardOption)
    Q_FLAG(GuardOptions)

    // Starts deciding the role, which is settled when it is first asked for or when the event loop starts.
    // Settling ends the process with 0 when a primary runs and secondaries are not allowed, and with 1 when
    // the shared block cannot be set up. timeout bounds every attempt to reach the primary; userData, when
    // given, sets this guard apart from others of the same executable.
    SingleApplication(int &argc, char **argv, bool allowSecondary = false, GuardOptions options = PerUser,
        int timeout = 1000, const QString &userData = QString());
    ~SingleApplication() override;

    // True unless this process runs the server that later starts reach; waits for the role.
    bool isSecondaryInstance() const;
    // From a secondary: whether the bytes reached the primary within timeout ms; false at once in the primary.
    bool sendMessageToPrimary(const QByteArray &message, int timeout = 100);

signals:
    void instanceStarted();
    void receivedMessage(quint32 instanceId, QByteArray message);

private:
    SingleApplicationPrivate *d_ptr;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(SingleApplication::GuardOptions)
