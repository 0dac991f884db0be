// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "stopguard.h"

#include <QSocketNotifier>

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int heldSignals[] = {SIGINT, SIGTERM, SIGHUP};
// A signal handler may do next to nothing: it hands the signal to the event loop through this pipe.
int wakeUp[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeUp[1], &byte, 1);
}

void setDisposition(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : heldSignals)
        sigaction(signal, &action, nullptr);
    // A reader of the output that went away (a closed terminal's pipe) must not end the write either.
    action.sa_handler = handler == SIG_DFL ? SIG_DFL : SIG_IGN;
    sigaction(SIGPIPE, &action, nullptr);
}

} // namespace

StopGuard::StopGuard(QObject *parent)
    : QObject(parent)
{
    if (wakeUp[0] < 0 && ::pipe2(wakeUp, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(wakeUp[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(wakeUp[0], bytes, sizeof bytes) > 0) { }
        requested();
    });
}

StopGuard::~StopGuard()
{
    release();
}

void StopGuard::hold()
{
    m_held = true;
    m_requested = false;
    setDisposition(onSignal);
}

void StopGuard::release()
{
    if (!m_held)
        return;
    m_held = false;
    setDisposition(SIG_DFL);
}
