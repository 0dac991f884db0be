// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "app/singleapplication.h"

#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

// A small program on the guard, for the tests to start as separate processes. A secondary sends its first
// argument to the primary and ends. The primary prints what it hears, one line per signal, until its
// standard input closes.
static void say(const QByteArray &line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int main(int argc, char *argv[])
{
    SingleApplication app(argc, argv, true, SingleApplication::PerUser, 1000);
    const QByteArray message = app.arguments().value(1).toUtf8();
    if (app.isSecondaryInstance()) {
        say(QByteArrayLiteral("secondary ") + (app.sendMessageToPrimary(message, 1000) ? "sent" : "unsent"));
        return 0;
    }

    QObject::connect(&app, &SingleApplication::instanceStarted, &app, [] { say("started"); }, Qt::DirectConnection);
    QObject::connect(&app, &SingleApplication::receivedMessage, &app, [](quint32 instanceId, const QByteArray &bytes) {
        say("message " + QByteArray::number(instanceId) + ' ' + bytes);
    }, Qt::DirectConnection);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [] {
        char buffer[64];
        if (read(STDIN_FILENO, buffer, sizeof(buffer)) <= 0)
            QCoreApplication::quit();
    }, Qt::DirectConnection);

    // Were this to reach a socket, the primary would hear its own message.
    say(QByteArrayLiteral("primary ") + (app.sendMessageToPrimary("to myself", 1000) ? "self-sent" : "self-refused"));
    return app.exec();
}
