// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "device/deviceflash.h"
#include "tests/device/logcapture.h"
#include "tests/device/signalrecorder.h"
#include "sim/simadapter.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(SimAdapter::Fault)

namespace {

constexpr quint16 product = 0xB275;
constexpr quint32 firmwareAddress = 0x08005000;
constexpr quint32 infoAddress = 0x08004100;

QByteArray command(quint8 code, quint32 address, quint16 length, const QByteArray &data = QByteArray())
{
    QByteArray report(65, '\0');
    report[1] = 0x04;
    report[2] = char(code);
    qToLittleEndian<quint32>(address, report.data() + 3);
    qToLittleEndian<quint16>(length, report.data() + 7);
    report.replace(9, data.size(), data);
    return report;
}

QByteArray eraseCommand(quint32 address, quint32 length)
{
    QByteArray data(8, '\0');
    qToLittleEndian<quint32>(address, data.data());
    qToLittleEndian<quint32>(length, data.data() + 4);
    return command(0x55, 0, 8, data);
}

QList<QByteArray> chunkCommands(quint8 code, quint32 address, const QByteArray &bytes)
{
    QList<QByteArray> commands;
    for (int offset = 0; offset < bytes.size(); offset += 56) {
        const QByteArray chunk = bytes.mid(offset, 56);
        commands << command(
            code, address + quint32(offset), quint16(chunk.size()), code == 0x57 ? chunk : QByteArray());
    }
    return commands;
}

QList<QByteArray> readBackCommands()
{
    return chunkCommands(0x56, infoAddress, QByteArray(256, '\0'));
}

// The information block as the adapter must hold it after an update.
QByteArray infoBlock(const QByteArray &image, quint8 major, quint8 minor, quint8 patch)
{
    QByteArray block(256, '\0');
    block[0] = char(0x55);
    qToLittleEndian<quint32>(firmwareAddress, block.data() + 1);
    block[5] = char(major);
    block[6] = char(minor);
    block[7] = char(patch);
    qToLittleEndian<quint32>(quint32(image.size()), block.data() + 8);
    block.replace(12, 16, QCryptographicHash::hash(image, QCryptographicHash::Md5));
    block[255] = char(0xAA);
    return block;
}

// Every exchange of a complete update, in order.
QList<QByteArray> updateCommands(const QByteArray &image, const QByteArray &block)
{
    return QList<QByteArray> {
               eraseCommand(infoAddress, 256), eraseCommand(firmwareAddress, quint32(image.size()))} +
        chunkCommands(0x57, firmwareAddress, image) + chunkCommands(0x57, infoAddress, block) +
        readBackCommands();
}

// The write progress of the first chunks of an update of an image of imageSize bytes.
QStringList progressEvents(int imageSize, int chunks)
{
    QStringList events;
    const int total = imageSize + 256;
    int written = 0;
    for (int i = 0; i < chunks; ++i) {
        written += written < imageSize ? qMin(56, imageSize - written) : qMin(56, total - written);
        events << QStringLiteral("write %1/%2").arg(written).arg(total);
    }
    return events;
}

QString storeEvent(int imageSize)
{
    return QStringLiteral("store 0/%1").arg(imageSize + 256);
}

QByteArray randomImage(int size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray image(size, '\0');
    for (char &byte : image)
        byte = char(generator.bounded(256));
    return image;
}

} // namespace

class TestFirmwareUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void updateWritesImageAndInformationBlock_data();
    void updateWritesImageAndInformationBlock();
    void updateWithCurrentVersionPublishesNoVersion();
    void badFileLeavesAdapterUntouched_data();
    void badFileLeavesAdapterUntouched();
    void closedAdapterReportsOnlyAnEmptyFile_data();
    void closedAdapterReportsOnlyAnEmptyFile();
    void faultStopsUpdateCleanly_data();
    void faultStopsUpdateCleanly();
    void noInterruptionLeavesAValidBlockOverOtherFirmware_data();
    void noInterruptionLeavesAValidBlockOverOtherFirmware();
    void updatesRunOneAfterTheOtherWhileBusy();

private:
    // Makes a firmware file with mkrfw; empty when mkrfw fails.
    QString makeFirmware(const QByteArray &image, const QString &version, const QStringList &options = {});
    QString writeFile(const QByteArray &content);
    // Waits until tasks device tasks have ended, as the window learns it: busy false.
    static bool waitUntilFinished(const SignalRecorder &recorder, int tasks = 1);
    bool logged(const QString &line) const { return !m_log->lines(line).isEmpty(); }

    QTemporaryDir m_dir;
    int m_fileCount = 0;
    std::unique_ptr<LogCapture> m_log;
    std::unique_ptr<DeviceFlash> m_device;
    std::unique_ptr<SignalRecorder> m_recorder;
    QByteArray m_oldBlock; // the information block the adapter holds before each update
};

void TestFirmwareUpdate::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

// An adapter at firmware 2.1.0, open and read as the search task leaves it.
void TestFirmwareUpdate::init()
{
    SimAdapter::reset();
    SimAdapter::plug(product);
    m_log = std::make_unique<LogCapture>();
    m_device = std::make_unique<DeviceFlash>();
    QVERIFY(m_device->open(SimAdapter::VendorId, product));
    m_device->bindHandle();
    m_device->readDeviceConfig();
    QCOMPARE(m_device->version(), QStringLiteral("2.1.0"));
    m_oldBlock = SimAdapter::flash(infoAddress, 256);
    SimAdapter::clearTranscript();
    m_recorder = std::make_unique<SignalRecorder>(m_device.get());
}

void TestFirmwareUpdate::cleanup()
{
    m_recorder.reset();
    m_device.reset();
    m_log.reset();
}

QString TestFirmwareUpdate::makeFirmware(
    const QByteArray &image, const QString &version, const QStringList &options)
{
    const QString imagePath = m_dir.filePath(QStringLiteral("image%1.bin").arg(m_fileCount));
    const QString output = m_dir.filePath(QStringLiteral("firmware%1.rfw").arg(m_fileCount++));
    QFile file(imagePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(image) != image.size())
        return QString();
    file.close();

    QProcess maker;
    maker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    maker.start(QStringLiteral(MKRFW_PATH),
        QStringList {QStringLiteral("--image"), imagePath, QStringLiteral("--version"), version} + options +
            QStringList {output});
    if (!maker.waitForFinished(30000) || maker.exitStatus() != QProcess::NormalExit || maker.exitCode() != 0)
        return QString();
    return output;
}

QString TestFirmwareUpdate::writeFile(const QByteArray &content)
{
    const QString path = m_dir.filePath(QStringLiteral("file%1.rfw").arg(m_fileCount++));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return QString();
    return path;
}

bool TestFirmwareUpdate::waitUntilFinished(const SignalRecorder &recorder, int tasks)
{
    return QTest::qWaitFor(
        [&] { return recorder.events.count(QStringLiteral("busy false")) >= tasks; }, 20000);
}

void TestFirmwareUpdate::updateWritesImageAndInformationBlock_data()
{
    QTest::addColumn<int>("imageSize");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QStringList>("options");

    QTest::addRow("1000-byte image") << 1000 << QStringLiteral("2.3.4") << QStringList();
    QTest::addRow("lowest accepted version") << 1000 << QStringLiteral("2.0.0") << QStringList();
    QTest::addRow("highest version") << 1000 << QStringLiteral("127.255.255") << QStringList();
    QTest::addRow("line-wrapped Base64")
        << 1000 << QStringLiteral("3.0.1") << QStringList {QStringLiteral("--wrap"), QStringLiteral("76")};
    QTest::addRow("one byte") << 1 << QStringLiteral("2.2.2") << QStringList();
    QTest::addRow("whole chunks") << 560 << QStringLiteral("2.2.2") << QStringList();
    QTest::addRow("largest image") << 131072 << QStringLiteral("4.5.6") << QStringList();
}

void TestFirmwareUpdate::updateWritesImageAndInformationBlock()
{
    QFETCH(int, imageSize);
    QFETCH(QString, version);
    QFETCH(QStringList, options);

    const QByteArray image = randomImage(imageSize, quint32(imageSize));
    const QString path = makeFirmware(image, version, options);
    QVERIFY(!path.isEmpty());
    const QStringList parts = version.split(QLatin1Char('.'));
    const QByteArray block =
        infoBlock(image, quint8(parts[0].toUInt()), quint8(parts[1].toUInt()), quint8(parts[2].toUInt()));

    m_device->updateFirmware(path);
    QVERIFY(waitUntilFinished(*m_recorder));

    const int chunks = (imageSize + 55) / 56 + 5;
    const QStringList events = QStringList {QStringLiteral("busy true"), storeEvent(imageSize)} +
        progressEvents(imageSize, chunks) +
        QStringList {QStringLiteral("version ") + version,
            QStringLiteral("finished Success %1 0").arg(imageSize + 256), QStringLiteral("busy false")};
    QCOMPARE(m_recorder->events, events);
    QCOMPARE(m_device->version(), version);
    QVERIFY(logged(QStringLiteral("warning updateFirmware")));

    const QList<QByteArray> transcript = SimAdapter::transcript();
    const QList<QByteArray> expected = updateCommands(image, block);
    QCOMPARE(transcript.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(transcript[i] == expected[i],
            qPrintable(
                QStringLiteral("exchange %1: %2").arg(i).arg(QString::fromLatin1(transcript[i].toHex()))));

    QVERIFY(SimAdapter::flash(firmwareAddress, imageSize) == image);
    QCOMPARE(SimAdapter::flash(infoAddress, 256).toHex(), block.toHex());
    if (imageSize == 1000 && version == QStringLiteral("2.3.4")) {
        // Worked out by hand: erase payloads, the last image chunk's address and length, the block's version
        // and length bytes, the end of the progress.
        QCOMPARE(transcript[0].mid(9, 8).toHex(), QByteArray("0041000800010000"));
        QCOMPARE(transcript[1].mid(9, 8).toHex(), QByteArray("00500008e8030000"));
        QCOMPARE(transcript[19].mid(3, 6).toHex(), QByteArray("b85300083000"));
        QCOMPARE(block.mid(5, 7).toHex(), QByteArray("020304e8030000"));
        QCOMPARE(m_recorder->events.mid(18, 7),
            (QStringList {QStringLiteral("write 952/1256"), QStringLiteral("write 1000/1256"),
                QStringLiteral("write 1056/1256"), QStringLiteral("write 1112/1256"),
                QStringLiteral("write 1168/1256"), QStringLiteral("write 1224/1256"),
                QStringLiteral("write 1256/1256")}));
    }
}

void TestFirmwareUpdate::updateWithCurrentVersionPublishesNoVersion()
{
    const QByteArray image = randomImage(300, 7);
    const QString path = makeFirmware(image, QStringLiteral("2.1.0"));
    QVERIFY(!path.isEmpty());

    m_device->updateFirmware(path);
    QVERIFY(waitUntilFinished(*m_recorder));

    const QStringList events = QStringList {QStringLiteral("busy true"), storeEvent(300)} +
        progressEvents(300, 11) + QStringList {QStringLiteral("finished Success 556 0"), QStringLiteral("busy false")};
    QCOMPARE(m_recorder->events, events);
    QCOMPARE(SimAdapter::flash(infoAddress, 256).toHex(), infoBlock(image, 2, 1, 0).toHex());
}

void TestFirmwareUpdate::badFileLeavesAdapterUntouched_data()
{
    // "maker", "raw" (content as the file), "path" (raw is the path), "directory" or "missing"
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("imageSize");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<int>("cut"); // a maker file cut to this many bytes, 0 for whole
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("log");
    QTest::addColumn<FirmwareFile::Fault>("refusal");

    const QString maker = QStringLiteral("maker");
    const QString raw = QStringLiteral("raw");
    const QString v = QStringLiteral("2.3.4");
    const QString md5 = QStringLiteral("warning file md5 error");
    const QString type = QStringLiteral("warning file type error");
    const QString invalid = QStringLiteral("warning invalid file");
    const QString empty = QStringLiteral("warning getFirmwareData is Empty!");
    const auto opt = [](const char *name, const QString &value) {
        return QStringList {QString::fromLatin1(name), value};
    };
    const auto bit = [](int byte, int bit) { return QString::number(8 * byte + bit); };
    const QByteArray none;

    QTest::addRow("flipped bit in marker")
        << maker << 1000 << v << opt("--flip-bit", bit(0, 0)) << none << 0 << 0 << md5
        << FirmwareFile::Fault_Digest;
    QTest::addRow("flipped bit in version")
        << maker << 1000 << v << opt("--flip-bit", bit(11, 5)) << none << 0 << 0 << md5
        << FirmwareFile::Fault_Digest;
    QTest::addRow("flipped bit in first image byte")
        << maker << 1000 << v << opt("--flip-bit", bit(13, 0)) << none << 0 << 0 << md5
        << FirmwareFile::Fault_Digest;
    QTest::addRow("flipped bit in image")
        << maker << 1000 << v << opt("--flip-bit", bit(513, 6)) << none << 0 << 0 << md5
        << FirmwareFile::Fault_Digest;
    QTest::addRow("flipped bit in last image byte")
        << maker << 1000 << v << opt("--flip-bit", bit(1012, 7)) << none << 0 << 0 << md5
        << FirmwareFile::Fault_Digest;
    QTest::addRow("flipped bit in digest")
        << maker << 1000 << v << opt("--flip-bit", bit(1028, 7)) << none << 0 << 0 << md5
        << FirmwareFile::Fault_Digest;
    QTest::addRow("other key") << maker << 1000 << v << opt("--key", QStringLiteral("Lm7#pR2!wQz9&Kx5"))
                               << none << 0 << 0 << md5
        << FirmwareFile::Fault_Digest;
    QTest::addRow("padding count zero")
        << maker << 1000 << v << opt("--pad-byte", QStringLiteral("0")) << none << 0 << 0 << md5
        << FirmwareFile::Fault_Digest;
    QTest::addRow("padding count above a block")
        << maker << 1000 << v << opt("--pad-byte", QStringLiteral("17")) << none << 0 << 0 << md5
        << FirmwareFile::Fault_Digest;
    // The count is right and the digest matches, but no maker's file has such padding.
    QTest::addRow("padding bytes other than the count")
        << maker << 1000 << v << opt("--pad-fill", QStringLiteral("0")) << none << 0 << 0 << md5
        << FirmwareFile::Fault_Digest;
    QTest::addRow("padding count negative")
        << maker << 1000 << v << opt("--pad-byte", QStringLiteral("0x90")) << none << 0 << 0 << md5
        << FirmwareFile::Fault_Digest;
    QTest::addRow("truncated file") << maker << 1000 << v << QStringList() << none << 700 << 0 << md5
        << FirmwareFile::Fault_Digest;
    QTest::addRow("text, not Base64")
        << raw << 0 << v << QStringList() << QByteArray("This is a plain text file, not firmware.\r\n") << 0
        << 0 << md5
        << FirmwareFile::Fault_Digest;
    QTest::addRow("binary garbage") << raw << 0 << v << QStringList() << randomImage(4099, 3) << 0 << 0
                                    << md5
        << FirmwareFile::Fault_Digest;
    QTest::addRow("Base64 of plain data")
        << raw << 0 << v << QStringList() << randomImage(1040, 4).toBase64() << 0 << 0 << md5
        << FirmwareFile::Fault_Digest;

    QTest::addRow("marker wrong in last character")
        << maker << 1000 << v << opt("--marker", QStringLiteral("Tavrune_M5")) << none << 0 << 0 << type
        << FirmwareFile::Fault_Type;
    QTest::addRow("marker in lower case")
        << maker << 1000 << v << opt("--marker", QStringLiteral("tavrune_m4")) << none << 0 << 0 << type
        << FirmwareFile::Fault_Type;
    QTest::addRow("wrong marker and version below 2")
        << maker << 1000 << QStringLiteral("1.0.0") << opt("--marker", QStringLiteral("Tavrune_M3")) << none
        << 0 << 0 << type
        << FirmwareFile::Fault_Type;
    // Good digests over texts too short for marker and version; the second even starts with the marker.
    QTest::addRow("19-byte plain text")
        << maker << 0 << v << opt("--marker", QString()) << none << 0 << 0 << type
        << FirmwareFile::Fault_Type;
    QTest::addRow("28-byte plain text")
        << maker << 0 << QStringLiteral("52.2.0") << opt("--marker", QStringLiteral("Tavrune_M")) << none << 0
        << 0 << type
        << FirmwareFile::Fault_Type;

    QTest::addRow("version 1.9.9") << maker << 1000 << QStringLiteral("1.9.9") << QStringList() << none << 0
                                   << 7 << invalid
        << FirmwareFile::Fault_Version;
    QTest::addRow("version 0.0.0") << maker << 1000 << QStringLiteral("0.0.0") << QStringList() << none << 0
                                   << 7 << invalid
        << FirmwareFile::Fault_Version;
    QTest::addRow("version 128.0.0") << maker << 1000 << QStringLiteral("128.0.0") << QStringList() << none
                                     << 0 << 7 << invalid
        << FirmwareFile::Fault_Version;
    QTest::addRow("version 255.9.9") << maker << 1000 << QStringLiteral("255.9.9") << QStringList() << none
                                     << 0 << 7 << invalid
        << FirmwareFile::Fault_Version;
    QTest::addRow("image one byte too long")
        << maker << 131073 << v << QStringList() << none << 0 << 7 << invalid
        << FirmwareFile::Fault_ImageSize;
    QTest::addRow("empty image") << maker << 0 << v << QStringList() << none << 0 << 7 << invalid
        << FirmwareFile::Fault_ImageSize;

    QTest::addRow("empty file") << raw << 0 << v << QStringList() << QByteArray("") << 0 << 0 << empty
        << FirmwareFile::Fault_Empty;
    QTest::addRow("missing file") << QStringLiteral("missing") << 0 << v << QStringList() << none << 0 << 0
                                  << empty
        << FirmwareFile::Fault_Unreadable;
    QTest::addRow("directory") << QStringLiteral("directory") << 0 << v << QStringList() << none << 0 << 0
                               << empty
        << FirmwareFile::Fault_Unreadable;
    QTest::addRow("device without end")
        << QStringLiteral("path") << 0 << v << QStringList() << QByteArray("/dev/zero") << 0 << 0
        << QStringLiteral("warning getFirmwareData is too large!")
        << FirmwareFile::Fault_TooLarge;
    QTest::addRow("huge file") << raw << 0 << v << QStringList() << QByteArray(9 * 1024 * 1024, 'A') << 0 << 0
                               << QStringLiteral("warning getFirmwareData is too large!")
        << FirmwareFile::Fault_TooLarge;
}

void TestFirmwareUpdate::badFileLeavesAdapterUntouched()
{
    QFETCH(QString, source);
    QFETCH(int, imageSize);
    QFETCH(QString, version);
    QFETCH(QStringList, options);
    QFETCH(QByteArray, raw);
    QFETCH(int, cut);
    QFETCH(int, error);
    QFETCH(QString, log);
    QFETCH(FirmwareFile::Fault, refusal);

    QString path;
    if (source == QStringLiteral("maker")) {
        path = makeFirmware(randomImage(imageSize, 11), version, options);
        QVERIFY(!path.isEmpty());
        if (cut > 0) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.resize(cut));
        }
    } else if (source == QStringLiteral("raw")) {
        path = writeFile(raw);
        QVERIFY(!path.isEmpty());
    } else if (source == QStringLiteral("path")) {
        path = QString::fromLatin1(raw);
    } else if (source == QStringLiteral("directory")) {
        path = m_dir.path();
    } else {
        path = m_dir.filePath(QStringLiteral("no such firmware.rfw"));
    }
    const QByteArray flashBefore = SimAdapter::flash(infoAddress, 256);

    m_device->updateFirmware(path);
    QVERIFY(waitUntilFinished(*m_recorder));

    QCOMPARE(m_recorder->events,
        (QStringList {QStringLiteral("busy true"), QStringLiteral("error %1").arg(error),
            QStringLiteral("finished FileRefused 0 %1").arg(int(refusal)), QStringLiteral("busy false")}));
    QVERIFY2(logged(log), qPrintable(m_log->lines().join(QLatin1Char('\n'))));
    QVERIFY(!logged(QStringLiteral("warning updateFirmware")));
    QCOMPARE(SimAdapter::transcript().size(), 0);
    QCOMPARE(SimAdapter::flash(infoAddress, 256), flashBefore);
}

void TestFirmwareUpdate::closedAdapterReportsOnlyAnEmptyFile_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("emptyFile");
    QTest::addColumn<bool>("inUse"); // another DeviceFlash holds the adapter and refused this one

    QTest::addRow("good file") << QStringLiteral("2.3.4") << QStringList() << false << false;
    QTest::addRow("good file, adapter in use") << QStringLiteral("2.3.4") << QStringList() << false << true;
    QTest::addRow("flipped bit") << QStringLiteral("2.3.4")
                                 << QStringList {QStringLiteral("--flip-bit"), QStringLiteral("200")}
                                 << false << false;
    QTest::addRow("wrong marker") << QStringLiteral("2.3.4")
                                  << QStringList {QStringLiteral("--marker"), QStringLiteral("Tavrune_M5")}
                                  << false << false;
    QTest::addRow("version 1.9.9") << QStringLiteral("1.9.9") << QStringList() << false << false;
    QTest::addRow("empty file") << QStringLiteral("2.3.4") << QStringList() << true << false;
}

void TestFirmwareUpdate::closedAdapterReportsOnlyAnEmptyFile()
{
    QFETCH(QString, version);
    QFETCH(QStringList, options);
    QFETCH(bool, emptyFile);
    QFETCH(bool, inUse);

    const QString path =
        emptyFile ? writeFile(QByteArray()) : makeFirmware(randomImage(500, 5), version, options);
    QVERIFY(!path.isEmpty());

    DeviceFlash closed;
    if (inUse)
        QVERIFY(!closed.open(SimAdapter::VendorId, product));
    SignalRecorder recorder(&closed);
    closed.updateFirmware(path);
    QVERIFY(waitUntilFinished(recorder));

    QStringList events {QStringLiteral("busy true"),
        emptyFile ? QStringLiteral("finished FileRefused 0 %1").arg(int(FirmwareFile::Fault_Empty))
                  : QStringLiteral("finished %1 0 0").arg(inUse ? QStringLiteral("AdapterInUse") : QStringLiteral("AdapterPulled")),
        QStringLiteral("busy false")};
    if (emptyFile)
        events.insert(1, QStringLiteral("error 0"));
    QCOMPARE(recorder.events, events);
    QVERIFY(logged(emptyFile ? QStringLiteral("warning getFirmwareData is Empty!")
                             : QStringLiteral("warning updateFirmware Device.isOpen false")));
    QCOMPARE(SimAdapter::transcript().size(), 0);
}

void TestFirmwareUpdate::faultStopsUpdateCleanly_data()
{
    QTest::addColumn<int>("exchange");
    QTest::addColumn<SimAdapter::Fault>("fault");

    using F = SimAdapter::Fault;
    // The 1000-byte image: erases at 0 and 1, image chunks at 2 to 19, information block chunks at 20 to 24.
    const QList<QPair<const char *, int>> eraseExchanges {
        {"erase of information block", 0}, {"erase of firmware area", 1}};
    const QList<QPair<const char *, int>> writeExchanges {{"first chunk", 2}, {"middle chunk", 11},
        {"last image chunk", 19}, {"information block", 22}, {"last information block chunk", 24}};
    // An erase reply is checked for its code alone, so the echo faults do not apply to it.
    const QList<QPair<const char *, F>> eraseFaults {{"no reply", F::NoReply}, {"read error", F::ReadError},
        {"write error", F::WriteError}, {"wrong reply", F::WrongCode}, {"late reply", F::LateReply},
        {"pulled", F::Pulled}};
    const QList<QPair<const char *, F>> writeFaults = eraseFaults +
        QList<QPair<const char *, F>> {{"data echo wrong", F::DataMismatch},
            {"address echo wrong", F::WrongAddress}, {"length echo wrong", F::WrongLength}};

    for (const auto &at : eraseExchanges) {
        for (const auto &fault : eraseFaults)
            QTest::addRow("%s, %s", at.first, fault.first) << at.second << fault.second;
    }
    for (const auto &at : writeExchanges) {
        for (const auto &fault : writeFaults)
            QTest::addRow("%s, %s", at.first, fault.first) << at.second << fault.second;
    }
}

void TestFirmwareUpdate::faultStopsUpdateCleanly()
{
    QFETCH(int, exchange);
    QFETCH(SimAdapter::Fault, fault);

    const QByteArray image = randomImage(1000, 1000);
    const QString path = makeFirmware(image, QStringLiteral("2.3.4"));
    QVERIFY(!path.isEmpty());
    SimAdapter::injectFault(SimAdapter::exchangeCount() + exchange, fault);

    m_device->updateFirmware(path);
    QVERIFY(waitUntilFinished(*m_recorder));

    // The exchanges before the fault went as planned; after it only the read-back of the block, as far as
    // it got.
    const QList<QByteArray> transcript = SimAdapter::transcript();
    const QByteArray block = infoBlock(image, 2, 3, 4);
    const QList<QByteArray> expected = updateCommands(image, block);
    QVERIFY(transcript.size() >= exchange);
    QVERIFY(transcript.mid(0, exchange) == expected.mid(0, exchange));
    int next = exchange;
    if (next < transcript.size() && transcript[next] == expected[exchange])
        ++next;
    const QList<QByteArray> after = transcript.mid(next);
    QVERIFY2(after == readBackCommands().mid(0, after.size()),
        qPrintable(QStringLiteral("%1 exchanges after the fault").arg(after.size())));
    QCOMPARE(SimAdapter::closedHandleUseCount(), 0);

    // Only the chunks before the failed one count, so the bar never reaches its end. The version published
    // is the one the adapter holds: the old one only while its old block is there and read back, the new
    // one only when the last chunk reached the flash although its reply was lost, and none otherwise.
    const bool eraseFailed = exchange < 2;
    const bool readBack = after == readBackCommands();
    const bool newBlockReadBack = SimAdapter::flash(infoAddress, 256) == block && readBack;
    const bool oldBlockReadBack = SimAdapter::flash(infoAddress, 256) == m_oldBlock && readBack;
    QVERIFY(!newBlockReadBack || exchange == 24);
    QStringList events {QStringLiteral("busy true"), storeEvent(1000)};
    events << progressEvents(1000, eraseFailed ? 0 : exchange - 2);
    if (eraseFailed)
        events << QStringLiteral("error 1");
    if (newBlockReadBack)
        events << QStringLiteral("version 2.3.4");
    else if (!oldBlockReadBack)
        events << QStringLiteral("version ");
    const int verified = eraseFailed ? 0 : qMin((exchange - 2) * 56, 1000) + qMax(exchange - 20, 0) * 56;
    events << QStringLiteral("finished %1 %2 0").arg(eraseFailed ? QStringLiteral("EraseFailed") : QStringLiteral("WriteFailed")).arg(verified)
           << QStringLiteral("busy false");
    QCOMPARE(m_recorder->events, events);
    QCOMPARE(m_device->version(),
        newBlockReadBack ? QStringLiteral("2.3.4") : oldBlockReadBack ? QStringLiteral("2.1.0") : QString());
}

void TestFirmwareUpdate::noInterruptionLeavesAValidBlockOverOtherFirmware_data()
{
    QTest::addColumn<int>("exchange");
    QTest::addColumn<SimAdapter::Fault>("fault");
    using F = SimAdapter::Fault;
    const QList<QPair<const char *, F>> faults {{"pulled", F::Pulled}, {"lost reply", F::NoReply},
        {"late reply", F::LateReply}, {"wrong reply", F::WrongCode}};
    // The 1000-byte image: 2 erases, 23 chunks and 5 reads of the block back.
    for (int exchange = 0; exchange < 30; ++exchange) {
        for (const auto &fault : faults)
            QTest::addRow("exchange %d, %s", exchange, fault.first) << exchange << fault.second;
    }
}

// Whatever exchange an update stops at, a valid information block on the adapter describes the firmware
// area under it (its length and MD5); and an adapter still plugged in with its block gone is not shown with
// a version.
void TestFirmwareUpdate::noInterruptionLeavesAValidBlockOverOtherFirmware()
{
    QFETCH(int, exchange);
    QFETCH(SimAdapter::Fault, fault);
    const QByteArray oldImage = randomImage(1500, 3);
    SimAdapter::setFlash(firmwareAddress, oldImage);
    SimAdapter::setFlash(infoAddress, infoBlock(oldImage, 2, 1, 0));
    const QString path = makeFirmware(randomImage(1000, 1000), QStringLiteral("2.3.4"));
    QVERIFY(!path.isEmpty());
    SimAdapter::injectFault(SimAdapter::exchangeCount() + exchange, fault);

    m_device->updateFirmware(path);
    QVERIFY(waitUntilFinished(*m_recorder));

    const QByteArray block = SimAdapter::flash(infoAddress, 256);
    const bool valid = quint8(block.at(0)) == 0x55 && quint8(block.at(255)) == 0xAA;
    if (valid) {
        const int length = int(qFromLittleEndian<quint32>(block.constData() + 8));
        QCOMPARE(QCryptographicHash::hash(SimAdapter::flash(firmwareAddress, length), QCryptographicHash::Md5),
            block.mid(12, 16));
    } else if (fault != SimAdapter::Fault::Pulled) {
        QCOMPARE(m_device->version(), QString());
        QVERIFY(m_device->blockState(infoAddress) != DeviceFlash::BlockState_Valid);
    }
}

void TestFirmwareUpdate::updatesRunOneAfterTheOtherWhileBusy()
{
    const QByteArray first = randomImage(700, 1);
    const QByteArray second = randomImage(400, 2);
    const QString firstPath = makeFirmware(first, QStringLiteral("2.5.0"));
    const QString secondPath = makeFirmware(second, QStringLiteral("2.6.0"));
    QVERIFY(!firstPath.isEmpty() && !secondPath.isEmpty());

    QAtomicInt idleExchanges = 0;
    DeviceFlash *device = m_device.get();
    SimAdapter::setExchangeHook([&idleExchanges, device](int) {
        if (!device->isBusy())
            idleExchanges.ref();
    });
    device->updateFirmware(firstPath);
    device->updateFirmware(secondPath);
    QVERIFY(waitUntilFinished(*m_recorder, 2));
    SimAdapter::setExchangeHook(nullptr);
    QCOMPARE(idleExchanges.loadRelaxed(), 0);

    // Which task gets the adapter first is not fixed, but each has it to itself from start to end.
    const QStringList versions = m_recorder->events.filter(QStringLiteral("version "));
    QCOMPARE(versions.size(), 2);
    const bool firstFirst = versions[0] == QStringLiteral("version 2.5.0");
    const QList<QByteArray> firstCommands = updateCommands(first, infoBlock(first, 2, 5, 0));
    const QList<QByteArray> secondCommands = updateCommands(second, infoBlock(second, 2, 6, 0));
    QVERIFY(SimAdapter::transcript() ==
        (firstFirst ? firstCommands + secondCommands : secondCommands + firstCommands));
    QCOMPARE(m_recorder->events.filter(QStringLiteral("finished ")),
        (QStringList {QStringLiteral("finished Success %1 0").arg(firstFirst ? 956 : 656),
            QStringLiteral("finished Success %1 0").arg(firstFirst ? 656 : 956)}));
    QCOMPARE(m_recorder->events.filter(QStringLiteral("busy ")),
        (QStringList {QStringLiteral("busy true"), QStringLiteral("busy false"), QStringLiteral("busy true"),
            QStringLiteral("busy false")}));
    QCOMPARE(QStringLiteral("version ") + m_device->version(), versions[1]);
}

QTEST_GUILESS_MAIN(TestFirmwareUpdate)
#include "tst_firmwareupdate.moc"
