// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "commandreport.h"
#include "logcapture.h"
#include "signalrecorder.h"
#include "sim/simadapter.h"

#include "device/deviceflash.h"

#include <QMetaMethod>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using SimAdapter::Fault;
Q_DECLARE_METATYPE(SimAdapter::Fault)

namespace {
constexpr quint32 ConfigBlock = DeviceFlash::Address_DeviceConfig;
constexpr quint32 InfoBlock = DeviceFlash::Address_FirmwareInfo;
const QString BusyTrue = QStringLiteral("busy true");
const QString BusyFalse = QStringLiteral("busy false");

using Attempts = QList<QPair<quint16, quint16>>;

QPair<quint16, quint16> attempt(quint16 product)
{
    return {DeviceFlash::VendorId, product};
}
} // namespace

// Finding the adapter, reading its blocks and publishing its state, with the signals received in the GUI
// thread over queued connections as the main window receives them.
class TestDeviceFlash : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void searchAnnouncesAdapter_data();
    void searchAnnouncesAdapter();
    void searchOnlyProbesB274();
    void searchWithNothingPluggedTriesEveryIdTwice();
    void openRetriesOnceAfterASecondWhileEventsFlow();
    void destroyingDuringASearchEndsItsWaitForTheRetry();

    void blockProblemsAreReportedAndAdapterStillConnected_data();
    void blockProblemsAreReportedAndAdapterStillConnected();
    void versionsAreReadAsUnsignedDecimals();
    void sameVersionIsAnnouncedOnce();
    void adapterReplacedDuringArrivalIsNotAnnouncedByThatTask();
    void tasksRunOneAtATime();

    void setIsBusyEmitsOnlyOnChange();
    void enumsSignalsAndMetaTypesAreReflected();

private:
    // Opens the adapter as the hot-plug handling does and runs the arrival task to its end.
    void arrive(DeviceFlash &device, SignalRecorder &recorder, DeviceFlash::Tavrune product);
};

void TestDeviceFlash::init()
{
    SimAdapter::reset();
}

void TestDeviceFlash::cleanup()
{
    QCOMPARE(SimAdapter::closedHandleUseCount(), 0);
}

void TestDeviceFlash::arrive(DeviceFlash &device, SignalRecorder &recorder, DeviceFlash::Tavrune product)
{
    const int before = recorder.events.size();
    QVERIFY(device.open(DeviceFlash::VendorId, product));
    device.startArrivalTask(product);
    QTRY_VERIFY(recorder.events.size() > before + 1 && recorder.events.last() == BusyFalse);
}

void TestDeviceFlash::searchAnnouncesAdapter_data()
{
    QTest::addColumn<quint16>("product");
    QTest::addColumn<int>("bootMajor");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<Attempts>("attempts");
    QTest::addRow("0xB275, boot 2.0.0") << quint16(0xB275) << 2
                                        << QStringList {BusyTrue, QStringLiteral("version 2.1.0"),
                                               QStringLiteral("connected true b275"), BusyFalse}
                                        << Attempts {attempt(0xB274), attempt(0xB274), attempt(0xB275)};
    QTest::addRow("0xB270, boot 1.9.0")
        << quint16(0xB270) << 1
        << QStringList {BusyTrue, QStringLiteral("version 2.1.0"), QStringLiteral("upgradeable false"),
               QStringLiteral("connected true b270"), BusyFalse}
        << Attempts {attempt(0xB274), attempt(0xB274), attempt(0xB275), attempt(0xB275), attempt(0xB270)};
}

void TestDeviceFlash::searchAnnouncesAdapter()
{
    QFETCH(quint16, product);
    QFETCH(int, bootMajor);
    QFETCH(QStringList, events);
    QFETCH(Attempts, attempts);
    SimAdapter::plug(product);
    SimAdapter::setBootVersion(quint8(bootMajor), quint8(bootMajor == 1 ? 9 : 0), 0);
    DeviceFlash device;
    SignalRecorder recorder(&device);
    LogCapture log;

    device.connected();

    QTRY_COMPARE_WITH_TIMEOUT(recorder.events, events, 10000);
    QCOMPARE(SimAdapter::openAttempts(), attempts);
    QCOMPARE(SimAdapter::transcript().size(), 15);
    QCOMPARE(device.version(), QStringLiteral("2.1.0"));
    QCOMPARE(device.bootVersion(), bootMajor == 1 ? QStringLiteral("1.9.0") : QStringLiteral("2.0.0"));
    QVERIFY(!device.isBusy());
    QCOMPARE(log.lines(QStringLiteral("info Device open! -- ")).size(), 1);
    QCOMPARE(log.lines(QStringLiteral("info DeviceFlash::connected....")).size(), 1);
}

void TestDeviceFlash::searchOnlyProbesB274()
{
    SimAdapter::plug(0xB274);
    DeviceFlash device;
    SignalRecorder recorder(&device);

    device.connected();

    QTRY_COMPARE(recorder.events, (QStringList {BusyTrue, BusyFalse}));
    const QList<CommandReport> commands = CommandReport::parse(SimAdapter::transcript());
    QCOMPARE(commands.size(), 1);
    QCOMPARE(commands[0].code, quint8(0x5B));
    QCOMPARE(SimAdapter::openAttempts(), (Attempts {attempt(0xB274)}));
    QCOMPARE(device.version(), QString());
    QCOMPARE(SimAdapter::openHandleCount(), 1); // left open, not reported
}

// The one test that waits for all three retries, about three seconds.
void TestDeviceFlash::searchWithNothingPluggedTriesEveryIdTwice()
{
    DeviceFlash device;
    SignalRecorder recorder(&device);
    LogCapture log;

    device.connected();

    QTRY_COMPARE_WITH_TIMEOUT(recorder.events, (QStringList {BusyTrue, BusyFalse}), 10000);
    QCOMPARE(SimAdapter::openAttempts(),
        (Attempts {attempt(0xB274), attempt(0xB274), attempt(0xB275), attempt(0xB275), attempt(0xB270),
            attempt(0xB270)}));
    QCOMPARE(log.lines(QStringLiteral("info DeviceFlash open try onec more...")),
        (QStringList {QStringLiteral("info DeviceFlash open try onec more... 0xe3a 0xb274"),
            QStringLiteral("info DeviceFlash open try onec more... 0xe3a 0xb275"),
            QStringLiteral("info DeviceFlash open try onec more... 0xe3a 0xb270")}));
    QCOMPARE(log.lines(QStringLiteral("info DeviceFlash open ...")).last(),
        QStringLiteral("info DeviceFlash open ... 0xe3a 0xb270 false"));
    QCOMPARE(SimAdapter::exchangeCount(), 0);
}

// Called in the GUI thread, as on an arrival: the second attempt comes a second later, and the GUI thread
// goes on delivering events meanwhile (here the one that plugs the adapter in).
void TestDeviceFlash::openRetriesOnceAfterASecondWhileEventsFlow()
{
    DeviceFlash device;
    LogCapture log;
    QTimer::singleShot(200, [] { SimAdapter::plug(0xB275); });

    QVERIFY(device.open(DeviceFlash::VendorId, 0xB275));

    QCOMPARE(SimAdapter::openAttempts().size(), 2);
    QCOMPARE(log.lines(QStringLiteral("info")),
        (QStringList {QStringLiteral("info DeviceFlash open try onec more... 0xe3a 0xb275"),
            QStringLiteral("info DeviceFlash open ... 0xe3a 0xb275 true")}));
}

// As when the window of a second instance closes at once: the search task waits for a retry that only the
// GUI thread can run, while that thread waits in the destructor for the task.
void TestDeviceFlash::destroyingDuringASearchEndsItsWaitForTheRetry()
{
    auto device = std::make_unique<DeviceFlash>();
    device->connected();
    QTRY_COMPARE(SimAdapter::openAttempts().size(), 1);

    device.reset();

    QCOMPARE(SimAdapter::openAttempts().count(attempt(0xB274)), 1);
    // The retry's timer is still due in this thread: when it fires, the object it was for is gone, so it
    // must neither open the adapter again nor touch freed memory, and it frees itself.
    QTest::qWait(DeviceFlash::OpenRetryMs + 200);
    QCOMPARE(SimAdapter::openAttempts().count(attempt(0xB274)), 1);
}

void TestDeviceFlash::blockProblemsAreReportedAndAdapterStillConnected_data()
{
    QTest::addColumn<quint32>("block"); // whose markers are set below; 0 for none
    QTest::addColumn<int>("startMarker");
    QTest::addColumn<int>("endMarker");
    QTest::addColumn<int>("failingExchange"); // -1 for none
    QTest::addColumn<QString>("reported");
    QTest::addColumn<int>("commands");
    QTest::addColumn<QString>("warning");
    const QString hardware = QStringLiteral("warning Hardware failure!");
    const QString lost = QStringLiteral("warning Firmware lost!");
    QTest::addRow("configuration start marker")
        << ConfigBlock << 0x00 << 0xAA << -1 << "error 2" << 5 << hardware;
    QTest::addRow("configuration end marker")
        << ConfigBlock << 0x55 << 0xFF << -1 << "error 2" << 5 << hardware;
    QTest::addRow("information start marker") << InfoBlock << 0xAA << 0xAA << -1 << "error 3" << 15 << lost;
    QTest::addRow("information end marker") << InfoBlock << 0x55 << 0xFF << -1 << "error 3" << 15 << lost;
    QTest::addRow("configuration read fails") << 0u << 0 << 0 << 1 << "error 5" << 2 << QString();
    QTest::addRow("further block read fails") << 0u << 0 << 0 << 6 << "error 5" << 7 << QString();
    QTest::addRow("information read fails") << 0u << 0 << 0 << 14 << "error 5" << 15 << QString();
}

void TestDeviceFlash::blockProblemsAreReportedAndAdapterStillConnected()
{
    QFETCH(quint32, block);
    QFETCH(int, startMarker);
    QFETCH(int, endMarker);
    QFETCH(int, failingExchange);
    QFETCH(QString, reported);
    QFETCH(int, commands);
    QFETCH(QString, warning);
    SimAdapter::plug(0xB275);
    if (block != 0)
        SimAdapter::setMarkers(block, quint8(startMarker), quint8(endMarker));
    if (failingExchange >= 0)
        SimAdapter::injectFault(failingExchange, Fault::WrongLength);
    DeviceFlash device;
    SignalRecorder recorder(&device);
    LogCapture log;

    arrive(device, recorder, DeviceFlash::Tavrune_B275);

    QCOMPARE(recorder.events,
        (QStringList {BusyTrue, reported, QStringLiteral("connected true b275"), BusyFalse}));
    QCOMPARE(SimAdapter::transcript().size(), commands);
    QCOMPARE(device.version(), QString());
    QCOMPARE(log.lines(QStringLiteral("warning")), warning.isEmpty() ? QStringList() : QStringList {warning});
}

void TestDeviceFlash::versionsAreReadAsUnsignedDecimals()
{
    SimAdapter::plug(0xB275);
    SimAdapter::setHardwareVersion(10, 255, 7);
    SimAdapter::setBootVersion(2, 0, 13);
    SimAdapter::setFirmwareVersion(200, 9, 0);
    DeviceFlash device;
    SignalRecorder recorder(&device);
    QCOMPARE(device.hardwareVersion(), QStringLiteral("0.0.0"));

    arrive(device, recorder, DeviceFlash::Tavrune_B275);

    QCOMPARE(device.hardwareVersion(), QStringLiteral("10.255.7"));
    QCOMPARE(device.bootVersion(), QStringLiteral("2.0.13"));
    QCOMPARE(device.version(), QStringLiteral("200.9.0"));
    QVERIFY(recorder.events.contains(QStringLiteral("version 200.9.0")));
}

void TestDeviceFlash::sameVersionIsAnnouncedOnce()
{
    SimAdapter::plug(0xB275);
    DeviceFlash device;
    SignalRecorder recorder(&device);

    arrive(device, recorder, DeviceFlash::Tavrune_B275);
    arrive(device, recorder, DeviceFlash::Tavrune_B275);
    SimAdapter::setFirmwareVersion(2, 1, 1);
    arrive(device, recorder, DeviceFlash::Tavrune_B275);

    QCOMPARE(recorder.events.filter(QStringLiteral("version")),
        (QStringList {QStringLiteral("version 2.1.0"), QStringLiteral("version 2.1.1")}));
    QCOMPARE(recorder.events.filter(QStringLiteral("connected true")).size(), 3);
}

// The adapter is pulled and plugged in again while the arrival task reads its first block, and the new
// arrival opens it in the GUI thread: the running task fails its next transfer and does not announce a
// connection it no longer has (the new arrival's own task would).
void TestDeviceFlash::adapterReplacedDuringArrivalIsNotAnnouncedByThatTask()
{
    SimAdapter::plug(0xB275);
    DeviceFlash device;
    SignalRecorder recorder(&device);
    SimAdapter::setExchangeHook([&](int exchange) {
        if (exchange != 3)
            return;
        QMetaObject::invokeMethod(
            &device,
            [&] {
                SimAdapter::plug(0xB275);
                device.open(DeviceFlash::VendorId, 0xB275);
            },
            Qt::BlockingQueuedConnection);
    });

    arrive(device, recorder, DeviceFlash::Tavrune_B275);

    QCOMPARE(recorder.events, (QStringList {BusyTrue, QStringLiteral("error 5"), BusyFalse}));
    QCOMPARE(SimAdapter::exchangeCount(), 4);
    QCOMPARE(SimAdapter::openHandleCount(), 1);
    QCOMPARE(device.hardwareVersion(), QStringLiteral("0.0.0")); // no half-read block was kept
}

void TestDeviceFlash::tasksRunOneAtATime()
{
    SimAdapter::plug(0xB275);
    SimAdapter::setTiming(SimAdapter::Timing::FullSpeed);
    DeviceFlash device;
    SignalRecorder recorder(&device);
    QVERIFY(device.open(DeviceFlash::VendorId, 0xB275));

    device.startArrivalTask(DeviceFlash::Tavrune_B275);
    device.startArrivalTask(DeviceFlash::Tavrune_B275);

    const QString connected = QStringLiteral("connected true b275");
    QTRY_COMPARE(recorder.events,
        (QStringList {BusyTrue, QStringLiteral("version 2.1.0"), connected, BusyFalse, BusyTrue, connected,
            BusyFalse}));
    // Each task's fifteen reads went out in order, none interleaved with the other's.
    const QList<CommandReport> commands = CommandReport::parse(SimAdapter::transcript());
    QCOMPARE(commands.size(), 30);
    for (int i = 0; i < 30; ++i) {
        const int block = (i % 15) / 5;
        const quint32 start = block == 0 ? ConfigBlock : block == 1 ? 0x08004200 : InfoBlock;
        QCOMPARE(commands[i].address, start + quint32(i % 5) * 56);
    }
}

void TestDeviceFlash::setIsBusyEmitsOnlyOnChange()
{
    DeviceFlash device;
    QSignalSpy spy(&device, &DeviceFlash::isBusyChanged);
    LogCapture log;

    device.setIsBusy(false);
    device.setIsBusy(true);
    device.setIsBusy(true);
    device.setIsBusy(false);

    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy[0][0].toBool(), true);
    QCOMPARE(spy[1][0].toBool(), false);
    QCOMPARE(log.lines(),
        (QStringList {
            QStringLiteral("info setIsBusy --  true"), QStringLiteral("info setIsBusy --  false")}));
}

void TestDeviceFlash::enumsSignalsAndMetaTypesAreReflected()
{
    DeviceFlash device;
    for (const char *name :
        {"Tavrune", "DeviceFlash::Tavrune", "DeviceError", "DeviceFlash::DeviceError", "char*",
            "DeviceFlash::AccessDenial", "DeviceFlash::UpdateOutcome", "FirmwareFile::Fault",
            "DeviceFlash::BackupOutcome"})
        QVERIFY2(QMetaType::type(name) != QMetaType::UnknownType, name);
    QCOMPARE(QMetaType::type("Tavrune"), qMetaTypeId<DeviceFlash::Tavrune>());

    const QMetaObject &meta = DeviceFlash::staticMetaObject;
    QStringList signatures;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        if (meta.method(i).methodType() == QMetaMethod::Signal)
            signatures << QString::fromLatin1(meta.method(i).methodSignature());
    QCOMPARE(signatures,
        (QStringList {QStringLiteral("error(int)"),
            QStringLiteral("deviceRunStateChanged(DeviceFlash::DeviceStatus)"),
            QStringLiteral("versionChanged(QString)"), QStringLiteral("isBusyChanged(bool)"),
            QStringLiteral("upgradeable(bool)"),
            QStringLiteral("deviceConnectStatusChanged(bool,DeviceFlash::Tavrune)"),
            QStringLiteral("write2FlashProgressChanged(qlonglong,qlonglong)"),
            QStringLiteral("dataBackupProgressChanged(qlonglong,qlonglong,char*)"),
            QStringLiteral("dataStoreProgressChanged(qlonglong,qlonglong)"),
            QStringLiteral("settingProgressChanged(qlonglong,qlonglong)"),
            QStringLiteral("settingChanged()"),
            QStringLiteral("accessDenied(QString,DeviceFlash::AccessDenial)"),
            QStringLiteral("adapterInUse(QString)"),
            QStringLiteral("firmwareVerified(bool,qlonglong,qlonglong)"),
            QStringLiteral("updateFinished(DeviceFlash::UpdateOutcome,qlonglong,FirmwareFile::Fault)"),
            QStringLiteral("firmwareBackedUp(DeviceFlash::BackupOutcome,QByteArray,QByteArray)")}));

    const QMetaEnum errors = QMetaEnum::fromType<DeviceFlash::DeviceError>();
    QCOMPARE(errors.keyCount(), 8);
    QCOMPARE(errors.valueToKey(5), "DeviceError_Read_DEV_INFO");
    QCOMPARE(errors.valueToKey(7), "DeviceError_InvalidFile");
    const QMetaEnum states = QMetaEnum::fromType<DeviceFlash::DeviceStatus>();
    QCOMPARE(states.keyCount(), 9);
    QCOMPARE(states.valueToKey(8), "DeviceStatus_Unknow");
}

QTEST_GUILESS_MAIN(TestDeviceFlash)
#include "tst_deviceflash.moc"
