// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "stopguard.h"

#include <QMetaObject>

#include <atomic>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

std::atomic<StopGuard *> guard {nullptr}; // the guard holding now
// Set while nothing is held: a console being closed waits for it, as Windows ends the program as soon as the
// handler returns (or after a few seconds of waiting: closing the console can be held only that long).
HANDLE released = nullptr;

// Runs in a thread of its own that Windows starts for each event.
BOOL WINAPI onControl(DWORD event)
{
    if (StopGuard *target = guard.load())
        QMetaObject::invokeMethod(target, "requested", Qt::QueuedConnection);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(released, INFINITE);
    return TRUE;
}

} // namespace

StopGuard::StopGuard(QObject *parent)
    : QObject(parent)
{
    if (!released)
        released = CreateEventW(nullptr, TRUE, TRUE, nullptr);
}

StopGuard::~StopGuard()
{
    release();
}

void StopGuard::hold()
{
    m_held = true;
    m_requested = false;
    guard = this;
    ResetEvent(released);
    SetConsoleCtrlHandler(onControl, TRUE);
}

void StopGuard::release()
{
    if (!m_held)
        return;
    m_held = false;
    SetConsoleCtrlHandler(onControl, FALSE);
    guard = nullptr;
    SetEvent(released);
}
