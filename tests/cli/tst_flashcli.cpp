// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// tavrune-flash as a user runs it: a real process (the test variant on the simulated adapter), its exit
// code, its output, and what the adapter holds afterwards.
#include "device/deviceflash.h"
#include "device/nodelock.h"
#include "sim/simadapter.h"
#include "sim/simcatalogue.h"

#include <QtTest>

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <csignal>
#include <memory>

namespace {

// On connecting, the adapter's three blocks take five reads each: the update's commands follow.
constexpr int firstUpdateCommand = 15;
constexpr char eraseCode = 0x55;
constexpr char writeCode = 0x57;

struct Run
{
    int code = -1;
    QString out;
    QString err;
    QJsonObject state; // the simulated adapter at the end
    QByteArray commands; // the command codes it received
};

} // namespace

Q_DECLARE_METATYPE(LoopbackHttpServer::Reply)

class TestFlashCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void checkAcceptsOrNamesTheRefusal_data();
    void checkAcceptsOrNamesTheRefusal();
    void refusedUpdateNeverWritesToTheAdapter_data();
    void refusedUpdateNeverWritesToTheAdapter();
    void updateWritesTheFileAndReadsTheVersionBack();
    void catalogueFileIsWrittenAndKeptOnlyWhenItAddsUp_data();
    void catalogueFileIsWrittenAndKeptOnlyWhenItAddsUp();
    void pullDuringUpdateFailsWithoutSuccess_data();
    void pullDuringUpdateFailsWithoutSuccess();
    void jsonAnswersOfInfoUpdateAndVersions();
    void verifyFindsTheAdapterIdenticalOrWhereItDiffers();
    void pullDuringVerifyFailsWithoutAnAnswer();
    void backupWritesTheAdapterBackByteForByte();
    void refusedBackupLeavesTheFileAsItWas_data();
    void refusedBackupLeavesTheFileAsItWas();
    void twoAdaptersNeedTheChoiceOfOne();
    void waitsForTheAdapterToBePlugged();
    void windowAndCommandLineNeverShareTheAdapter();
    void adapterInUseKeepsOnlyItselfFromOthers();
    void anotherProgramHoldingTheNodeLockKeepsTheAdapter();
    void signalsWaitForTheWriteToEnd_data();
    void signalsWaitForTheWriteToEnd();

private:
    QString makeFirmware(const QString &name, int imageSize, const QString &version,
        const QStringList &options = {});
    // Starts tavrune-flash on the simulated adapter described by scenario.
    void start(QProcess &process, const QStringList &arguments, const QString &scenario);
    Run run(const QStringList &arguments, const QString &scenario = QStringLiteral("plug=b275"));
    // The adapters that list --json reports on scenario.
    QJsonArray listedAdapters(const QString &scenario);
    // The scenario of an adapter plugged in after an update with m_good; empty if that update failed.
    QString updatedAdapter();
    // Where the command line caches the catalogue's firmware 2.2.0.
    QString cachedFirmware() const;

    QTemporaryDir m_dir;
    SimCatalogue m_catalogue;
    QByteArray m_image; // the image inside m_good
    QString m_good; // firmware 2.2.0, 1000-byte image
    QByteArray m_goodFile; // its bytes, which the catalogue serves for 2.2.0
};

void TestFlashCli::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(!m_catalogue.serverUrl().isEmpty());
    m_good = makeFirmware(QStringLiteral("good.rfw"), 1000, QStringLiteral("2.2.0"));
    QFile image(m_dir.filePath(QStringLiteral("good.rfw.image")));
    QVERIFY(image.open(QIODevice::ReadOnly));
    m_image = image.readAll();

    QFile good(m_good);
    QVERIFY(good.open(QIODevice::ReadOnly));
    m_goodFile = good.readAll();
    m_catalogue.setTool(QStringLiteral("3.1.0"));
    m_catalogue.addFirmware(QStringLiteral("2.2.0"), QStringLiteral("Faster polling;Fixes rumble"), m_goodFile);
}

QString TestFlashCli::makeFirmware(const QString &name, int imageSize, const QString &version,
    const QStringList &options)
{
    QByteArray image(imageSize, '\0');
    QRandomGenerator random {quint32(imageSize)};
    for (char &byte : image)
        byte = char(random.bounded(256));
    QFile imageFile(m_dir.filePath(name + QStringLiteral(".image")));
    if (!imageFile.open(QIODevice::WriteOnly) || imageFile.write(image) != imageSize)
        return QString();
    imageFile.close();
    const QString path = m_dir.filePath(name);
    QProcess maker;
    maker.start(QStringLiteral(MKRFW_PATH),
        QStringList {QStringLiteral("--image"), imageFile.fileName(), QStringLiteral("--version"), version}
            + options + QStringList {path});
    return maker.waitForFinished(30000) && maker.exitCode() == 0 ? path : QString();
}

void TestFlashCli::start(QProcess &process, const QStringList &arguments, const QString &scenario)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAVRUNE_SIM"), scenario);
    environment.insert(QStringLiteral("TAVRUNE_SIM_SERVER"), m_catalogue.serverUrl().toString());
    environment.insert(QStringLiteral("TAVRUNE_SIM_STATE"), m_dir.filePath(QStringLiteral("state.json")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
    process.setProcessEnvironment(environment);
    QFile::remove(m_dir.filePath(QStringLiteral("state.json")));
    process.start(QStringLiteral(SIMFLASH_PATH), arguments);
}

QString TestFlashCli::cachedFirmware() const
{
    const QString file = QStringLiteral("/Tavrune/Tavrune M4 Firmware Tool/Firmware_V2.2.0.rfw");
#ifdef Q_OS_WIN
    // Windows keeps the cache in the user's AppData folder, whatever the environment says about XDG.
    return QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA")) + file;
#else
    return m_dir.filePath(QStringLiteral("data")) + file;
#endif
}

Run TestFlashCli::run(const QStringList &arguments, const QString &scenario)
{
    QProcess process;
    start(process, arguments, scenario);
    // The catalogue server answers from this process's event loop, so wait with it running.
    Run result;
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    // A Windows console program ends its lines with CR LF.
    result.out = QString::fromUtf8(process.readAllStandardOutput()).remove(QLatin1Char('\r'));
    result.err = QString::fromUtf8(process.readAllStandardError()).remove(QLatin1Char('\r'));
    QFile state(m_dir.filePath(QStringLiteral("state.json")));
    if (state.open(QIODevice::ReadOnly)) {
        result.state = QJsonDocument::fromJson(state.readAll()).object();
        result.commands = QByteArray::fromHex(result.state.value(QStringLiteral("commands")).toString().toLatin1());
    }
    return result;
}

QJsonArray TestFlashCli::listedAdapters(const QString &scenario)
{
    const Run listing = run({QStringLiteral("list"), QStringLiteral("--json")}, scenario);
    return QJsonDocument::fromJson(listing.out.toUtf8()).object().value(QStringLiteral("adapters")).toArray();
}

void TestFlashCli::checkAcceptsOrNamesTheRefusal_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");

    const QString check = QStringLiteral("check");
    QTest::addRow("good file") << QStringList {check, m_good} << 0
                               << QStringLiteral("firmware 2.2.0, image of 1000 bytes: accepted");
    QTest::addRow("flipped bit") << QStringList {check, makeFirmware(QStringLiteral("flipped.rfw"), 1000,
                                        QStringLiteral("2.2.0"), {QStringLiteral("--flip-bit"), QStringLiteral("900")})}
                                 << 4 << QStringLiteral("its MD5 digest does not match");
    QTest::addRow("old version") << QStringList {check, makeFirmware(QStringLiteral("old.rfw"), 1000,
                                        QStringLiteral("1.9.9"))}
                                 << 4 << QStringLiteral("carries firmware 1.9.9, and versions below 2 are refused");
    QTest::addRow("missing file") << QStringList {check, m_dir.filePath(QStringLiteral("none.rfw"))} << 2
                                  << QStringLiteral("no such file");
    QTest::addRow("directory") << QStringList {check, m_dir.path()} << 2 << QStringLiteral("is a directory");
    QFile huge(m_dir.filePath(QStringLiteral("huge.rfw")));
    huge.open(QIODevice::WriteOnly);
    huge.resize(8 * 1024 * 1024 + 1);
    QTest::addRow("huge file") << QStringList {check, huge.fileName()} << 2 << QStringLiteral("far too large");
    QTest::addRow("no file") << QStringList {check} << 2 << QStringLiteral("check needs a firmware file");
    QTest::addRow("unknown command") << QStringList {QStringLiteral("flash"), m_good} << 2
                                     << QStringLiteral("unknown command: flash");
    QTest::addRow("unknown option") << QStringList {check, QStringLiteral("--force"), m_good} << 2
                                    << QStringLiteral("Unknown option 'force'");
}

void TestFlashCli::checkAcceptsOrNamesTheRefusal()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(QString, message);
    const Run result = run(arguments);
    QCOMPARE(result.code, code);
    if (code == 0) {
        QVERIFY2(result.out.contains(message), qPrintable(result.out));
        QVERIFY(result.err.isEmpty());
    } else {
        // One line, naming the reason, and nothing claiming success.
        QVERIFY(result.out.isEmpty());
        QCOMPARE(result.err.count(QLatin1Char('\n')), 1);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
    }
    QVERIFY(result.commands.isEmpty());
}

void TestFlashCli::refusedUpdateNeverWritesToTheAdapter_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");

    const QString update = QStringLiteral("update");
    QTest::addRow("missing file") << QStringList {update, m_dir.filePath(QStringLiteral("none.rfw"))}
                                  << QStringLiteral("plug=b275") << 2 << QStringLiteral("no such file");
    QTest::addRow("unknown catalogue version")
        << QStringList {update, QStringLiteral("--version"), QStringLiteral("9.9.9")} << QStringLiteral("plug=b275")
        << 2 << QStringLiteral("the catalogue has no firmware version 9.9.9 (it has: 2.2.0)");
    QTest::addRow("file and version") << QStringList {update, QStringLiteral("--version"), QStringLiteral("2.2.0"), m_good}
                                      << QStringLiteral("plug=b275") << 2 << QStringLiteral("unexpected argument");
    QTest::addRow("old boot loader, not confirmed")
        << QStringList {update, m_good} << QStringLiteral("plug=b275;boot=1.9.0") << 2
        << QStringLiteral("boot loader 1.9.0 is older than 2.0.0");
    QTest::addRow("no adapter") << QStringList {update, m_good} << QString() << 3
                                << QStringLiteral("no Tavrune M4 adapter found");
}

void TestFlashCli::refusedUpdateNeverWritesToTheAdapter()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, scenario);
    QFETCH(int, code);
    QFETCH(QString, message);
    const Run result = run(arguments, scenario);
    QCOMPARE(result.code, code);
    QVERIFY2(result.err.contains(message), qPrintable(result.err));
    QVERIFY(!result.commands.contains(eraseCode));
    QVERIFY(!result.commands.contains(writeCode));
}

void TestFlashCli::updateWritesTheFileAndReadsTheVersionBack()
{
    const Run result = run({QStringLiteral("update"), m_good}, QStringLiteral("plug=b275;firmware=2.1.0"));
    QCOMPARE(result.code, 0);
    QVERIFY2(result.out.contains(QStringLiteral("Writing firmware 2.2.0 to the adapter (firmware 2.1.0 now)")),
        qPrintable(result.out));
    // Not a terminal: a plain line for every tenth, ending at all of the image and the information block.
    QVERIFY(result.out.contains(QStringLiteral("Written 100% (1256 of 1256 bytes)")));
    QVERIFY(result.out.endsWith(QStringLiteral("Update successful: the adapter now runs firmware 2.2.0.\n")));

    const QByteArray info = QByteArray::fromBase64(result.state.value(QStringLiteral("firmwareInfo")).toString().toLatin1());
    const QByteArray firmware = QByteArray::fromBase64(result.state.value(QStringLiteral("firmware")).toString().toLatin1());
    QCOMPARE(info.mid(5, 3), QByteArray("\x02\x02\x00", 3));
    QCOMPARE(firmware.left(m_image.size()), m_image);
}

void TestFlashCli::catalogueFileIsWrittenAndKeptOnlyWhenItAddsUp_data()
{
    using Server = LoopbackHttpServer;
    QTest::addColumn<Server::Reply>("reply");
    QTest::addColumn<bool>("seenBefore"); // the good file was accepted for 2.2.0 before
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    // detail: the bytes sent before closing early, a trickle's pace, or the length a whole body announces.
    auto served = [](const QByteArray &body, Server::Delivery delivery = Server::Delivery::Normal,
                      int detail = -1) {
        Server::Reply reply;
        reply.body = body;
        reply.delivery = delivery;
        (delivery == Server::Delivery::Trickle ? reply.pauseMs : reply.bodyPrefix) = qMax(detail, 0);
        reply.announcedLength = delivery == Server::Delivery::Normal ? detail : -1;
        return reply;
    };

    QFile other(makeFirmware(QStringLiteral("other.rfw"), 999, QStringLiteral("9.9.9")));
    QFile changed(makeFirmware(QStringLiteral("changed.rfw"), 998, QStringLiteral("2.2.0")));
    QVERIFY(other.open(QIODevice::ReadOnly) && changed.open(QIODevice::ReadOnly));
    const QByteArray half = m_goodFile.left(m_goodFile.size() / 2);
    const QString damaged = QStringLiteral("its MD5 digest does not match");
    const QString notDownloaded = QStringLiteral("could not be downloaded");
    QTest::addRow("file of another version") << served(other.readAll()) << false << 4
                                             << QStringLiteral("carries firmware 9.9.9");
    QTest::addRow("changed file for a version seen") << served(changed.readAll()) << true << 4
                                                     << QStringLiteral("but the file first seen for it, on ");
    QTest::addRow("cut, no Content-Length") << served(half, Server::Delivery::NoContentLength) << false << 4
                                            << damaged;
    QTest::addRow("Content-Length short of the body")
        << served(m_goodFile, Server::Delivery::Normal, half.size()) << false << 4 << damaged;
    QTest::addRow("closed early") << served(m_goodFile, Server::Delivery::CloseEarly, 100) << false << 7
                                  << notDownloaded;
    QTest::addRow("trickle past the deadline")
        << served(m_goodFile, Server::Delivery::Trickle, 500) << false << 7 << notDownloaded;
}

void TestFlashCli::catalogueFileIsWrittenAndKeptOnlyWhenItAddsUp()
{
    QFETCH(LoopbackHttpServer::Reply, reply);
    QFETCH(bool, seenBefore);
    QFETCH(int, code);
    QFETCH(QString, message);
    const QString path = QStringLiteral("/firmware/0.rfw");
    const QString cached = cachedFirmware();
    const QStringList update {QStringLiteral("update"), QStringLiteral("--version"), QStringLiteral("2.2.0"),
        QStringLiteral("--yes")};
    const QString scenario = QStringLiteral("plug=b275;deadlineMs=3000");
    QFile::remove(cached);
    if (seenBefore) {
        QCOMPARE(run(update, scenario).code, 0);
        QFile::remove(cached);
    }

    m_catalogue.server()->setReply(path, reply);
    const Run refused = run(update, scenario);
    m_catalogue.server()->setBody(path, m_goodFile);
    QCOMPARE(refused.code, code);
    QVERIFY2(refused.err.contains(message), qPrintable(refused.err));
    QVERIFY(!refused.out.contains(QStringLiteral("successful")));
    QVERIFY(!refused.commands.contains(eraseCode));
    QVERIFY(!QFile::exists(cached));

    // Nothing of it was kept: the next attempt downloads the file again, and writes it.
    const int requests = m_catalogue.server()->requestCount(path);
    const Run next = run(update, scenario);
    QCOMPARE(next.code, 0);
    QCOMPARE(m_catalogue.server()->requestCount(path), requests + 1);
    QVERIFY(QFile::exists(cached)); // where the refusals above were looked for
    QVERIFY(next.out.contains(QStringLiteral("SHA-256 %1").arg(
        QString::fromLatin1(QCryptographicHash::hash(m_goodFile, QCryptographicHash::Sha256).toHex()))));
}

void TestFlashCli::pullDuringUpdateFailsWithoutSuccess_data()
{
    QTest::addColumn<int>("pulledAt");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");

    QTest::addRow("erasing") << firstUpdateCommand << 5 << QStringLiteral("erasing the adapter's flash failed");
    QTest::addRow("writing") << firstUpdateCommand + 2 + 5 << 6
                             << QStringLiteral("the update stopped after 280 of 1256 bytes");
}

void TestFlashCli::pullDuringUpdateFailsWithoutSuccess()
{
    QFETCH(int, pulledAt);
    QFETCH(int, code);
    QFETCH(QString, message);
    const Run result = run({QStringLiteral("update"), m_good}, QStringLiteral("plug=b275;pullAt=%1").arg(pulledAt));
    QCOMPARE(result.code, code);
    QVERIFY2(result.err.contains(message), qPrintable(result.err));
    QVERIFY(!result.out.contains(QStringLiteral("successful")));
}

void TestFlashCli::jsonAnswersOfInfoUpdateAndVersions()
{
    const auto answer = [](const Run &result) { return QJsonDocument::fromJson(result.out.toUtf8()).object(); };

    const QJsonObject info = answer(run({QStringLiteral("info"), QStringLiteral("--json")},
        QStringLiteral("plug=b270;firmware=2.1.3;boot=2.0.1")));
    QCOMPARE(info.value(QStringLiteral("exitCode")).toInt(-1), 0);
    QCOMPARE(info.value(QStringLiteral("productId")).toString(), QStringLiteral("0xB270"));
    QCOMPARE(info.value(QStringLiteral("firmwareVersion")).toString(), QStringLiteral("2.1.3"));
    QCOMPARE(info.value(QStringLiteral("hardwareVersion")).toString(), QStringLiteral("1.0.0"));
    QCOMPARE(info.value(QStringLiteral("bootLoaderVersion")).toString(), QStringLiteral("2.0.1"));
    QCOMPARE(info.value(QStringLiteral("blocks")).toObject(),
        QJsonObject({{QStringLiteral("deviceConfig"), QStringLiteral("valid")},
            {QStringLiteral("firmwareInfo"), QStringLiteral("valid")},
            {QStringLiteral("extraConfig"), QStringLiteral("valid")}}));

    // From the catalogue, downloaded into the window's cache, which a second run then uses.
    const QString cached = cachedFirmware();
    QFile::remove(cached);
    const QStringList fromCatalogue {QStringLiteral("update"), QStringLiteral("--version"), QStringLiteral("2.2.0"),
        QStringLiteral("--json")};
    const QJsonObject update = answer(run(fromCatalogue));
    QCOMPARE(update.value(QStringLiteral("exitCode")).toInt(-1), 0);
    QCOMPARE(update.value(QStringLiteral("firmwareVersion")).toString(), QStringLiteral("2.2.0"));
    QCOMPARE(update.value(QStringLiteral("downloaded")).toBool(), true);
    QVERIFY(QFileInfo(cached).size() > 0);
    QCOMPARE(answer(run(fromCatalogue)).value(QStringLiteral("downloaded")).toBool(), false);

    const QJsonObject versions = answer(run({QStringLiteral("versions"), QStringLiteral("--json")}));
    QCOMPARE(versions.value(QStringLiteral("source")).toString(), QStringLiteral("server"));
    const QJsonArray listed = versions.value(QStringLiteral("versions")).toArray();
    QCOMPARE(listed.size(), 1);
    QCOMPARE(listed.at(0)[QStringLiteral("version")].toString(), QStringLiteral("2.2.0"));
    QCOMPARE(listed.at(0)[QStringLiteral("changeLog")].toString(),
        QStringLiteral("Faster polling;Fixes rumble"));
    // The file accepted for it: the digest a user compares with the maker's.
    QCOMPARE(listed.at(0)[QStringLiteral("sha256")].toString(),
        QString::fromLatin1(QCryptographicHash::hash(m_goodFile, QCryptographicHash::Sha256).toHex()));
    const QString firstSeen = listed.at(0)[QStringLiteral("firstSeen")].toString();
    QVERIFY(QDateTime::fromString(firstSeen, Qt::ISODate).isValid());
    QVERIFY(!versions.contains(QStringLiteral("toolVersion")));

    // Another tool version in the catalogue: named in one line and in the answer, and the list stays as it is.
    m_catalogue.setTool(QStringLiteral("3.2.0"), QStringLiteral("Faster"), QStringLiteral("http://127.0.0.1:9/tool"));
    const Run newerTool = run({QStringLiteral("versions")});
    const QJsonObject newerToolAnswer = answer(run({QStringLiteral("versions"), QStringLiteral("--json")}));
    m_catalogue.setTool(QStringLiteral("3.1.0"));
    QCOMPARE(newerTool.code, 0);
    const QString listing = QStringLiteral("2.2.0\n    Faster polling\n    Fixes rumble\n    SHA-256 ");
    QVERIFY2(newerTool.out.startsWith(listing), qPrintable(newerTool.out));
    QCOMPARE(newerTool.err, QStringLiteral("Tavrune M4 Firmware Tool 3.2.0 is available; this one is 3.1.0.\n"));
    QCOMPARE(newerToolAnswer.value(QStringLiteral("toolVersion")).toString(), QStringLiteral("3.2.0"));
}

QString TestFlashCli::updatedAdapter()
{
    const QString updated = m_dir.filePath(QStringLiteral("updated.json"));
    if (!QFile::exists(updated) &&
        (run({QStringLiteral("update"), m_good}).code != 0 ||
            !QFile::copy(m_dir.filePath(QStringLiteral("state.json")), updated)))
        return QString();
    return QStringLiteral("plug=b275;flash=") + updated;
}

void TestFlashCli::verifyFindsTheAdapterIdenticalOrWhereItDiffers()
{
    const QString updated = updatedAdapter();
    QVERIFY(!updated.isEmpty());
    const Run same = run({QStringLiteral("verify"), m_good}, updated);
    QCOMPARE(same.code, 0);
    QVERIFY2(same.out.contains(QStringLiteral("Read 100% (1256 of 1256 bytes)")), qPrintable(same.out));
    QVERIFY(same.out.endsWith(
        QStringLiteral("Identical: the adapter holds exactly what updating with %1 writes.\n").arg(m_good)));
    // Reading only: after the three blocks of connecting, read commands alone.
    QCOMPARE(same.commands.mid(firstUpdateCommand), QByteArray(18 + 5, 'V'));

    // One byte inverted in the adapter's firmware area, found at its address.
    const QString flipped = updated + QStringLiteral(";invert=080052bc");
    const Run differs = run({QStringLiteral("verify"), m_good}, flipped);
    QCOMPARE(differs.code, 9);
    QVERIFY2(differs.out.contains(QStringLiteral("Differs: 1 of 1256 bytes are not what updating with %1 "
                                                 "writes; the first at 0x080052BC, in the firmware area.")
                                      .arg(m_good)),
        qPrintable(differs.out));
    QVERIFY(!differs.out.contains(QStringLiteral("Identical")));

    // The catalogue's file, with the facts as JSON.
    const Run json = run({QStringLiteral("verify"), QStringLiteral("--version"), QStringLiteral("2.2.0"),
                             QStringLiteral("--json")},
        flipped);
    QCOMPARE(json.code, 9);
    const QJsonObject answer = QJsonDocument::fromJson(json.out.toUtf8()).object();
    QCOMPARE(answer.value(QStringLiteral("exitCode")).toInt(-1), 9);
    QCOMPARE(answer.value(QStringLiteral("identical")).toBool(true), false);
    QCOMPARE(answer.value(QStringLiteral("firstDifference")).toString(), QStringLiteral("0x080052BC"));
    QCOMPARE(answer.value(QStringLiteral("firstDifferenceIn")).toString(), QStringLiteral("firmware"));
    QCOMPARE(answer.value(QStringLiteral("differingBytes")).toInt(), 1);
    QCOMPARE(answer.value(QStringLiteral("read")).toInt(), 1256);
    QCOMPARE(answer.value(QStringLiteral("version")).toString(), QStringLiteral("2.2.0"));
}

void TestFlashCli::pullDuringVerifyFailsWithoutAnAnswer()
{
    const QString updated = updatedAdapter();
    QVERIFY(!updated.isEmpty());
    const QString pulled = updated + QStringLiteral(";pullAt=%1").arg(firstUpdateCommand + 5);
    const Run result = run({QStringLiteral("verify"), m_good}, pulled);
    QCOMPARE(result.code, 6);
    QVERIFY2(result.err.contains(QStringLiteral("the read-back stopped after 280 of 1256 bytes")),
        qPrintable(result.err));
    QVERIFY(!result.out.contains(QStringLiteral("Identical")));
    QVERIFY(!result.out.contains(QStringLiteral("Differs")));
}

void TestFlashCli::backupWritesTheAdapterBackByteForByte()
{
    const QString updated = updatedAdapter();
    QVERIFY(!updated.isEmpty());
    const QString backup = m_dir.filePath(QStringLiteral("backup.rfw"));
    const QString newer = makeFirmware(QStringLiteral("newer.rfw"), 3000, QStringLiteral("2.3.0"));
    QFile::remove(backup);

    // Taken before the update, which then writes the newer firmware.
    const Run first = run({QStringLiteral("update"), QStringLiteral("--backup"), backup, newer}, updated);
    QCOMPARE(first.code, 0);
    QVERIFY2(first.out.contains(QStringLiteral("Read 100% (1000 of 1000 bytes)")), qPrintable(first.out));
    QVERIFY(first.out.contains(QStringLiteral("Update successful: the adapter now runs firmware 2.3.0.")));
    const Run check = run({QStringLiteral("check"), backup});
    QVERIFY2(check.out.contains(QStringLiteral("firmware 2.2.0, image of 1000 bytes: accepted")),
        qPrintable(check.err));

    // Going back: the adapter then holds exactly what the original file writes.
    QVERIFY(QFile::copy(
        m_dir.filePath(QStringLiteral("state.json")), m_dir.filePath(QStringLiteral("newer.json"))));
    const QString back = QStringLiteral("plug=b275;flash=") + m_dir.filePath(QStringLiteral("newer.json"));
    QCOMPARE(run({QStringLiteral("update"), backup}, back).code, 0);
    QVERIFY(QFile::copy(
        m_dir.filePath(QStringLiteral("state.json")), m_dir.filePath(QStringLiteral("back.json"))));
    const Run verify = run({QStringLiteral("verify"), m_good},
        QStringLiteral("plug=b275;flash=") + m_dir.filePath(QStringLiteral("back.json")));
    QCOMPARE(verify.code, 0);
}

void TestFlashCli::refusedBackupLeavesTheFileAsItWas_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QString>("file"); // relative to a folder of its own
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");

    const QString updated = updatedAdapter();
    const QString mismatch =
        QStringLiteral("the adapter's firmware does not match its information block: nothing to back up");
    const QString backup = QStringLiteral("backup.rfw");
    QTest::addRow("image differs from the block's MD5")
        << updated + QStringLiteral(";invert=08005010") << backup << 10 << mismatch;
    QTest::addRow("block's start address wrong")
        << updated + QStringLiteral(";invert=08004102") << backup << 10 << mismatch;
    QTest::addRow("block's end marker wrong")
        << updated + QStringLiteral(";invert=080041ff") << backup << 10 << mismatch;
    QTest::addRow("pulled while reading")
        << updated + QStringLiteral(";pullAt=%1").arg(firstUpdateCommand + 5 + 5) << backup << 6
        << QStringLiteral("the read stopped after 280 of 1000 bytes");
    QTest::addRow("folder not writable")
        << updated << QStringLiteral("backup.rfw/backup.rfw") << 2 << QStringLiteral("cannot be written");
}

void TestFlashCli::refusedBackupLeavesTheFileAsItWas()
{
    QFETCH(QString, scenario);
    QFETCH(QString, file);
    QFETCH(int, code);
    QFETCH(QString, message);
    QTemporaryDir folder;
    QFile previous(folder.filePath(QStringLiteral("backup.rfw")));
    QVERIFY(previous.open(QIODevice::WriteOnly) && previous.write("previous backup") == 15);
    previous.close();

    const Run result = run({QStringLiteral("backup"), folder.filePath(file)}, scenario);
    QCOMPARE(result.code, code);
    QVERIFY2(result.err.contains(message), qPrintable(result.err));
    QVERIFY(previous.open(QIODevice::ReadOnly));
    QCOMPARE(previous.readAll(), QByteArray("previous backup"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
        QStringList {QStringLiteral("backup.rfw")});
    // Reading only; and where the file cannot be written, not even that.
    QVERIFY(!result.commands.contains(eraseCode) && !result.commands.contains(writeCode));
    QVERIFY(code != 2 || result.commands.isEmpty());
}

void TestFlashCli::twoAdaptersNeedTheChoiceOfOne()
{
    const QString two = QStringLiteral("plug=b275,b270");
    const QJsonArray listed = listedAdapters(two);
    QCOMPARE(listed.size(), 2);
    QCOMPARE(
        listed.at(1).toObject().value(QStringLiteral("path")).toString(), QStringLiteral("/dev/hidraw1"));
    QCOMPARE(listed.at(1).toObject().value(QStringLiteral("productId")).toString(), QStringLiteral("0xB270"));
    QCOMPARE(listed.at(1).toObject().value(QStringLiteral("serialNumber")).toString(),
        QStringLiteral("TVR-M4-0002"));

    // Which one would be undefined: nothing is sent to either.
    const Run refused = run({QStringLiteral("update"), m_good}, two);
    QCOMPARE(refused.code, 2);
    QVERIFY2(refused.err.contains(
                 QStringLiteral("2 Tavrune M4 adapters are plugged in: choose one with --device PATH")),
        qPrintable(refused.err));
    QVERIFY(refused.commands.isEmpty());

    const Run chosen = run(
        {QStringLiteral("update"), QStringLiteral("--device"), QStringLiteral("/dev/hidraw1"), m_good}, two);
    QCOMPARE(chosen.code, 0);
    const QJsonArray infos = chosen.state.value(QStringLiteral("firmwareInfos")).toArray();
    const auto versionOf = [&](int slot) {
        return QByteArray::fromBase64(infos.at(slot).toString().toLatin1()).mid(5, 3);
    };
    QCOMPARE(versionOf(1), QByteArray("\x02\x02\x00", 3));
    QCOMPARE(versionOf(0), QByteArray("\x02\x01\x00", 3));

    const Run missing =
        run({QStringLiteral("info"), QStringLiteral("--device"), QStringLiteral("/dev/hidraw7")}, two);
    QCOMPARE(missing.code, 3);
    QVERIFY2(
        missing.err.contains(QStringLiteral("no Tavrune M4 adapter at /dev/hidraw7 (plugged in: /dev/hidraw0 "
                                            "(0xB275, serial TVR-M4-0001), /dev/hidraw1")),
        qPrintable(missing.err));
}

void TestFlashCli::waitsForTheAdapterToBePlugged()
{
    // Plugged once the first search (three product IDs, a second each) has found nothing.
    const Run plugged = run({QStringLiteral("info"), QStringLiteral("--wait"), QStringLiteral("30")},
        QStringLiteral("plugAfterMs=4500;firmware=2.3.0"));
    QCOMPARE(plugged.code, 0);
    QVERIFY2(plugged.out.contains(QStringLiteral("Firmware version:         2.3.0")), qPrintable(plugged.out));

    // Updating adapter after adapter: a run ends once its adapter has been pulled, so the next one does not
    // find it again.
    const Run loop = run({QStringLiteral("update"), QStringLiteral("--wait"), QStringLiteral("--yes"), m_good},
        QStringLiteral("plug=b275;pullAfterMs=4000"));
    QCOMPARE(loop.code, 0);
    QVERIFY(loop.out.contains(QStringLiteral("Update successful")));
    QVERIFY(loop.err.contains(QStringLiteral("Unplug the adapter to go on.")));

    const Run never = run({QStringLiteral("info"), QStringLiteral("--wait=1")}, QString());
    QCOMPARE(never.code, 3);
    QVERIFY(never.err.contains(QStringLiteral("no Tavrune M4 adapter was plugged in within 1 seconds")));
}

void TestFlashCli::windowAndCommandLineNeverShareTheAdapter()
{
    SimAdapter::reset();
    SimAdapter::plug(0xB275);
    {
        // This process has the adapter open, as the window would: the command line comes second.
        DeviceFlash window;
        QSignalSpy connected(&window, &DeviceFlash::deviceConnectStatusChanged);
        window.connected();
        QVERIFY(connected.wait(20000));
        const Run second = run({QStringLiteral("info")});
        QCOMPARE(second.code, 8);
        QVERIFY2(second.err.contains(QStringLiteral("the adapter is in use by cli_flash (PID %1)")
                                         .arg(QCoreApplication::applicationPid())),
            qPrintable(second.err));
        QVERIFY(second.commands.isEmpty());
    }

    // The command line writes a large image; the window comes second, is told once, and finds the adapter
    // once the command line has let go of it.
    const QString large = makeFirmware(QStringLiteral("large.rfw"), 120000, QStringLiteral("2.4.0"));
    QProcess flashing;
    start(flashing, {QStringLiteral("update"), large}, QStringLiteral("plug=b275;fullSpeed"));
    QVERIFY(QTest::qWaitFor([&] { return flashing.readAllStandardOutput().contains("Writing firmware"); }, 20000));
    DeviceFlash window;
    QSignalSpy inUse(&window, &DeviceFlash::adapterInUse);
    QSignalSpy connected(&window, &DeviceFlash::deviceConnectStatusChanged);
    window.connected();
    QVERIFY(inUse.wait(20000));
    QCOMPARE(inUse.at(0).at(0).toString(), QStringLiteral("tavrune-flash-sim (PID %1)").arg(flashing.processId()));
    QVERIFY(connected.isEmpty());
    QVERIFY(QTest::qWaitFor([&] { return flashing.state() == QProcess::NotRunning; }, 60000));
    QCOMPARE(flashing.exitCode(), 0);
    QVERIFY(connected.wait(20000));
    QCOMPARE(connected.at(0).at(0).toBool(), true);
    QCOMPARE(inUse.size(), 1);
}

void TestFlashCli::adapterInUseKeepsOnlyItselfFromOthers()
{
    SimAdapter::reset();
    SimAdapter::plug(0, 0xB275);
    SimAdapter::plug(1, 0xB270);
    DeviceFlash window; // this process has the first adapter open
    QSignalSpy connected(&window, &DeviceFlash::deviceConnectStatusChanged);
    window.connected();
    QVERIFY(connected.wait(20000));
    QCOMPARE(window.adapterPath(), QByteArray("/dev/hidraw0"));

    const QString two = QStringLiteral("plug=b275,b270");
    const QJsonArray listed = listedAdapters(two);
    QCOMPARE(listed.size(), 2);
    QCOMPARE(listed.at(0).toObject().value(QStringLiteral("inUseBy")).toString(),
        QStringLiteral("cli_flash (PID %1)").arg(QCoreApplication::applicationPid()));
    QVERIFY(!listed.at(1).toObject().contains(QStringLiteral("inUseBy")));
    QCOMPARE(listed.at(1).toObject().value(QStringLiteral("firmwareVersion")).toString(), QStringLiteral("2.1.0"));

    const Run other = run(
        {QStringLiteral("update"), QStringLiteral("--device"), QStringLiteral("/dev/hidraw1"), m_good}, two);
    QCOMPARE(other.code, 0);
}

// As another user's copy of the tool, or root's, whose user locks never meet this one, holds the adapter's
// node: on Linux flock(1), as any program may; on Windows, where the claim is a file that only copies of
// the tool open, this process, with the tool's own claim.
void TestFlashCli::anotherProgramHoldingTheNodeLockKeepsTheAdapter()
{
    const QString node = m_dir.filePath(QStringLiteral("hidraw7"));
    QFile nodeFile(node);
    QVERIFY(nodeFile.open(QIODevice::WriteOnly));
    nodeFile.close();
#ifdef Q_OS_WIN
    auto holder = std::make_unique<NodeLock>();
    QVERIFY(holder->tryLock(node.toLocal8Bit()));
    const auto release = [&holder] { holder.reset(); };
#else
    QProcess holder;
    holder.start(QStringLiteral("flock"), {QStringLiteral("--exclusive"), QStringLiteral("--no-fork"), node,
                                              QStringLiteral("-c"), QStringLiteral("echo held; exec sleep 60")});
    QVERIFY(holder.waitForReadyRead(10000));
    const auto release = [&holder] {
        holder.kill();
        holder.waitForFinished();
    };
#endif
    const QString scenario = QStringLiteral("plug=b275;node=") + node;

    const Run refused = run({QStringLiteral("update"), m_good}, scenario);
    release();
    const Run free = run({QStringLiteral("update"), m_good}, scenario);

    QCOMPARE(refused.code, 8);
    QVERIFY2(refused.err.contains(QStringLiteral("in use by another program")), qPrintable(refused.err));
    QVERIFY(refused.commands.isEmpty());
    QCOMPARE(free.code, 0);
}

void TestFlashCli::signalsWaitForTheWriteToEnd_data()
{
    QTest::addColumn<QList<int>>("requests");
    QTest::addColumn<bool>("writing"); // sent while the adapter is written, or while waiting for it
#ifdef Q_OS_UNIX
    QTest::addRow("SIGINT, then SIGTERM") << QList<int> {SIGINT, SIGTERM} << true;
    QTest::addRow("SIGHUP") << QList<int> {SIGHUP} << true;
    QTest::addRow("SIGTERM before the update") << QList<int> {SIGTERM} << false;
#else
    QSKIP("Windows ends a console program by console events, which a process without a console of its own never gets");
#endif
}

void TestFlashCli::signalsWaitForTheWriteToEnd()
{
    QFETCH(QList<int>, requests);
    QFETCH(bool, writing);
    const QString large = makeFirmware(QStringLiteral("signalled.rfw"), 60000, QStringLiteral("2.4.0"));
    QProcess flashing;
    start(flashing, {QStringLiteral("update"), QStringLiteral("--wait"), large},
        writing ? QStringLiteral("plug=b275;fullSpeed") : QStringLiteral("fullSpeed"));
    QByteArray out;
    const QByteArray cue = writing ? QByteArray(" 10% (") : QByteArray("Waiting for the adapter");
    QVERIFY(QTest::qWaitFor([&] {
        out += flashing.readAllStandardOutput() + flashing.readAllStandardError();
        return out.contains(cue);
    }, 30000));
#ifdef Q_OS_UNIX
    for (const int request : requests)
        ::kill(pid_t(flashing.processId()), request);
#endif
    QVERIFY(QTest::qWaitFor([&] { return flashing.state() == QProcess::NotRunning; }, 60000));
    const QString err = QString::fromUtf8(flashing.readAllStandardError());

    if (!writing) {
        QCOMPARE(flashing.exitStatus(), QProcess::CrashExit);
        return;
    }
    QCOMPARE(flashing.exitStatus(), QProcess::NormalExit);
    QCOMPARE(flashing.exitCode(), 0);
    QCOMPARE(err.count(QStringLiteral("Stopping now would leave the adapter without firmware")), 1);
    QFile state(m_dir.filePath(QStringLiteral("state.json")));
    QVERIFY(state.open(QIODevice::ReadOnly));
    const QByteArray firmware = QByteArray::fromBase64(
        QJsonDocument::fromJson(state.readAll()).object().value(QStringLiteral("firmware")).toString().toLatin1());
    QFile image(large + QStringLiteral(".image"));
    QVERIFY(image.open(QIODevice::ReadOnly));
    QCOMPARE(firmware.left(60000), image.readAll());
}

QTEST_GUILESS_MAIN(TestFlashCli)
#include "tst_flashcli.moc"
