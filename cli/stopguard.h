// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

// Keeps the requests to end the program (SIGINT, SIGTERM and SIGHUP; on Windows Ctrl-C, Ctrl-Break and
// closing the console) from ending it while the adapter is being written: ended there, it would leave the
// adapter without firmware. Outside hold they end the program at once, as they always do. One at a time.
class StopGuard : public QObject
{
    Q_OBJECT

public:
    explicit StopGuard(QObject *parent = nullptr);
    ~StopGuard() override; // lets go

    // From now on, a request to end is held and reported as stopHeld, in this object's thread.
    void hold();
    // Requests end the program at once again; one held meanwhile is not repeated.
    void release();
    bool wasRequested() const { return m_requested; }

signals:
    // The first request held since hold().
    void stopHeld();

private:
    // The platform's notice of a request, delivered in this object's thread.
    Q_INVOKABLE void requested();

    bool m_requested = false;
    bool m_held = false;
};
