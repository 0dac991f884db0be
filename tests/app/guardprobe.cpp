// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "app/singleapplication.h"

#include <QDir>
#include <QLocalServer>
#include <QLockFile>
#include <QSharedMemory>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <sys/shm.h>
#include <sys/stat.h>
#include <unistd.h>

// A small program on the guard, for the tests to start as separate processes. A secondary sends its first
// argument to the primary and ends. The primary prints what it hears, one line per signal, until its
// standard input closes.
// "--squat KEY SYSVKEY FOLDER", run as another user, plants what that user could to stop a start of the
// guard under KEY: Qt's key files and a 0600 block under KEY in the temporary folder, a lock held and a
// socket listening there, FOLDER made there (the guard's folder when there is no runtime folder), and a
// 0600 System V block under SYSVKEY (unless 0), until its standard input closes.
static void say(const QByteArray &line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

static void quitWhenInputCloses(QCoreApplication &app)
{
    auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
    QObject::connect(input, &QSocketNotifier::activated, &app, [] {
        char buffer[64];
        if (read(STDIN_FILENO, buffer, sizeof(buffer)) <= 0)
            QCoreApplication::quit();
    }, Qt::DirectConnection);
}

static int squat(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString key = args.value(2);
    const QDir temporary(QDir::tempPath());
    QSharedMemory block(key);
    QLockFile lock(temporary.filePath(key + QStringLiteral(".lock")));
    QLocalServer server;
    server.setSocketOptions(QLocalServer::WorldAccessOption);
    const bool planted = block.create(152) && lock.tryLock(0) && server.listen(temporary.filePath(key))
        && mkdir(QFile::encodeName(temporary.filePath(args.value(4))).constData(), 0777) == 0;
    const key_t sysvKey = key_t(args.value(3).toLongLong());
    const int segment = sysvKey ? shmget(sysvKey, 152, IPC_CREAT | IPC_EXCL | 0600) : 0;
    // A block some other user left under that key takes it just as well.
    const bool taken = segment != -1 || errno == EEXIST;
    say(planted && taken ? "squatting" : "not squatting");
    quitWhenInputCloses(app);
    const int code = app.exec();
    if (segment > 0)
        shmctl(segment, IPC_RMID, nullptr);
    return code;
}

int main(int argc, char *argv[])
{
    if (argc == 5 && qstrcmp(argv[1], "--squat") == 0)
        return squat(argc, argv);
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
    quitWhenInputCloses(app);

    // Were this to reach a socket, the primary would hear its own message.
    say(QByteArrayLiteral("primary ") + (app.sendMessageToPrimary("to myself", 1000) ? "self-sent" : "self-refused"));
    return app.exec();
}
