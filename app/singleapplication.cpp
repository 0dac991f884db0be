// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "singleapplication.h"
#include "singleapplication_p.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QRandomGenerator>
#include <QSharedMemory>
#include <QThread>
#include <QTimer>

#include <cstdlib>
#include <cstring>

namespace {

// Instances of different builds must understand each other: the protocol is pinned to this format.
constexpr QDataStream::Version ProtocolVersion = QDataStream::Qt_5_6;

// A process holds the role lock for a few milliseconds, or up to the 5 s of an inconsistent block; a
// holder that takes much longer than that is stuck, and waiting on it would only keep the tool from starting.
constexpr int RoleLockWait = 10000;
constexpr int InconsistencyLimit = 5000;

} // namespace

SingleApplication::SingleApplication(
    int &argc, char **argv, bool allowSecondary, GuardOptions options, int timeout, const QString &userData)
    : QApplication(argc, argv)
    , d_ptr(new SingleApplicationPrivate(this))
{
    Q_D(SingleApplication);
    d->options = options;
    if (!userData.isEmpty())
        d->appData << userData;
    d->deriveGuardKey();
    d->beginRole(allowSecondary, timeout);
}

SingleApplication::~SingleApplication()
{
    delete d_ptr;
}

bool SingleApplication::isSecondaryInstance() const
{
    d_ptr->settleRole();
    return d_ptr->server == nullptr;
}

bool SingleApplication::sendMessageToPrimary(const QByteArray &message, int timeout)
{
    Q_D(SingleApplication);
    if (!isSecondaryInstance())
        return false;
    return d->sendMessageToPrimary(message, timeout);
}

SingleApplicationPrivate::SingleApplicationPrivate(SingleApplication *q)
    : q_ptr(q)
{
}

SingleApplicationPrivate::~SingleApplicationPrivate()
{
    if (claim.valid())
        role = claim.get();
    if (socket) {
        socket->close();
        delete socket;
        socket = nullptr;
    }
    if (!memory)
        return;

    lockRole();
    if (server) {
        server->close();
        delete server;
        server = nullptr;
    }
    if (role == Primary)
        clearPrimary();
    delete memory;
    memory = nullptr;
    roleLock->unlock();
}

void SingleApplicationPrivate::deriveGuardKey()
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData("SingleApplication", 17);
    hash.addData(QCoreApplication::applicationName().toUtf8());
    hash.addData(QCoreApplication::organizationName().toUtf8());
    hash.addData(QCoreApplication::organizationDomain().toUtf8());
    if (!appData.isEmpty())
        hash.addData(appData.join(QString()).toUtf8());
    if (!options.testFlag(SingleApplication::IgnoreVersion))
        hash.addData(QCoreApplication::applicationVersion().toUtf8());
    if (!options.testFlag(SingleApplication::IgnorePath))
        hash.addData(QCoreApplication::applicationFilePath().toLower().toUtf8());
    if (options.testFlag(SingleApplication::PerUser))
        hash.addData(userName().toUtf8());

    guardKey = QString::fromLatin1(hash.result().toBase64().replace('/', '_'));
    folder = guardFolder();
    roleLock = std::make_unique<QLockFile>(QDir(folder).filePath(guardKey + QStringLiteral(".lock")));
}

void SingleApplicationPrivate::randomPause()
{
    QRandomGenerator generator(quint32(QDateTime::currentMSecsSinceEpoch() % 0xFFFFFFFF));
    const quint32 r = generator.generate() & 0x7FFF;
    QThread::msleep(8 + ulong(r / 32767.0 * 10));
}

void SingleApplicationPrivate::lockRole()
{
    // The block's own lock: it lives in this user's guard folder, where no other user can hold it.
    if (roleLock->isLocked() || roleLock->tryLock(RoleLockWait))
        return;
    qWarning() << "SingleApplication: Unable to take the role lock; going on without it." << roleLock->error();
}

InstanceBlock *SingleApplicationPrivate::block() const
{
    return static_cast<InstanceBlock *>(memory->data());
}

quint16 SingleApplicationPrivate::blockChecksum() const
{
    return qChecksum(static_cast<const char *>(memory->constData()), offsetof(InstanceBlock, checksum));
}

void SingleApplicationPrivate::initializeMemoryBlock()
{
    InstanceBlock *inst = block();
    std::memset(inst, 0, sizeof(InstanceBlock));
    inst->primaryPid = -1;
    inst->checksum = blockChecksum();
}

bool SingleApplicationPrivate::openBlock()
{
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        delete memory;
        memory = new QSharedMemory();
        memory->setNativeKey(blockName(attempt));
        if (memory->create(int(sizeof(InstanceBlock)))) {
            initializeMemoryBlock();
            return true;
        }
        if (memory->error() != QSharedMemory::AlreadyExists)
            break;
        // Another user's block is never attached: what it says cannot be trusted, and a block this user
        // may not open would keep the tool from starting at all.
        if (isOwnBlock(memory->nativeKey())) {
            // A fresh object: a failed create leaves an error on its semaphore's key, which attach would
            // report.
            delete memory;
            memory = new QSharedMemory();
            memory->setNativeKey(blockName(attempt));
            if (!memory->attach()) {
                qCritical() << "SingleApplication: Unable to attach to shared memory block.";
                logBlockError();
                return false;
            }
            return true;
        }
        qWarning() << "SingleApplication: The shared memory block of this name belongs to another user; "
                      "passing it over."
                   << memory->nativeKey();
    }
    qCritical() << "SingleApplication: Unable to create block.";
    logBlockError();
    return false;
}

void SingleApplicationPrivate::clearPrimary()
{
    InstanceBlock *inst = block();
    inst->primary = 0;
    inst->primaryPid = -1;
    inst->primaryUser[0] = '\0';
    inst->checksum = blockChecksum();
}

void SingleApplicationPrivate::takeOverFromVanishedPrimary()
{
    const InstanceBlock *inst = block();
    if (!inst->primary)
        return;
    const qint64 pid = inst->primaryPid;
    if (pid != QCoreApplication::applicationPid() && primaryRuns(pid))
        return;
    qWarning() << "SingleApplication: The primary instance recorded in the shared memory block no longer runs; "
                  "taking its place."
               << pid;
    clearPrimary();
}

void SingleApplicationPrivate::beginRole(bool allowSecondary, int timeout)
{
    connectTimeout = timeout;
    claim = std::async(std::launch::async, [this, allowSecondary] { return claimRole(allowSecondary); });
    // At the latest when the event loop starts: a program that never asks for its role still serves.
    QMetaObject::invokeMethod(this, &SingleApplicationPrivate::settleRole, Qt::QueuedConnection);
}

SingleApplicationPrivate::Role SingleApplicationPrivate::claimRole(bool allowSecondary)
{
    randomPause();
    lockRole();
    if (!openBlock())
        return Failed;
    // Made on this thread, used and deleted on the GUI thread.
    memory->moveToThread(thread());

    QElapsedTimer time;
    time.start();
    while (block()->checksum != blockChecksum()) {
        if (time.elapsed() > InconsistencyLimit) {
            qWarning() << "SingleApplication: Shared memory block has been in an inconsistent state from more than "
                          "5s. Assuming primary instance failure.";
            initializeMemoryBlock();
        }
        roleLock->unlock();
        randomPause();
        lockRole();
    }

    // A System V block outlives a primary that was killed: without this, every later start would hand its
    // message to nobody and end, until the next reboot.
    takeOverFromVanishedPrimary();

    if (!block()->primary) {
        markPrimary();
        return Primary;
    }
    if (allowSecondary)
        markSecondary();
    roleLock->unlock();
    return allowSecondary ? Secondary : Refused;
}

void SingleApplicationPrivate::settleRole()
{
    if (!claim.valid())
        return;
    role = claim.get();
    switch (role) {
    case Primary:
        startServer();
        roleLock->unlock();
        break;
    case Secondary:
        if (options.testFlag(SingleApplication::NotifySecondary))
            connectToPrimary(connectTimeout, SecondaryStart);
        break;
    case Refused:
        connectToPrimary(connectTimeout, RefusedStart);
        endProcess(0);
    case Failed:
    case Undecided:
        endProcess(1);
    }
}

void SingleApplicationPrivate::markPrimary()
{
    InstanceBlock *inst = block();
    inst->primary = 1;
    inst->primaryPid = QCoreApplication::applicationPid();
    const QByteArray user = userName().toUtf8().left(int(sizeof(inst->primaryUser)) - 1);
    std::memcpy(inst->primaryUser, user.constData(), size_t(user.size()));
    inst->primaryUser[user.size()] = '\0';
    inst->checksum = blockChecksum();
    instanceNumber = 0;
}

void SingleApplicationPrivate::startServer()
{
    // A primary that crashed leaves its socket file behind, and listening would fail on it.
    QLocalServer::removeServer(serverName());
    server = new QLocalServer();
    server->setSocketOptions(options.testFlag(SingleApplication::PerUser) ? QLocalServer::UserAccessOption
                                                                           : QLocalServer::WorldAccessOption);
    if (!server->listen(serverName()))
        qWarning() << "SingleApplication: Unable to listen for other instances." << server->errorString();
    QObject::connect(server, &QLocalServer::newConnection, this,
        &SingleApplicationPrivate::slotConnectionEstablished, Qt::DirectConnection);
}

void SingleApplicationPrivate::markSecondary()
{
    InstanceBlock *inst = block();
    inst->secondary += 1;
    inst->checksum = blockChecksum();
    instanceNumber = inst->secondary;
}

bool SingleApplicationPrivate::connectToPrimary(int timeout, ConnectKind kind)
{
    if (!socket)
        socket = new QLocalSocket();
    if (socket->state() == QLocalSocket::ConnectedState)
        return true;

    QElapsedTimer time;
    time.start();
    forever {
        randomPause();
        if (socket->state() != QLocalSocket::ConnectingState)
            socket->connectToServer(serverName(), QIODevice::ReadWrite);
        if (socket->state() == QLocalSocket::ConnectingState)
            socket->waitForConnected(int(qMax<qint64>(0, timeout - time.elapsed())));
        if (socket->state() == QLocalSocket::ConnectedState)
            break;
        if (time.elapsed() >= timeout)
            return false;
    }

    QByteArray initMsg;
    QDataStream writeStream(&initMsg, QIODevice::WriteOnly);
    writeStream.setVersion(ProtocolVersion);
    writeStream << guardKey.toLatin1();
    writeStream << qint8(kind);
    writeStream << qint32(instanceNumber);
    writeStream << qChecksum(initMsg.constData(), uint(initMsg.size()));

    QByteArray header;
    QDataStream headerStream(&header, QIODevice::WriteOnly);
    headerStream.setVersion(ProtocolVersion);
    headerStream << qint64(initMsg.size());

    socket->write(header);
    socket->write(initMsg);
    const bool written = socket->waitForBytesWritten(int(qMax<qint64>(0, timeout - time.elapsed())));
    socket->flush();
    return written;
}

bool SingleApplicationPrivate::sendMessageToPrimary(const QByteArray &message, int timeout)
{
    if (!connectToPrimary(timeout, MessageOnly))
        return false;
    socket->write(message);
    const bool written = socket->waitForBytesWritten(timeout);
    socket->flush();
    return written;
}

void SingleApplicationPrivate::slotConnectionEstablished()
{
    QLocalSocket *nextConnSocket = server->nextPendingConnection();
    if (!nextConnSocket)
        return;
    connectionMap.insert(nextConnSocket, ConnectionInfo());

    QObject::connect(nextConnSocket, &QLocalSocket::aboutToClose, this, [this, nextConnSocket] {
        // Only a connection that proved itself carries a message; what is left on any other is not one.
        const ConnectionInfo &info = connectionMap[nextConnSocket];
        if (info.stage == Connected)
            slotClientConnectionClosed(nextConnSocket, info.instanceId);
    }, Qt::DirectConnection);
    QObject::connect(nextConnSocket, &QLocalSocket::disconnected, nextConnSocket, &QObject::deleteLater,
        Qt::DirectConnection);
    QObject::connect(nextConnSocket, &QObject::destroyed, this, [this, nextConnSocket] {
        connectionMap.remove(nextConnSocket);
    }, Qt::DirectConnection);
    QObject::connect(nextConnSocket, &QLocalSocket::readyRead, this, [this, nextConnSocket] {
        ConnectionInfo &info = connectionMap[nextConnSocket];
        if (info.stage == Connected)
            slotDataAvailable(nextConnSocket, info.instanceId);
        else
            readInitMessage(nextConnSocket, info);
    }, Qt::DirectConnection);

    // A peer that connects and never says who it is would otherwise hold its socket for good.
    QTimer::singleShot(FirstMessageDeadline, nextConnSocket, [this, nextConnSocket] {
        if (connectionMap.value(nextConnSocket).stage != Connected)
            nextConnSocket->abort();
    });

    // Bytes may have come with the connection, before there was anyone to tell.
    if (nextConnSocket->bytesAvailable() > 0)
        readInitMessage(nextConnSocket, connectionMap[nextConnSocket]);
}

void SingleApplicationPrivate::readInitMessage(QIODevice *connection, ConnectionInfo &info)
{
    if (info.stage == AwaitHeader) {
        if (connection->bytesAvailable() < qint64(sizeof(qint64)))
            return;
        QDataStream headerStream(connection);
        headerStream.setVersion(ProtocolVersion);
        headerStream >> info.msgLen;
        info.stage = AwaitBody;
        if (info.msgLen <= 0 || info.msgLen > MaxFirstMessageLength) {
            qWarning() << "SingleApplication: Refused a connection announcing a first message of" << info.msgLen
                       << "bytes.";
            connection->close();
            return;
        }
    }
    if (info.stage != AwaitBody || connection->bytesAvailable() < info.msgLen)
        return;

    const QByteArray msgBytes = connection->read(info.msgLen);
    QDataStream readStream(msgBytes);
    readStream.setVersion(ProtocolVersion);
    QByteArray latin1Key;
    qint8 kind = 0;
    qint32 peerInstance = 0;
    quint16 msgChecksum = 0;
    readStream >> latin1Key >> kind >> peerInstance >> msgChecksum;

    const int nul = latin1Key.indexOf('\0');
    if (nul >= 0)
        latin1Key.truncate(nul);
    const bool valid = readStream.status() == QDataStream::Ok && latin1Key == guardKey.toLatin1()
        && msgChecksum == qChecksum(msgBytes.constData(), uint(msgBytes.size() - 2));
    if (!valid) {
        qWarning() << "SingleApplication: Refused a connection whose first message is not one of this instance's.";
        connection->close();
        return;
    }

    info.instanceId = quint32(peerInstance);
    info.stage = Connected;
    const quint32 instanceId = info.instanceId;
    // Taken before anyone is told: a receiver may run an event loop in which this connection goes away.
    const QByteArray following = connection->readAll();

    Q_Q(SingleApplication);
    if (kind == RefusedStart || (kind == SecondaryStart && options.testFlag(SingleApplication::NotifySecondary)))
        Q_EMIT q->instanceStarted();
    if (!following.isEmpty())
        Q_EMIT q->receivedMessage(instanceId, following);
}

void SingleApplicationPrivate::publish(QIODevice *connection, quint32 instanceId)
{
    Q_Q(SingleApplication);
    if (connection->bytesAvailable() > 0)
        Q_EMIT q->receivedMessage(instanceId, connection->readAll());
}

void SingleApplicationPrivate::slotDataAvailable(QLocalSocket *dataSocket, quint32 instanceId)
{
    publish(dataSocket, instanceId);
}

void SingleApplicationPrivate::slotClientConnectionClosed(QLocalSocket *closedSocket, quint32 instanceId)
{
    publish(closedSocket, instanceId);
}

void SingleApplicationPrivate::logBlockError()
{
    qCritical().noquote() << "SingleApplication:" << int(memory->error()) << memory->errorString();
}

void SingleApplicationPrivate::endProcess(int exitCode)
{
    // The application object is still being constructed and will never be destroyed: release what other
    // processes see (the block, the role lock) before the process ends.
    delete this;
    std::exit(exitCode);
}
