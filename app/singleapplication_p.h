// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include "app/singleapplication.h"

#include <QMap>
#include <QObject>
#include <QStringList>

#include <cstddef>
#include <future>
#include <memory>

class QIODevice;
class QLocalServer;
class QLocalSocket;
class QLockFile;
class QSharedMemory;

// The record that every instance with the same key shares, 152 bytes in the machine's byte order. Only
// read or written while the block is locked; the checksum is written last, so a torn record shows.
struct InstanceBlock
{
    quint8 primary;          // 1 while a primary runs
    quint8 padding1[3];
    quint32 secondary;       // secondaries started since the block was last initialised; never decremented
    qint64 primaryPid;       // -1 without a primary
    char primaryUser[128];   // UTF-8, NUL-terminated; empty without a primary
    quint16 checksum;        // qChecksum over every byte before it
    quint8 padding2[6];
};
static_assert(sizeof(InstanceBlock) == 152, "other builds of the tool share this record");
static_assert(offsetof(InstanceBlock, secondary) == 4 && offsetof(InstanceBlock, primaryPid) == 8
        && offsetof(InstanceBlock, primaryUser) == 16 && offsetof(InstanceBlock, checksum) == 144,
    "other builds of the tool share this record");

// The guard behind SingleApplication: the shared block, the primary's server and the socket that reaches it.
class SingleApplicationPrivate : public QObject
{
    Q_OBJECT
    Q_DECLARE_PUBLIC(SingleApplication)

public:
    // Why a later start connects to the primary; the first byte of meaning in its first message.
    enum ConnectKind : qint8 {
        RefusedStart = 1,
        SecondaryStart = 2,
        MessageOnly = 3,
    };
    Q_ENUM(ConnectKind)

    enum ReaderStage {
        AwaitHeader = 0,
        AwaitBody = 1,
        Connected = 2,
    };
    Q_ENUM(ReaderStage)

    // What the primary knows about one accepted connection.
    struct ConnectionInfo
    {
        qint64 msgLen = 0;          // length of the first message, from the header
        quint32 instanceId = 0;     // the peer's instance number, once its first message checked out
        ReaderStage stage = AwaitHeader;
    };

    // The longest first message the primary reads. A real one is 55 bytes; anything near this is not one of ours.
    static constexpr qint64 MaxFirstMessageLength = 4096;
    // How long an accepted connection may take to deliver its first message before it is dropped.
    static constexpr int FirstMessageDeadline = 5000;
    // Names tried for the guard's folder and for its block: each one that another user holds is passed over.
    static constexpr int NameAttempts = 8;

    explicit SingleApplicationPrivate(SingleApplication *q);
    ~SingleApplicationPrivate() override;

    // What the shared block made of this start.
    enum Role {
        Undecided,
        Primary,   // marked as the primary; its server is still to be started
        Secondary, // counted as a secondary
        Refused,   // a primary runs and secondaries are not allowed
        Failed,    // the block could not be set up; the reason is logged
    };

    void deriveGuardKey(); // from the application's identity as it stands now, the executable and the user
    // Starts taking the role on a worker thread: the pause and the wait for other starts then run while the
    // program builds its window. timeout bounds every attempt to reach the primary.
    void beginRole(bool allowSecondary, int timeout);
    // Waits for the role and acts on it in the GUI thread, once: the primary's server, a secondary's
    // announcement, or the end of the process (see the SingleApplication constructor).
    void settleRole();
    // Connects (if not yet connected) and introduces this instance; whether that was done within timeout ms.
    bool connectToPrimary(int timeout, ConnectKind kind);
    bool sendMessageToPrimary(const QByteArray &message, int timeout);

    // Feeds what has arrived on an accepted connection that has not yet been let in: the header, then the
    // first message, which is checked (the connection is closed if it fails) and announced, then whatever
    // followed it in the same burst, published at once. Call again as more bytes arrive until info.stage
    // is Connected.
    void readInitMessage(QIODevice *connection, ConnectionInfo &info);

    // The operating system's name for the user running this process.
    static QString userName();
    // A folder that only this user can write: the role lock lives there, and on Linux the server's socket
    // and the block's key file too, so that no other user can plant or hold them.
    static QString guardFolder();
    // The name of the shared block, on the attempt-th try: a block that another user holds under a name is
    // passed over for the next one.
    QString blockName(int attempt) const;
    QString serverName() const; // where the primary listens
    // Whether the existing block named nativeKey belongs to this user; asked before it is attached.
    static bool isOwnBlock(const QString &nativeKey);
    // Pauses 8 to 18 ms, so that instances started together do not retry in step.
    static void randomPause();

    SingleApplication *q_ptr;
    // The InstanceBlock. Qt's semaphore for it would keep its key file in the shared temporary folder, where
    // another user could plant it: the role lock guards the block instead.
    QSharedMemory *memory = nullptr;
    QLocalSocket *socket = nullptr;     // this secondary's line to the primary, made on first use
    QLocalServer *server = nullptr;     // only in the primary: where later starts reach it
    quint32 instanceNumber = 0;         // 0 in the primary, the secondary count after this start otherwise
    QString guardKey;                   // names the block, the server and the role lock
    QString folder;                     // guardFolder(), once
    SingleApplication::GuardOptions options;
    QMap<QLocalSocket *, ConnectionInfo> connectionMap; // every connection the primary has accepted
    QStringList appData;                // extra identity strings that enter the key
    // Held while this process decides its role or gives it up, and whenever it reads or writes the block, so
    // that no two processes do so at once.
    std::unique_ptr<QLockFile> roleLock;
    std::future<Role> claim; // the worker's role, until settleRole takes it
    Role role = Undecided;   // once settled
    int connectTimeout = 0;  // beginRole's timeout

public slots:
    void slotConnectionEstablished();
    void slotDataAvailable(QLocalSocket *dataSocket, quint32 instanceId);
    void slotClientConnectionClosed(QLocalSocket *closedSocket, quint32 instanceId);

private:
    // The block and its checksum over every byte before the checksum field; only while the block is locked.
    InstanceBlock *block() const;
    quint16 blockChecksum() const;
    void initializeMemoryBlock();
    // Creates the block, or attaches to this user's existing one; false, with the reason logged, if neither.
    bool openBlock();
    // On the worker: the pause, the block, and this start's mark in it. Returns holding the role lock when
    // it made this process the primary, so that no later start finds the mark before the server listens.
    Role claimRole(bool allowSecondary);
    void clearPrimary(); // marks the block as having no primary
    void takeOverFromVanishedPrimary();
    void markPrimary();  // in the block
    void startServer();  // the primary's, in the GUI thread
    void markSecondary(); // in the block
    void lockRole(); // waits for the role lock, or goes on without it after a stuck holder
    void publish(QIODevice *connection, quint32 instanceId); // receivedMessage with what has arrived, if anything
    void logBlockError(); // the block's error code and text, as a critical line
    [[noreturn]] void endProcess(int exitCode);

    // Whether pid names a running process of this executable: a record left by a killed primary must not
    // keep every later start a secondary.
    static bool primaryRuns(qint64 pid);
};
