// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "instanceguard.h"
#include "sim/loopbackhttpserver.h"

#include <QDataStream>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/ipc.h>
#include <sys/stat.h>

// One user starting the tool, or a small program on its guard (GUARD_PROBE), several times, as separate
// processes that meet in a private temporary folder.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void secondStartOfTheToolHandsOverItsMessageAndEnds();
    void secondStartOpensNoAdapterAndSendsNoRequest();
    void simultaneousStartsMakeExactlyOnePrimary();
    void startAfterAKilledPrimaryIsPrimaryAndCountsOn();
    void copyInAnotherFolderRunsItsOwnPrimary();
    void firstMessageIsAnnouncedAndWhatFollowsPublishedAtOnce_data();
    void firstMessageIsAnnouncedAndWhatFollowsPublishedAtOnce();
    void foreignConnectionIsClosedWithoutASignal_data();
    void foreignConnectionIsClosedWithoutASignal();
    void anotherUsersObjectsNeverStopTheStart_data();
    void anotherUsersObjectsNeverStopTheStart();

private:
    QProcess *start(const QString &program, const QStringList &arguments = {}, const QString &dataHome = {});
    QString probeServer() const;
    std::unique_ptr<QTemporaryDir> place;
    QString httpProxy; // where started processes send their HTTP requests, when set
    std::vector<std::unique_ptr<QProcess>> processes;
};

namespace {

// The next line a process writes, empty if none comes in time.
QByteArray nextLine(QProcess *process)
{
    QDeadlineTimer deadline(20000);
    while (!process->canReadLine() && process->waitForReadyRead(int(deadline.remainingTime()))) {
    }
    return process->readLine().trimmed();
}

QByteArray skipTo(QProcess *process, const QByteArray &prefix)
{
    QByteArray line;
    do
        line = nextLine(process);
    while (!line.isEmpty() && !line.startsWith(prefix));
    return line;
}

QByteArray framed(qint64 length, const QByteArray &body)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_6);
    stream << length;
    return bytes + body;
}

// Header and first message as a later start sends them.
QByteArray firstMessage(const QString &key, qint8 kind, qint32 instance, int checksumError = 0)
{
    QByteArray body;
    QDataStream stream(&body, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_6);
    stream << key.toLatin1() << kind << instance;
    stream << quint16(qChecksum(body.constData(), uint(body.size())) + checksumError);
    return framed(body.size(), body);
}

} // namespace

void TestSingleInstance::init()
{
    place = std::make_unique<QTemporaryDir>();
    QVERIFY(place->isValid());
    httpProxy.clear();
}

void TestSingleInstance::cleanup()
{
    for (const auto &process : processes) {
        process->closeWriteChannel();
        if (!process->waitForFinished(5000))
            process->kill();
        process->waitForFinished();
    }
    processes.clear();
    for (const QString &program :
        {QStringLiteral(TAVRUNE_EXECUTABLE), QStringLiteral(SIM_TOOL), QStringLiteral(GUARD_PROBE)})
        InstanceGuard::release(program, place->path());
    place.reset();
}

QProcess *TestSingleInstance::start(const QString &program, const QStringList &arguments, const QString &dataHome)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const char *variable : {"TMPDIR", "XDG_RUNTIME_DIR", "HOME"})
        env.insert(QLatin1String(variable), place->path());
    for (const char *variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        env.insert(QLatin1String(variable), place->filePath(QLatin1String(variable)));
    if (!dataHome.isEmpty())
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    if (!httpProxy.isEmpty()) {
        env.insert(QStringLiteral("http_proxy"), httpProxy);
        env.remove(QStringLiteral("no_proxy"));
    }
    processes.push_back(std::make_unique<QProcess>());
    QProcess *process = processes.back().get();
    process->setProcessEnvironment(env);
    // The tool speaks through its log; the probe prints its lines.
    if (program != QLatin1String(GUARD_PROBE))
        process->setProcessChannelMode(QProcess::MergedChannels);
    process->start(program, arguments);
    return process;
}

QString TestSingleInstance::probeServer() const
{
    return place->filePath(InstanceGuard::keyOf(QStringLiteral(GUARD_PROBE)));
}

void TestSingleInstance::secondStartOfTheToolHandsOverItsMessageAndEnds()
{
    QProcess *first = start(QStringLiteral(TAVRUNE_EXECUTABLE));
    // The guard has decided before the fonts are registered.
    QVERIFY(!skipTo(first, "App Font Families:").isEmpty());

    // The second start speaks French, whatever the first one does.
    const QString secondHome = place->filePath(QStringLiteral("second"));
    QDir().mkpath(secondHome + QStringLiteral("/Tavrune/Tavrune M4 Firmware Tool"));
    QFile settings(secondHome + QStringLiteral("/Tavrune/Tavrune M4 Firmware Tool/tavruneflashtool.ini"));
    QVERIFY(settings.open(QIODevice::WriteOnly) && settings.write("[General]\nCurrentLanguage=4\n") > 0);
    settings.close();
    QProcess *second = start(QStringLiteral(TAVRUNE_EXECUTABLE), {}, secondHome);
    QVERIFY(second->waitForFinished(20000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(QString::fromUtf8(skipTo(first, "Message from another start:")),
        QStringLiteral("Message from another start: Tavrune Firmware Tool est en cours d'ex\u00e9cution!"));
    QCOMPARE(first->state(), QProcess::Running);
}

void TestSingleInstance::secondStartOpensNoAdapterAndSendsNoRequest()
{
    // The maker's server, as the HTTP proxy: the tool's own server address stays as it is. Answered from
    // this thread, so the waits below keep the event loop running.
    LoopbackHttpServer server;
    const QString catalogue = QStringLiteral("http://" TAVRUNE_DOWNLOAD_HOST "/download/tavrune-m4/tavrune-m4.json");
    server.setBody(catalogue, R"({"flashTool": {"version": "3.1.0"}, "firmware": []})");
    httpProxy = server.baseUrl();
    QByteArray firstLog;
    auto heard = [&firstLog](QProcess *process, const QByteArray &text) {
        firstLog += process->readAll();
        return firstLog.contains(text);
    };

    QProcess *first = start(QStringLiteral(SIM_TOOL));
    QTRY_VERIFY_WITH_TIMEOUT(heard(first, "Device open!"), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(server.requestCount(catalogue), 1, 20000);

    QProcess *second = start(QStringLiteral(SIM_TOOL));
    QTRY_COMPARE_WITH_TIMEOUT(second->state(), QProcess::NotRunning, 20000);
    const QByteArray secondLog = second->readAll();
    QCOMPARE(second->exitCode(), 0);
    QVERIFY2(secondLog.contains("simulated adapter opens: 0\n"), secondLog.constData());
    QTRY_VERIFY_WITH_TIMEOUT(heard(first, "Message from another start:"), 20000);
    QCOMPARE(server.requestCount(), 1);
}

void TestSingleInstance::simultaneousStartsMakeExactlyOnePrimary()
{
    for (int round = 0; round < 24; ++round) {
        QProcess *a = start(QStringLiteral(GUARD_PROBE), {QStringLiteral("hello")});
        QProcess *b = start(QStringLiteral(GUARD_PROBE), {QStringLiteral("hello")});
        const QByteArray roleA = nextLine(a);
        const QByteArray roleB = nextLine(b);
        QByteArrayList roles {roleA, roleB};
        std::sort(roles.begin(), roles.end());
        QCOMPARE(roles, QByteArrayList({"primary self-refused", "secondary sent"}));
        QCOMPARE(nextLine(roleA.startsWith("primary") ? a : b), QByteArray("message 1 hello"));
        cleanup();
        init();
    }
}

void TestSingleInstance::startAfterAKilledPrimaryIsPrimaryAndCountsOn()
{
    QProcess *first = start(QStringLiteral(GUARD_PROBE));
    QCOMPARE(nextLine(first), QByteArray("primary self-refused"));
    QProcess *before = start(QStringLiteral(GUARD_PROBE), {QStringLiteral("before")});
    QCOMPARE(nextLine(before), QByteArray("secondary sent"));
    QCOMPARE(nextLine(first), QByteArray("message 1 before"));
    // Ended before the primary dies: the last process to let go of the block discards it, count and all.
    QVERIFY(before->waitForFinished());
    first->kill();
    QVERIFY(first->waitForFinished());

    QProcess *next = start(QStringLiteral(GUARD_PROBE));
    QCOMPARE(nextLine(next), QByteArray("primary self-refused"));
    QCOMPARE(nextLine(start(QStringLiteral(GUARD_PROBE), {QStringLiteral("after")})), QByteArray("secondary sent"));
    QCOMPARE(nextLine(next), QByteArray("message 2 after"));
}

void TestSingleInstance::copyInAnotherFolderRunsItsOwnPrimary()
{
    const QString copy = place->filePath(QStringLiteral("elsewhere/guardprobe"));
    QVERIFY(QDir().mkpath(QFileInfo(copy).path()));
    QVERIFY(QFile::copy(QStringLiteral(GUARD_PROBE), copy));
    QCOMPARE(nextLine(start(QStringLiteral(GUARD_PROBE))), QByteArray("primary self-refused"));
    QCOMPARE(nextLine(start(copy)), QByteArray("primary self-refused"));
}

void TestSingleInstance::firstMessageIsAnnouncedAndWhatFollowsPublishedAtOnce_data()
{
    QTest::addColumn<qint8>("kind");
    QTest::addColumn<QByteArrayList>("heard");
    QTest::addRow("refused start") << qint8(1) << QByteArrayList {"started", "message 7 hello"};
    QTest::addRow("secondary start, unannounced") << qint8(2) << QByteArrayList {"message 7 hello"};
    QTest::addRow("message only") << qint8(3) << QByteArrayList {"message 7 hello"};
}

void TestSingleInstance::firstMessageIsAnnouncedAndWhatFollowsPublishedAtOnce()
{
    QFETCH(qint8, kind);
    QFETCH(QByteArrayList, heard);
    QProcess *primary = start(QStringLiteral(GUARD_PROBE));
    QCOMPARE(nextLine(primary), QByteArray("primary self-refused"));

    // One burst, and the connection stays open: nothing later would prompt the primary to read again.
    QLocalSocket peer;
    peer.connectToServer(probeServer());
    QVERIFY(peer.waitForConnected());
    peer.write(firstMessage(InstanceGuard::keyOf(QStringLiteral(GUARD_PROBE)), kind, 7) + "hello");
    QVERIFY(peer.waitForBytesWritten());
    for (const QByteArray &line : heard)
        QCOMPARE(nextLine(primary), line);
    QCOMPARE(peer.state(), QLocalSocket::ConnectedState);
}

void TestSingleInstance::foreignConnectionIsClosedWithoutASignal_data()
{
    const QString key = InstanceGuard::keyOf(QStringLiteral(GUARD_PROBE));
    const QByteArray intruder("intruder");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addRow("another key") << firstMessage(key.toLower(), 1, 7) + intruder;
    QTest::addRow("wrong checksum") << firstMessage(key, 1, 7, 1) + intruder;
    QTest::addRow("negative length") << framed(-55, firstMessage(key, 1, 7).mid(8) + intruder);
    QTest::addRow("length over 4 KiB") << framed(4097, QByteArray(4097, 'x') + intruder);
    QTest::addRow("huge length") << framed(Q_INT64_C(1) << 40, QByteArray(65536, 'x'));
    QTest::addRow("garbage body") << framed(55, QByteArray(55, '\xff')) + intruder;
    QTest::addRow("truncated header") << QByteArray(5, '\0');
    QTest::addRow("nothing at all") << QByteArray();
}

void TestSingleInstance::foreignConnectionIsClosedWithoutASignal()
{
    QFETCH(QByteArray, bytes);
    QProcess *primary = start(QStringLiteral(GUARD_PROBE));
    QCOMPARE(nextLine(primary), QByteArray("primary self-refused"));

    QLocalSocket peer;
    peer.connectToServer(probeServer());
    QVERIFY(peer.waitForConnected());
    peer.write(bytes);
    peer.flush();
    QTRY_COMPARE_WITH_TIMEOUT(peer.state(), QLocalSocket::UnconnectedState, 10000);

    // The primary still listens, and a real start is the first thing it has to tell.
    QCOMPARE(nextLine(start(QStringLiteral(GUARD_PROBE), {QStringLiteral("sentinel")})), QByteArray("secondary sent"));
    QCOMPARE(nextLine(primary), QByteArray("message 1 sentinel"));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
void TestSingleInstance::anotherUsersObjectsNeverStopTheStart_data()
{
    QTest::addColumn<bool>("runtimeFolder"); // whether the user has $XDG_RUNTIME_DIR
    QTest::addRow("runtime folder") << true;
    QTest::addRow("temporary folder only") << false;
}

void TestSingleInstance::anotherUsersObjectsNeverStopTheStart()
{
    QFETCH(bool, runtimeFolder);
    // Two real users: the one who starts the guard, and another who got there first.
    const passwd *self = getpwnam("daemon");
    const QStringList user {
        QStringLiteral("--reuid=1"), QStringLiteral("--regid=1"), QStringLiteral("--clear-groups")};
    const QStringList other {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
        QStringLiteral("--clear-groups")};
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (geteuid() != 0 || !self || self->pw_uid != 1 || !getpwnam("nobody") || setpriv.isEmpty())
        QSKIP("needs root, setpriv and the users daemon (1) and nobody to run the guard as two users");

    // A temporary folder that both share, as /tmp is.
    const QByteArray shared = QFile::encodeName(place->filePath(QStringLiteral("tmp")));
    QVERIFY(chmod(QFile::encodeName(place->path()).constData(), 0711) == 0);
    QVERIFY(mkdir(shared.constData(), 0700) == 0 && chmod(shared.constData(), 01777) == 0);
    const QString key = InstanceGuard::keyOf(QStringLiteral(GUARD_PROBE), "daemon");
    const QByteArray runtime = QFile::encodeName(place->filePath(QStringLiteral("runtime")));
    key_t blockKey = 0;
    if (runtimeFolder) {
        // Were the other user to guess the inode of the block's key file, its System V key would be theirs.
        const QByteArray keyFile = runtime + '/' + key.toLatin1() + ".block";
        QVERIFY(mkdir(runtime.constData(), 0700) == 0 && chown(runtime.constData(), 1, 1) == 0);
        const int made = open(keyFile.constData(), O_CREAT | O_WRONLY, 0640);
        QVERIFY(made >= 0 && fchown(made, 1, 1) == 0 && close(made) == 0);
        blockKey = ftok(keyFile.constData(), 'Q');
    }

    auto startAs = [&](const QStringList &who, const QStringList &arguments) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TMPDIR"), QFile::decodeName(shared));
        env.insert(QStringLiteral("HOME"), QFile::decodeName(shared));
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        if (runtimeFolder && who == user)
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QFile::decodeName(runtime));
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->setProcessEnvironment(env);
        processes.back()->start(setpriv, who + QStringList {QStringLiteral(GUARD_PROBE)} + arguments);
        return processes.back().get();
    };
    QProcess *squatter = startAs(other,
        {QStringLiteral("--squat"), key, QString::number(blockKey), QStringLiteral("tavrune-guard-1")});
    QCOMPARE(nextLine(squatter), QByteArray("squatting"));
    QProcess *first = startAs(user, {});
    QCOMPARE(nextLine(first), QByteArray("primary self-refused"));
    QCOMPARE(nextLine(startAs(user, {QStringLiteral("hello")})), QByteArray("secondary sent"));
    QCOMPARE(nextLine(first), QByteArray("message 1 hello"));
}

#include "tst_singleinstance.moc"
