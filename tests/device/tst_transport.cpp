// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "commandreport.h"
#include "logcapture.h"
#include "sim/simadapter.h"

#include "device/deviceflash.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

using SimAdapter::Fault;
Q_DECLARE_METATYPE(SimAdapter::Fault)
Q_DECLARE_METATYPE(char *)

namespace {
constexpr quint32 ConfigBlock = DeviceFlash::Address_DeviceConfig;
constexpr quint32 FirmwareArea = DeviceFlash::Address_Firmware;

QByteArray pattern(int size, int seed)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + seed) & 0xFF);
    return bytes;
}

std::unique_ptr<FlashImage> image(const QList<QPair<quint32, QByteArray>> &regions)
{
    auto flashImage = std::make_unique<FlashImage>();
    int index = 0;
    for (const auto &region : regions) {
        FlashRegion &target = flashImage->regions[index++];
        target.address = region.first;
        target.length = quint32(region.second.size());
        memcpy(target.data, region.second.constData(), size_t(region.second.size()));
        flashImage->total += target.length;
    }
    return flashImage;
}
} // namespace

// The command transport against the simulated adapter, one opened adapter per test.
class TestTransport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readFlashSendsChunkedReadCommands();
    void readFlashRejectsBadReply_data();
    void readFlashRejectsBadReply();
    void readFlashOfNothingExchangesNothing();
    void readFlashReportsBackupProgressOnlyWhenAsked();
    void backupProgressCanBeQueued();

    void eraseFlashSendsOneCommandPerRegion_data();
    void eraseFlashSendsOneCommandPerRegion();
    void eraseFlashStopsAtFailedReply_data();
    void eraseFlashStopsAtFailedReply();

    void write2FlashWritesChunksWithProgress();
    void write2FlashReportsProgressOfItsKind_data();
    void write2FlashReportsProgressOfItsKind();
    void write2FlashStopsAtFailedChunk_data();
    void write2FlashStopsAtFailedChunk();
    void write2FlashRefusesOversizedRegion();
    void write2FlashRefusesAShortEchoEvenWhereItsZeroFillWouldMatch();

    void probeDeviceNeedsAnOpenAdapter();
    void probeDeviceChecksReplyCode();

    void transfersNeverReachAReplacedHandle();

private:
    std::unique_ptr<DeviceFlash> device;
};

void TestTransport::init()
{
    SimAdapter::reset();
    SimAdapter::plug(DeviceFlash::Tavrune_B275);
    device = std::make_unique<DeviceFlash>();
    QVERIFY(device->open(DeviceFlash::VendorId, DeviceFlash::Tavrune_B275));
    device->bindHandle();
}

void TestTransport::cleanup()
{
    device.reset();
    QCOMPARE(SimAdapter::closedHandleUseCount(), 0);
    QCOMPARE(SimAdapter::openHandleCount(), 0);
}

void TestTransport::readFlashSendsChunkedReadCommands()
{
    const QByteArray content = pattern(256, 3);
    SimAdapter::setFlash(ConfigBlock, content);
    QByteArray destination(256, '\0');

    QVERIFY(device->readFlash(DeviceFlash::Command_Read, ConfigBlock, 256, destination.data(), 0));

    QCOMPARE(destination, content);
    const QList<CommandReport> commands = CommandReport::parse(SimAdapter::transcript());
    const QList<quint32> addresses {0x08004000, 0x08004038, 0x08004070, 0x080040A8, 0x080040E0};
    const QList<quint16> lengths {56, 56, 56, 56, 32};
    QCOMPARE(commands.size(), 5);
    for (int i = 0; i < commands.size(); ++i) {
        QCOMPARE(commands[i].reportId, quint8(0));
        QCOMPARE(commands[i].lead, quint8(0x04));
        QCOMPARE(commands[i].code, quint8(0x56));
        QCOMPARE(commands[i].address, addresses[i]);
        QCOMPARE(commands[i].length, lengths[i]);
        QCOMPARE(commands[i].data, QByteArray(56, '\0'));
    }
}

void TestTransport::readFlashRejectsBadReply_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("commandsSent");
    QTest::addColumn<QString>("logged");
    QTest::addRow("wrong reply code") << Fault::WrongCode << 3 << QString();
    QTest::addRow("wrong address echo") << Fault::WrongAddress << 3 << QString();
    QTest::addRow("wrong length echo") << Fault::WrongLength << 3 << QString();
    QTest::addRow("no reply") << Fault::NoReply << 3 << QString();
    QTest::addRow("late reply") << Fault::LateReply << 3 << QString();
    QTest::addRow("read error") << Fault::ReadError << 3
                                << QStringLiteral("warning readCMDData read error !!!");
    QTest::addRow("write error") << Fault::WriteError << 2
                                 << QStringLiteral("warning writeCMDData write error !!!");
    QTest::addRow("adapter pulled") << Fault::Pulled << 2
                                    << QStringLiteral("warning writeCMDData write error !!!");
}

void TestTransport::readFlashRejectsBadReply()
{
    QFETCH(Fault, fault);
    QFETCH(int, commandsSent);
    QFETCH(QString, logged);
    const QByteArray content = pattern(256, 9);
    SimAdapter::setFlash(ConfigBlock, content);
    SimAdapter::injectFault(2, fault);
    QByteArray destination(256, char(0xEE));
    LogCapture log;

    QVERIFY(!device->readFlash(DeviceFlash::Command_Read, ConfigBlock, 256, destination.data(), 0));

    // The two good chunks arrived; nothing of the bad one or after it was copied.
    QCOMPARE(destination.left(112), content.left(112));
    QCOMPARE(destination.mid(112), QByteArray(144, char(0xEE)));
    QCOMPARE(SimAdapter::transcript().size(), commandsSent);
    if (!logged.isEmpty())
        QCOMPARE(log.lines(QStringLiteral("warning")), QStringList {logged});
}

void TestTransport::readFlashOfNothingExchangesNothing()
{
    char destination = 'x';
    QVERIFY(device->readFlash(DeviceFlash::Command_Read, ConfigBlock, 0, &destination, 1));
    QCOMPARE(SimAdapter::exchangeCount(), 0);
    QCOMPARE(destination, 'x');
}

void TestTransport::readFlashReportsBackupProgressOnlyWhenAsked()
{
    QSignalSpy spy(device.get(), &DeviceFlash::dataBackupProgressChanged);
    QByteArray destination(120, '\0');

    QVERIFY(device->readFlash(DeviceFlash::Command_Read, FirmwareArea, 120, destination.data(), 0));
    QCOMPARE(spy.count(), 0);

    QVERIFY(device->readFlash(DeviceFlash::Command_Read, FirmwareArea, 120, destination.data(), 1));
    QCOMPARE(spy.count(), 3);
    const QList<qint64> currents {56, 112, 120};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(spy[i][0].toLongLong(), currents[i]);
        QCOMPARE(spy[i][1].toLongLong(), qint64(120));
        QCOMPARE(spy[i][2].value<char *>(), destination.data());
    }
}

void TestTransport::backupProgressCanBeQueued()
{
    QByteArray destination(56, '\0');
    char *received = nullptr;
    connect(
        device.get(), &DeviceFlash::dataBackupProgressChanged, this,
        [&](qint64, qint64, char *buffer) { received = buffer; }, Qt::QueuedConnection);
    QVERIFY(device->readFlash(DeviceFlash::Command_Read, FirmwareArea, 56, destination.data(), 1));
    QTRY_COMPARE(received, destination.data());
}

void TestTransport::eraseFlashSendsOneCommandPerRegion_data()
{
    QTest::addColumn<int>("regions");
    QTest::addRow("first region unused") << 0;
    QTest::addRow("two regions") << 2;
    QTest::addRow("all fifteen regions") << 15;
}

void TestTransport::eraseFlashSendsOneCommandPerRegion()
{
    QFETCH(int, regions);
    auto flashImage = std::make_unique<FlashImage>();
    for (int i = 0; i < regions; ++i) {
        flashImage->regions[i].address = FirmwareArea + quint32(i) * 0x1000;
        flashImage->regions[i].length = 0x800 + quint32(i);
    }
    // A length without an address does not count: erasing stops at the first address of 0.
    flashImage->regions[regions % 15].length = regions == 15 ? flashImage->regions[0].length : 99;

    QCOMPARE(device->eraseFlash(*flashImage), 0);

    const QList<CommandReport> commands = CommandReport::parse(SimAdapter::transcript());
    QCOMPARE(commands.size(), regions);
    for (int i = 0; i < regions; ++i) {
        QCOMPARE(commands[i].code, quint8(0x55));
        QCOMPARE(commands[i].address, quint32(0));
        QCOMPARE(commands[i].length, quint16(8));
        QCOMPARE(qFromLittleEndian<quint32>(commands[i].data.constData()), flashImage->regions[i].address);
        QCOMPARE(qFromLittleEndian<quint32>(commands[i].data.constData() + 4), flashImage->regions[i].length);
        QCOMPARE(commands[i].data.mid(8), QByteArray(48, '\0'));
    }
    if (regions > 0)
        QCOMPARE(SimAdapter::flash(FirmwareArea, 0x800), QByteArray(0x800, char(0xFF)));
}

void TestTransport::eraseFlashStopsAtFailedReply_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QStringList>("warnings");
    const QString erase = QStringLiteral("warning erase error !");
    QTest::addRow("wrong reply code") << Fault::WrongCode << QStringList {erase};
    QTest::addRow("no reply") << Fault::NoReply << QStringList {erase};
    QTest::addRow("read error") << Fault::ReadError
                                << QStringList {QStringLiteral("warning readCMDData read error !!!"), erase};
    // The write failure is logged and the missing reply then ends the erase.
    QTest::addRow("write error") << Fault::WriteError
                                 << QStringList {
                                        QStringLiteral("warning writeCMDData write error !!!"), erase};
}

void TestTransport::eraseFlashStopsAtFailedReply()
{
    QFETCH(Fault, fault);
    QFETCH(QStringList, warnings);
    auto flashImage = image({{FirmwareArea, QByteArray(100, 'a')}, {0x08004100, QByteArray(256, 'b')}});
    SimAdapter::injectFault(0, fault);
    LogCapture log;

    QCOMPARE(device->eraseFlash(*flashImage), -1);

    QCOMPARE(log.lines(QStringLiteral("warning")), warnings);
    QCOMPARE(SimAdapter::exchangeCount(), 1);
}

void TestTransport::write2FlashWritesChunksWithProgress()
{
    const QByteArray first = pattern(300, 1);
    const QByteArray second = pattern(256, 2);
    auto flashImage = image({{FirmwareArea, first}, {FirmwareArea + 0x1000, second}});
    QSignalSpy progress(device.get(), &DeviceFlash::write2FlashProgressChanged);

    device->write2Flash(*flashImage, 0);

    const QList<CommandReport> commands = CommandReport::parse(SimAdapter::transcript());
    const QList<quint16> lengths {56, 56, 56, 56, 56, 20, 56, 56, 56, 56, 32};
    QCOMPARE(commands.size(), lengths.size());
    quint32 address = FirmwareArea;
    qint64 written = 0;
    for (int i = 0; i < commands.size(); ++i) {
        if (i == 6)
            address = FirmwareArea + 0x1000;
        const QByteArray &source = i < 6 ? first : second;
        const int offset = int(address - (i < 6 ? FirmwareArea : FirmwareArea + 0x1000));
        QCOMPARE(commands[i].code, quint8(0x57));
        QCOMPARE(commands[i].address, address);
        QCOMPARE(commands[i].length, lengths[i]);
        QCOMPARE(commands[i].data, source.mid(offset, lengths[i]) + QByteArray(56 - lengths[i], '\0'));
        address += lengths[i];
        written += lengths[i];
        QCOMPARE(progress[i][0].toLongLong(), written);
        QCOMPARE(progress[i][1].toLongLong(), qint64(556));
    }
    QCOMPARE(progress.count(), 11);
    QCOMPARE(SimAdapter::flash(FirmwareArea, 300), first);
    QCOMPARE(SimAdapter::flash(FirmwareArea + 0x1000, 256), second);
}

void TestTransport::write2FlashReportsProgressOfItsKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("signalIndex"); // into the spies below; -1 for none
    QTest::addRow("firmware") << 0 << 0;
    QTest::addRow("data store") << 1 << 1;
    QTest::addRow("setting") << 2 << 2;
    QTest::addRow("unknown kind") << 3 << -1;
}

void TestTransport::write2FlashReportsProgressOfItsKind()
{
    QFETCH(int, kind);
    QFETCH(int, signalIndex);
    auto flashImage = image({{FirmwareArea, pattern(120, 5)}});
    QSignalSpy firmware(device.get(), &DeviceFlash::write2FlashProgressChanged);
    QSignalSpy store(device.get(), &DeviceFlash::dataStoreProgressChanged);
    QSignalSpy setting(device.get(), &DeviceFlash::settingProgressChanged);
    const QList<QSignalSpy *> spies {&firmware, &store, &setting};

    device->write2Flash(*flashImage, quint8(kind));

    for (int i = 0; i < spies.size(); ++i) {
        QSignalSpy &spy = *spies[i];
        QCOMPARE(spy.count(), i == signalIndex ? 3 : 0);
        if (i == signalIndex) {
            QCOMPARE(spy[0], (QList<QVariant> {qint64(56), qint64(120)}));
            QCOMPARE(spy[2], (QList<QVariant> {qint64(120), qint64(120)}));
        }
    }
    QCOMPARE(SimAdapter::flash(FirmwareArea, 120), pattern(120, 5));
}

void TestTransport::write2FlashStopsAtFailedChunk_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QStringList>("warnings");
    const QString verify2 = QStringLiteral("warning write2Flash USB_ERR_DATA_VERIFY 2");
    QTest::addRow("data echo wrong") << Fault::DataMismatch
                                     << QStringList {
                                            QStringLiteral("warning write2Flash USB_ERR_DATA_VERIFY 1")};
    QTest::addRow("wrong reply code") << Fault::WrongCode << QStringList {verify2};
    QTest::addRow("wrong address echo") << Fault::WrongAddress << QStringList {verify2};
    QTest::addRow("wrong length echo") << Fault::WrongLength << QStringList {verify2};
    QTest::addRow("no reply") << Fault::NoReply << QStringList {verify2};
    QTest::addRow("late reply") << Fault::LateReply << QStringList {verify2};
    QTest::addRow("read error") << Fault::ReadError
                                << QStringList {
                                       QStringLiteral("warning readCMDData read error !!!"), verify2};
    const QStringList writeError {QStringLiteral("warning writeCMDData write error !!!"),
        QStringLiteral("warning write2Flash write error!")};
    QTest::addRow("write error") << Fault::WriteError << writeError;
    QTest::addRow("adapter pulled") << Fault::Pulled << writeError;
}

void TestTransport::write2FlashStopsAtFailedChunk()
{
    QFETCH(Fault, fault);
    QFETCH(QStringList, warnings);
    // The failing chunk is the last one, of 32 bytes, of the second region.
    auto flashImage = image({{FirmwareArea, pattern(300, 1)}, {FirmwareArea + 0x1000, pattern(256, 2)}});
    SimAdapter::injectFault(10, fault);
    QSignalSpy progress(device.get(), &DeviceFlash::write2FlashProgressChanged);
    LogCapture log;

    device->write2Flash(*flashImage, 0);

    QCOMPARE(progress.count(), 10);
    QCOMPARE(progress.last()[0].toLongLong(), qint64(524));
    QCOMPARE(log.lines(QStringLiteral("warning")), warnings);
    QCOMPARE(SimAdapter::exchangeCount(), 11);
    if (fault == Fault::DataMismatch) {
        const QByteArray sent = pattern(256, 2).right(32);
        QByteArray echoed = sent;
        echoed[31] = char(~echoed[31]);
        QCOMPARE(log.lines(QStringLiteral("debug write_data:")),
            QStringList {QStringLiteral("debug write_data: ") + QString::fromLatin1(sent.toHex())});
        QCOMPARE(log.lines(QStringLiteral("debug read_data :")),
            QStringList {QStringLiteral("debug read_data : ") + QString::fromLatin1(echoed.toHex())});
    }
}

void TestTransport::write2FlashRefusesAShortEchoEvenWhereItsZeroFillWouldMatch()
{
    // The reply's 10 bytes hold its header and the chunk's first two bytes; the rest of the chunk is zero.
    QByteArray chunk(56, '\0');
    chunk[0] = 0x12;
    chunk[1] = 0x34;
    auto flashImage = image({{FirmwareArea, chunk}});
    SimAdapter::injectFault(0, Fault::ShortReply);
    QSignalSpy progress(device.get(), &DeviceFlash::write2FlashProgressChanged);
    LogCapture log;

    QCOMPARE(device->write2Flash(*flashImage, 0), qint64(0));

    QCOMPARE(progress.count(), 0);
    QCOMPARE(log.lines(QStringLiteral("warning")),
        (QStringList {QStringLiteral("warning readCMDData read error !!!"),
            QStringLiteral("warning write2Flash USB_ERR_DATA_VERIFY 2")}));
}

void TestTransport::write2FlashRefusesOversizedRegion()
{
    auto flashImage = std::make_unique<FlashImage>();
    flashImage->regions[0] = {FirmwareArea, FlashRegion::Capacity + 1, {}};
    flashImage->total = FlashRegion::Capacity + 1;
    QSignalSpy progress(device.get(), &DeviceFlash::write2FlashProgressChanged);
    LogCapture log;

    device->write2Flash(*flashImage, 0);

    QCOMPARE(progress.count(), 0);
    QCOMPARE(SimAdapter::exchangeCount(), 0);
    QCOMPARE(log.lines(QStringLiteral("warning")).size(), 1);
}

void TestTransport::probeDeviceNeedsAnOpenAdapter()
{
    SimAdapter::reset();
    DeviceFlash closed;
    closed.bindHandle();
    QCOMPARE(closed.probeDevice(), -1);
    QCOMPARE(SimAdapter::exchangeCount(), 0);
}

void TestTransport::probeDeviceChecksReplyCode()
{
    QCOMPARE(device->probeDevice(), 1);
    const QList<CommandReport> commands = CommandReport::parse(SimAdapter::transcript());
    QCOMPARE(commands.size(), 1);
    QCOMPARE(commands[0].code, quint8(0x5B));
    QCOMPARE(commands[0].address, quint32(0));
    QCOMPARE(commands[0].length, quint16(1));
    QCOMPARE(commands[0].data, QByteArray(56, '\0'));

    SimAdapter::injectFault(1, Fault::WrongCode);
    QCOMPARE(device->probeDevice(), -1);
    SimAdapter::injectFault(2, Fault::NoReply);
    QCOMPARE(device->probeDevice(), -1);
}

// The hot-plug handling opens and closes the adapter in the GUI thread while a task may be in the middle of
// a transfer. Here the adapter is pulled and plugged in again, and the arrival opens it anew, while the third
// read command is being written.
void TestTransport::transfersNeverReachAReplacedHandle()
{
    QByteArray destination(256, '\0');
    bool replaced = false;
    SimAdapter::setExchangeHook([&](int exchange) {
        if (exchange != 2)
            return;
        SimAdapter::plug(DeviceFlash::Tavrune_B275);
        replaced = device->open(DeviceFlash::VendorId, DeviceFlash::Tavrune_B275);
    });
    LogCapture log;

    QVERIFY(!device->readFlash(DeviceFlash::Command_Read, ConfigBlock, 256, destination.data(), 0));

    QVERIFY(replaced);
    QCOMPARE(SimAdapter::exchangeCount(), 3);
    QCOMPARE(log.lines(QStringLiteral("warning")),
        QStringList {QStringLiteral("warning writeCMDData write error !!!")});
    QCOMPARE(SimAdapter::closedHandleUseCount(), 0);
    QCOMPARE(SimAdapter::openHandleCount(), 1);

    // Later transfers of the task fail without reaching the new handle; a task that binds it gets through.
    QCOMPARE(device->probeDevice(), -1);
    QCOMPARE(SimAdapter::exchangeCount(), 3);
    device->bindHandle();
    QCOMPARE(device->probeDevice(), 1);
}

QTEST_GUILESS_MAIN(TestTransport)
#include "tst_transport.moc"
