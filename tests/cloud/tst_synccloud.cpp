// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "cloud/synccloud.h"
#include "sim/loopbackhttpserver.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QMetaEnum>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using Delivery = LoopbackHttpServer::Delivery;
using Reply = LoopbackHttpServer::Reply;
Q_DECLARE_METATYPE(LoopbackHttpServer::Delivery)
Q_DECLARE_METATYPE(LoopbackHttpServer::Reply)

// Every signal of one SyncCloud, in the order they came.
struct SignalLog
{
    explicit SignalLog(SyncCloud *cloud)
    {
        QObject::connect(cloud, &SyncCloud::syncFinshed, [this] { add(QStringLiteral("syncFinshed")); });
        QObject::connect(cloud, &SyncCloud::isSyncedChanged,
            [this](bool synced) { add(QStringLiteral("isSyncedChanged(%1)").arg(synced)); });
        QObject::connect(cloud, &SyncCloud::firmawreInfoChanged, [this](const QJsonArray &info) {
            infos.append(info);
            add(QStringLiteral("firmawreInfoChanged"));
        });
        QObject::connect(cloud, &SyncCloud::firmwareFileListChanged,
            [this] { add(QStringLiteral("firmwareFileListChanged")); });
        QObject::connect(cloud, &SyncCloud::syncError, [this](SyncCloud::SyncError error) {
            add(QString::fromLatin1(QMetaEnum::fromType<SyncCloud::SyncError>().valueToKey(error)));
        });
        QObject::connect(cloud, &SyncCloud::downloadFirmwareProgress, [this](qint64 received, qint64 total) {
            progress.append({received, total});
            if (sequence.value(sequence.size() - 1) != QLatin1String("progress"))
                sequence.append(QStringLiteral("progress"));
        });
    }
    void add(const QString &event)
    {
        events.append(event);
        sequence.append(event);
    }

    QStringList events; // every signal but the progress reports
    QStringList sequence; // every signal, each run of progress reports as one "progress"
    QList<QPair<qint64, qint64>> progress;
    QList<QJsonArray> infos; // the arguments of firmawreInfoChanged
};

static QString cacheDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

static QString iniPath()
{
    return cacheDir() + QStringLiteral("/tavruneflashtool.ini");
}

static QByteArray fileContent(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The settings file as text: Windows ends its lines with CR LF.
static QByteArray iniContent()
{
    QFile file(iniPath());
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? file.readAll() : QByteArray();
}

static void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// Every file below dir, by path relative to it.
static QStringList filesBelow(const QString &dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(dir).relativeFilePath(it.next()));
    files.sort();
    return files;
}

// A well-formed firmware file carrying 2.2.0.
static QByteArray sampleFirmware()
{
    QFile file(QStringLiteral(SAMPLE_FIRMWARE_DIR "/2.2.0.rfw"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

static QJsonObject entry(const QString &version, const QString &download, const QString &info = QString())
{
    return {{QStringLiteral("version"), version}, {QStringLiteral("download"), download},
        {QStringLiteral("info"), info}};
}

static QByteArray catalogue(const QJsonArray &firmware)
{
    const QJsonObject tool {{QStringLiteral("version"), QStringLiteral("3.2.0")},
        {QStringLiteral("info"), QStringLiteral("faster")},
        {QStringLiteral("windowsURL"), QStringLiteral("http://example.invalid/tool")}};
    return QJsonDocument(
        QJsonObject {{QStringLiteral("flashTool"), tool}, {QStringLiteral("firmware"), firmware}})
        .toJson();
}

static const QString cataloguePath = QStringLiteral("/download/tavrune-m4/tavrune-m4.json");

static void runCatalogueRequest(SyncCloud *cloud)
{
    QSignalSpy finished(cloud, &SyncCloud::syncFinshed);
    cloud->getInformation();
    QVERIFY(finished.wait(10000));
}

class TestSyncCloud : public QObject
{
    Q_OBJECT

private:
    // A SyncCloud that has fetched a catalogue with firmware from server.
    std::unique_ptr<SyncCloud> syncedCloud(LoopbackHttpServer &server, const QJsonArray &firmware)
    {
        server.setBody(cataloguePath, catalogue(firmware));
        auto cloud = std::make_unique<SyncCloud>(QUrl(server.baseUrl()));
        runCatalogueRequest(cloud.get());
        return cloud;
    }
    // Leaves firmware cached in the settings file, as a previous run would.
    void primeCache(const QJsonArray &firmware)
    {
        LoopbackHttpServer server;
        syncedCloud(server, firmware);
        QVERIFY(iniContent().contains("FirmwareInfo"));
    }
    QUrl unreachable() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(LoopbackHttpServer::closedPort()));
    }

    QTemporaryDir m_home;
    const QJsonArray m_firmware {
        entry(QStringLiteral("1.0.0"), QStringLiteral("/fw/100.rfw"), QStringLiteral("first")),
        entry(QStringLiteral("1.1.0"), QStringLiteral("/fw/110.rfw"), QStringLiteral("a;b"))};

private slots:
    void initTestCase()
    {
        // A home of its own, so that no other suite running at the same time shares the data folder.
        qputenv("HOME", m_home.path().toLocal8Bit());
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("Tavrune"));
        QCoreApplication::setApplicationName(QStringLiteral("Tavrune M4 Firmware Tool"));
#ifdef Q_OS_WIN
        // Windows keeps application data in the user's AppData folder whatever HOME says: test mode keeps the
        // suite's apart from the tool's, and CTest runs the Windows suites one at a time.
        QVERIFY(cacheDir().contains(QStringLiteral("/qttest/")));
#else
        QVERIFY(cacheDir().startsWith(m_home.path()));
#endif
        QVERIFY(cacheDir().endsWith(QStringLiteral("/Tavrune/Tavrune M4 Firmware Tool")));
    }
    void init()
    {
        QFile::remove(cacheDir()); // a test may leave a file in the folder's place
        QVERIFY(QDir(cacheDir()).removeRecursively());
    }

    void settingsFileAppearsOnlyWithTheFirstWrite()
    {
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(QStringLiteral("^Created directory\\. ")));
        auto cloud = std::make_unique<SyncCloud>();
        QVERIFY(QFileInfo(cacheDir()).isDir());
        QCOMPARE(cloud->currentLanguage(), 0);
        QVERIFY(!QFile::exists(iniPath()));

        cloud->setCurrentLanguage(4);
        cloud.reset();
        QCOMPARE(iniContent(), QByteArray("[General]\nCurrentLanguage=4\n"));
        QCOMPARE(SyncCloud().currentLanguage(), 4);
    }

    void languageThatIsNotANumberIsEnglish()
    {
        writeFile(iniPath(), "[General]\nCurrentLanguage=French\n");
        QCOMPARE(SyncCloud().currentLanguage(), 0);
    }

    void firmwareInfoIsStoredAsIndentedJsonByteArray()
    {
        QJsonArray firmware = m_firmware;
        firmware.append(
            entry(QStringLiteral("2.0.0"), QStringLiteral("/fw/200.rfw"), QStringLiteral("修复; Ошибка")));
        primeCache(firmware);

        const QByteArray indented = QJsonDocument(firmware).toJson(QJsonDocument::Indented);
        QSettings ini(iniPath(), QSettings::IniFormat);
        QCOMPARE(ini.value(QStringLiteral("FirmwareInfo")).toByteArray(), indented);
        // Qt's own notation for byte arrays, in the general section, 7-bit clean: what every Qt build reads.
        const QByteArray text = iniContent();
        QVERIFY2(
            text.startsWith("[General]\nFirmwareInfo=\"@ByteArray([\\n    {\\n        \\\"download\\\": "),
            text.constData());
        for (const char c : text)
            QVERIFY((c > 0 && c < 0x7f) || c == '\n');

        // The next run without network offers exactly that list.
        SyncCloud cloud(unreachable());
        SignalLog log(&cloud);
        runCatalogueRequest(&cloud);
        QCOMPARE(log.events,
            QStringList({QStringLiteral("SyncError_LocalCacheUsed"), QStringLiteral("firmawreInfoChanged"),
                QStringLiteral("syncFinshed")}));
        QCOMPARE(log.infos.value(0), firmware);
        QCOMPARE(cloud.firmwareChangeLog(2), QStringLiteral("修复; Ошибка"));
        QVERIFY(cloud.flashToolInfo().isEmpty());
        QVERIFY(!cloud.isSynced());
        QCOMPARE(iniContent(), text);
    }

    void languageChangeLeavesFirmwareInfoAlone()
    {
        primeCache(m_firmware);
        const QByteArray before = iniContent();
        SyncCloud(unreachable()).setCurrentLanguage(2);
        const QByteArray after = iniContent();
        QCOMPARE(QString::fromLatin1(after),
            QString::fromLatin1(before).replace(
                QStringLiteral("[General]\n"), QStringLiteral("[General]\nCurrentLanguage=2\n")));
    }

    void unusableCachedListCountsAsFirstRun_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addRow("no settings file") << QByteArray();
        QTest::addRow("no FirmwareInfo") << QByteArray("[General]\nCurrentLanguage=1\n");
        QTest::addRow("not JSON") << QByteArray("[General]\nFirmwareInfo=@ByteArray([{\"version\":)\n");
        QTest::addRow("an object") << QByteArray("[General]\nFirmwareInfo=@ByteArray({\"version\":1})\n");
        QTest::addRow("empty array") << QByteArray("[General]\nFirmwareInfo=@ByteArray([])\n");
    }
    void unusableCachedListCountsAsFirstRun()
    {
        QFETCH(QByteArray, ini);
        if (!ini.isEmpty())
            writeFile(iniPath(), ini);
        SyncCloud cloud(unreachable());
        SignalLog log(&cloud);
        runCatalogueRequest(&cloud);
        QCOMPARE(log.events,
            QStringList({QStringLiteral("SyncError_FirstRunError"), QStringLiteral("syncFinshed")}));
        QVERIFY(cloud.firmwareVersions().isEmpty());
        QVERIFY(!cloud.isSynced());
    }

    void failedCatalogueRequest_data()
    {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<bool>("reachable");
        Reply reply;
        reply.body = catalogue(m_firmware);
        QTest::addRow("unreachable server") << reply << false;
        Reply status = reply;
        status.status = 404;
        QTest::addRow("HTTP 404") << status << true;
        status.status = 500;
        QTest::addRow("HTTP 500") << status << true;
        status.status = 301;
        status.headers = {"Location: /elsewhere.json"};
        QTest::addRow("redirect, not followed") << status << true;
        Reply cut = reply;
        cut.delivery = Delivery::CloseEarly;
        cut.bodyPrefix = 20;
        QTest::addRow("connection closed mid-body") << cut << true;
        Reply stall = reply;
        stall.delivery = Delivery::Stall;
        QTest::addRow("server stalls") << stall << true;
        Reply huge = reply;
        huge.delivery = Delivery::Stall;
        huge.announcedLength = SyncCloud::MaxReplySize + 1;
        huge.bodyPrefix = 20;
        QTest::addRow("body announced far too large") << huge << true;
    }
    void failedCatalogueRequest()
    {
        QFETCH(Reply, reply);
        QFETCH(bool, reachable);
        for (const bool cached : {false, true}) {
            QVERIFY(QDir(cacheDir()).removeRecursively());
            if (cached)
                primeCache(m_firmware);
            const QByteArray ini = iniContent();

            LoopbackHttpServer server;
            server.setReply(cataloguePath, reply);
            server.setBody(QStringLiteral("/elsewhere.json"), catalogue({}));
            SyncCloud cloud(reachable ? QUrl(server.baseUrl()) : unreachable());
            cloud.setTransferTimeout(1500);
            SignalLog log(&cloud);
            runCatalogueRequest(&cloud);

            if (cached) {
                QCOMPARE(log.events,
                    QStringList({QStringLiteral("SyncError_LocalCacheUsed"),
                        QStringLiteral("firmawreInfoChanged"), QStringLiteral("syncFinshed")}));
                QCOMPARE(log.infos.value(0), m_firmware);
            } else {
                QCOMPARE(log.events,
                    QStringList({QStringLiteral("SyncError_FirstRunError"), QStringLiteral("syncFinshed")}));
            }
            QCOMPARE(cloud.firmwareVersions().size(), cached ? 2 : 0);
            QVERIFY(!cloud.isSynced());
            QVERIFY(cloud.flashToolInfo().isEmpty());
            QCOMPARE(iniContent(), ini);
            QCOMPARE(server.requestCount(QStringLiteral("/elsewhere.json")), 0);
        }
    }

    void catalogueFillsListAndToolInformation()
    {
        LoopbackHttpServer server;
        server.setBody(cataloguePath, catalogue(m_firmware));
        // Only the scheme, host and port of the base address count.
        SyncCloud cloud(QUrl(server.baseUrl() + QStringLiteral("/elsewhere/?q=1#f")));
        QCOMPARE(cloud.transferTimeout(), SyncCloud::TransferTimeoutMs);
        SignalLog log(&cloud);
        runCatalogueRequest(&cloud);

        QCOMPARE(log.events,
            QStringList({QStringLiteral("isSyncedChanged(1)"), QStringLiteral("firmawreInfoChanged"),
                QStringLiteral("syncFinshed")}));
        QCOMPARE(log.infos.value(0), m_firmware);
        QCOMPARE(server.requestCount(cataloguePath), 1);
        QVERIFY(cloud.isSynced());
        QCOMPARE(cloud.flashToolInfo().value(QStringLiteral("version")).toString(), QStringLiteral("3.2.0"));
        QCOMPARE(cloud.firmwareVersions(), QStringList({QStringLiteral("1.0.0"), QStringLiteral("1.1.0")}));
        QCOMPARE(cloud.firmwareChangeLog(1), QStringLiteral("a;b"));
        QCOMPARE(cloud.firmwareChangeLog(2), QString());
        QCOMPARE(cloud.firmwareChangeLog(-1), QString());
    }

    void catalogueComesFromTheConfiguredServerByDefault()
    {
        // Sees the address asked for and sends the request nowhere.
        struct AddressProbe : SyncCloud
        {
            QNetworkReply *createRequest(
                Operation op, const QNetworkRequest &request, QIODevice *data) override
            {
                addresses.append(request.url());
                return SyncCloud::createRequest(op, QNetworkRequest(), data);
            }
            QList<QUrl> addresses;
        } cloud;
        runCatalogueRequest(&cloud);
        QCOMPARE(cloud.addresses,
            QList<QUrl>({QUrl(
                QStringLiteral("http://" TAVRUNE_DOWNLOAD_HOST "/download/tavrune-m4/tavrune-m4.json"))}));
    }

    void sameListLeavesSettingsFileUntouched()
    {
        // Written by hand in a form this program never writes: any rewrite would show.
        const QByteArray ini = "[General]\nCurrentLanguage=3\nFirmwareInfo=\"@ByteArray(" +
            QJsonDocument(m_firmware).toJson(QJsonDocument::Compact).replace('"', "\\\"") + ")\"\n";
        writeFile(iniPath(), ini);
        LoopbackHttpServer server;
        {
            auto cloud = syncedCloud(server, m_firmware);
            QCOMPARE(cloud->firmwareVersions().size(), 2);
        }
        QCOMPARE(iniContent(), ini);
    }

    void unusableCatalogueKeepsCachedList_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addRow("empty body") << QByteArray();
        QTest::addRow("an array") << QByteArray("[]");
        QTest::addRow("an empty object") << QByteArray("{}");
        QTest::addRow("not JSON") << QByteArray("<html>maintenance</html>");
        QTest::addRow("cut-off JSON") << catalogue(m_firmware).left(40);
        QTest::addRow("a string") << QByteArray("\"firmware\"");
        QTest::addRow("deeply nested") << QByteArray(100000, '[') + QByteArray(100000, ']');
        QTest::addRow("binary") << QByteArray("\0\xff\xfe{", 4);
    }
    void unusableCatalogueKeepsCachedList()
    {
        QFETCH(QByteArray, body);
        primeCache(m_firmware);
        const QByteArray ini = iniContent();
        LoopbackHttpServer server;
        server.setBody(cataloguePath, body);
        SyncCloud cloud(QUrl(server.baseUrl()));
        SignalLog log(&cloud);
        runCatalogueRequest(&cloud);

        QCOMPARE(log.events,
            QStringList({QStringLiteral("isSyncedChanged(1)"), QStringLiteral("SyncError_InformationError"),
                QStringLiteral("syncFinshed")}));
        QVERIFY(cloud.isSynced());
        QCOMPARE(cloud.firmwareVersions().size(), 2);
        QVERIFY(cloud.flashToolInfo().isEmpty());
        QCOMPARE(iniContent(), ini);
    }

    void catalogueWithoutFirmwareArrayEmptiesList_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addRow("no firmware member") << QByteArray("{\"flashTool\":{\"version\":\"3.1.0\"}}");
        QTest::addRow("firmware is a string") << QByteArray("{\"firmware\":\"1.0.0\"}");
        QTest::addRow("firmware is an object") << QByteArray("{\"firmware\":{\"version\":\"1.0.0\"}}");
    }
    void catalogueWithoutFirmwareArrayEmptiesList()
    {
        QFETCH(QByteArray, body);
        primeCache(m_firmware);
        LoopbackHttpServer server;
        server.setBody(cataloguePath, body);
        {
            SyncCloud cloud(QUrl(server.baseUrl()));
            SignalLog log(&cloud);
            runCatalogueRequest(&cloud);
            QCOMPARE(log.events,
                QStringList({QStringLiteral("isSyncedChanged(1)"), QStringLiteral("firmawreInfoChanged"),
                    QStringLiteral("syncFinshed")}));
            QCOMPARE(log.infos.value(0), QJsonArray());
            QVERIFY(cloud.firmwareVersions().isEmpty());
        }
        SyncCloud offline(unreachable());
        SignalLog log(&offline);
        runCatalogueRequest(&offline);
        QCOMPARE(log.events,
            QStringList({QStringLiteral("SyncError_FirstRunError"), QStringLiteral("syncFinshed")}));
    }

    void malformedEntriesReadAsEmpty()
    {
        LoopbackHttpServer server;
        const QJsonArray firmware {QJsonObject {{QStringLiteral("version"), QStringLiteral("1.0.0")}}, 42,
            QStringLiteral("1.1.0"),
            QJsonObject {{QStringLiteral("version"), 7}, {QStringLiteral("info"), QJsonArray {1}}}};
        auto cloud = syncedCloud(server, firmware);
        QCOMPARE(cloud->firmwareVersions(),
            QStringList({QStringLiteral("1.0.0"), QString(), QString(), QString()}));
        for (int i = 0; i < firmware.size(); ++i)
            QCOMPARE(cloud->firmwareChangeLog(i), QString());

        // No "download": the request fails at once.
        SignalLog log(cloud.get());
        QCOMPARE(cloud->getFirmware(0), QString());
        QCOMPARE(log.events,
            QStringList(
                {QStringLiteral("SyncError_ChecksumError"), QStringLiteral("SyncError_NetworkError")}));
        // No "version" at all: no file name, no request.
        QCOMPARE(cloud->getFirmware(1), QString());
        QCOMPARE(log.events.size(), 3);
        QCOMPARE(server.requestCount(), 1);
    }

    void cachedFileIsReturnedWithoutRequest()
    {
        LoopbackHttpServer server;
        auto cloud = syncedCloud(server, {entry(QStringLiteral("2.2.0"), server.url(QStringLiteral("/fw")))});
        const QString path = cacheDir() + QStringLiteral("/Firmware_V2.2.0.rfw");
        writeFile(path, sampleFirmware());
        SignalLog log(cloud.get());
        QCOMPARE(cloud->getFirmware(0), path);
        QVERIFY(log.sequence.isEmpty());
        QCOMPARE(server.requestCount(), 1);
        QCOMPARE(fileContent(path), sampleFirmware());
    }

    void downloadFillsCacheOnce_data()
    {
        QTest::addColumn<Delivery>("delivery");
        QTest::addRow("with Content-Length") << Delivery::Normal;
        QTest::addRow("without Content-Length") << Delivery::NoContentLength;
    }
    void downloadFillsCacheOnce()
    {
        QFETCH(Delivery, delivery);
        LoopbackHttpServer server;
        QJsonArray firmware {entry(QStringLiteral("2.2.0"), server.url(QStringLiteral("/fw/a.rfw"))),
            entry(QStringLiteral("2.2.0"), server.url(QStringLiteral("/fw/b.rfw")))};
        auto cloud = syncedCloud(server, firmware);
        const QString path = cacheDir() + QStringLiteral("/Firmware_V2.2.0.rfw");
        writeFile(path, QByteArray()); // an empty file is no cached file
        Reply reply;
        reply.body = sampleFirmware();
        reply.delivery = delivery;
        reply.pauseMs = 400;
        server.setReply(QStringLiteral("/fw/a.rfw"), reply);

        SignalLog log(cloud.get());
        QCOMPARE(cloud->getFirmware(0), path);
        QCOMPARE(log.sequence,
            QStringList({QStringLiteral("SyncError_ChecksumError"), QStringLiteral("progress"),
                QStringLiteral("firmwareFileListChanged")}));
        QCOMPARE(fileContent(path), reply.body);
        const qint64 total = delivery == Delivery::Normal ? reply.body.size() : -1;
        // Qt itself reports the size as the total once a body of unknown length has ended.
        QCOMPARE(log.progress.last(), qMakePair(qint64(reply.body.size()), qint64(reply.body.size())));
        QVERIFY(log.progress.size() >= 2);
        for (int i = 0; i + 1 < log.progress.size(); ++i)
            QCOMPARE(log.progress.at(i).second, total);

        // The second entry names the same version, so the same file serves it.
        QCOMPARE(cloud->getFirmware(1), path);
        QCOMPARE(server.requestCount(QStringLiteral("/fw/a.rfw")), 1);
        QCOMPARE(server.requestCount(QStringLiteral("/fw/b.rfw")), 0);
        QCOMPARE(log.events.size(), 2);
        QCOMPARE(filesBelow(cacheDir()),
            QStringList({QStringLiteral("Firmware_V2.2.0.rfw"), QLatin1String(FirmwareDigests::FileName),
                QStringLiteral("tavruneflashtool.ini")}));
    }

    void largestAcceptedBodyIsCheckedAndNotKept()
    {
        LoopbackHttpServer server;
        auto cloud = syncedCloud(server, {entry(QStringLiteral("9"), server.url(QStringLiteral("/fw")))});
        server.setBody(QStringLiteral("/fw"), QByteArray(SyncCloud::MaxReplySize, 'x'));
        QCOMPARE(cloud->getFirmware(0), QString());
        QCOMPARE(cloud->firmwareRefusal().fault, FirmwareFile::Fault_Digest);
        QVERIFY(!QFile::exists(cacheDir() + QStringLiteral("/Firmware_V9.rfw")));
    }

    void failedDownloadLeavesNoFile_data()
    {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<QString>("download");
        QTest::addColumn<QString>("error");
        const QString network = QStringLiteral("SyncError_NetworkError");
        const QString fail = QStringLiteral("SyncError_DownloadFail");
        const QString served = QStringLiteral("/fw/x.rfw");
        Reply good;
        good.body = QByteArray(4096, 'F');

        Reply reply = good;
        reply.status = 404;
        QTest::addRow("HTTP 404") << reply << served << network;
        reply.status = 503;
        QTest::addRow("HTTP 503") << reply << served << network;
        reply.status = 302;
        reply.headers = {"Location: /fw/good.rfw"};
        QTest::addRow("redirect, not followed") << reply << served << network;
        QTest::addRow("unreachable server")
            << good << QStringLiteral("http://127.0.0.1:%1/fw/x.rfw").arg(LoopbackHttpServer::closedPort())
            << network;
        QTest::addRow("no address") << good << QString() << network;
        QTest::addRow("local file address")
            << good << QUrl::fromLocalFile(QStringLiteral(__FILE__)).toString() << network;
        reply = good;
        reply.delivery = Delivery::CloseEarly;
        reply.bodyPrefix = 1000;
        QTest::addRow("connection closed mid-body") << reply << served << network;
        reply.delivery = Delivery::Stall;
        QTest::addRow("server stalls mid-body") << reply << served << network;
        reply = good;
        reply.body.clear();
        QTest::addRow("empty body") << reply << served << fail;
        reply.delivery = Delivery::NoContentLength;
        QTest::addRow("empty body without Content-Length") << reply << served << fail;
        reply = good;
        reply.body = QByteArray(SyncCloud::MaxReplySize + 1, 'F');
        reply.delivery = Delivery::NoContentLength;
        QTest::addRow("body past the size limit") << reply << served << fail;
        reply = good;
        reply.delivery = Delivery::Stall;
        reply.announcedLength = 1LL << 40;
        reply.bodyPrefix = 1000;
        QTest::addRow("body announced past the size limit") << reply << served << fail;
    }
    void failedDownloadLeavesNoFile()
    {
        QFETCH(Reply, reply);
        QFETCH(QString, download);
        QFETCH(QString, error);
        LoopbackHttpServer server;
        server.setReply(QStringLiteral("/fw/x.rfw"), reply);
        server.setBody(QStringLiteral("/fw/good.rfw"), "good");
        const QString address = download.startsWith(QLatin1Char('/')) ? server.url(download) : download;
        auto cloud = syncedCloud(server, {entry(QStringLiteral("3.0.0"), address)});
        cloud->setTransferTimeout(1500);
        SignalLog log(cloud.get());

        QCOMPARE(cloud->getFirmware(0), QString());
        QCOMPARE(log.events, QStringList({QStringLiteral("SyncError_ChecksumError"), error}));
        QCOMPARE(filesBelow(cacheDir()), QStringList({QStringLiteral("tavruneflashtool.ini")}));
        QCOMPARE(server.requestCount(QStringLiteral("/fw/good.rfw")), 0);
    }

    void unsafeVersionNeverBecomesAPath_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addRow("empty") << QString();
        QTest::addRow("dot") << QStringLiteral(".");
        QTest::addRow("dot dot") << QStringLiteral("..");
        QTest::addRow("parent path") << QStringLiteral("/../../../escaped");
        QTest::addRow("sub-directory") << QStringLiteral("1.0/beta");
        QTest::addRow("backslash") << QStringLiteral("..\\..\\escaped");
        QTest::addRow("NUL") << QString::fromUtf8("1.0\0x", 5);
        QTest::addRow("line feed") << QStringLiteral("1.0\n");
        QTest::addRow("DEL") << QStringLiteral("1.0\x7f");
        QTest::addRow("drive or stream") << QStringLiteral("1.0:evil");
        QTest::addRow("wildcard") << QStringLiteral("1.*");
    }
    void unsafeVersionNeverBecomesAPath()
    {
        QFETCH(QString, version);
        LoopbackHttpServer server;
        server.setBody(QStringLiteral("/fw"), "firmware");
        auto cloud = syncedCloud(server, {entry(version, server.url(QStringLiteral("/fw")))});
        const QStringList before = filesBelow(m_home.path());
        SignalLog log(cloud.get());

        QCOMPARE(cloud->getFirmware(0), QString());
        QCOMPARE(log.sequence, QStringList({QStringLiteral("SyncError_ChecksumError")}));
        QCOMPARE(server.requestCount(QStringLiteral("/fw")), 0);
        QCOMPARE(filesBelow(m_home.path()), before);
    }

    void indexOutsideListDoesNothing_data()
    {
        QTest::addColumn<int>("index");
        QTest::addRow("empty version list") << -1;
        QTest::addRow("past the end") << 2;
    }
    void indexOutsideListDoesNothing()
    {
        QFETCH(int, index);
        LoopbackHttpServer server;
        auto cloud = syncedCloud(server, m_firmware);
        SignalLog log(cloud.get());
        QCOMPARE(cloud->getFirmware(index), QString());
        QVERIFY(log.sequence.isEmpty());
        QCOMPARE(server.requestCount(), 1);
    }

    void unusableCacheDirectoryIsOnlyReported()
    {
        writeFile(cacheDir(), "a file where the folder belongs");
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(QStringLiteral("^Failed to create directory\\. ")));
        LoopbackHttpServer server;
        server.setBody(QStringLiteral("/fw"), "firmware");
        auto cloud = syncedCloud(server, {entry(QStringLiteral("1"), server.url(QStringLiteral("/fw")))});
        QCOMPARE(cloud->firmwareVersions(), QStringList({QStringLiteral("1")}));
        QCOMPARE(cloud->currentLanguage(), 0);

        SignalLog log(cloud.get());
        QCOMPARE(cloud->getFirmware(0), QString());
        QCOMPARE(log.events, QStringList({QStringLiteral("SyncError_ChecksumError")}));
        QCOMPARE(server.requestCount(QStringLiteral("/fw")), 1);
        QVERIFY(QFileInfo(cacheDir()).isFile());
    }

    void quittingDuringDownloadAbandonsIt()
    {
        LoopbackHttpServer server;
        Reply stall;
        stall.body = QByteArray(4096, 'F');
        stall.delivery = Delivery::Stall;
        stall.bodyPrefix = 100;
        server.setReply(QStringLiteral("/fw"), stall);
        auto cloud = syncedCloud(server, {entry(QStringLiteral("1"), server.url(QStringLiteral("/fw")))});
        SignalLog log(cloud.get());

        // Quitting ends every running event loop, the download's included, before its reply finishes.
        QString result = QStringLiteral("not returned");
        QTimer::singleShot(0, this, [&] { result = cloud->getFirmware(0); });
        QTimer::singleShot(300, QCoreApplication::instance(), &QCoreApplication::quit);
        QCoreApplication::exec();
        QCOMPARE(result, QString());
        QTest::qWait(100); // lets the abandoned reply be deleted
        QCOMPARE(log.events, QStringList({QStringLiteral("SyncError_ChecksumError")}));
        QCOMPARE(filesBelow(cacheDir()), QStringList({QStringLiteral("tavruneflashtool.ini")}));
    }

    void syncErrorTravelsQueued()
    {
        SyncCloud cloud(unreachable());
        QList<SyncCloud::SyncError> received;
        connect(
            &cloud, &SyncCloud::syncError, this, [&](SyncCloud::SyncError error) { received.append(error); },
            Qt::QueuedConnection);
        runCatalogueRequest(&cloud);
        QTRY_COMPARE(received, QList<SyncCloud::SyncError>({SyncCloud::SyncError_FirstRunError}));
        QCOMPARE(QMetaType::type("SyncError"), qMetaTypeId<SyncCloud::SyncError>());
    }
};

QTEST_GUILESS_MAIN(TestSyncCloud)
#include "tst_synccloud.moc"
