// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// Arrival and removal handling of DeviceFlash against the simulated adapter, driven through the entry
// points the platform notification sources call.
#include "device/deviceflash.h"
#include "devicetests.h"
#include "logcapture.h"
#include "signalrecorder.h"
#include "sim/simadapter.h"

#include <QtTest>

#include <QRandomGenerator>
#include <QSemaphore>

using DeviceTests::settle;
using DeviceTests::texts;

namespace {

const QString adapterName =
    QStringLiteral("\\\\?\\USB#VID_0E3A&PID_B275#5&2c4f1a&0&3#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");

QStringList connectionEvents(const QStringList &events)
{
    return events.filter(QStringLiteral("connected "));
}

} // namespace

class TestHotplug : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void arrivalOpensAndStartsTheArrivalTask_data();
    void arrivalOpensAndStartsTheArrivalTask();
    void arrivalWhileConnectedOpensAgain();
    void arrivalOfAnAbsentAdapterIsDropped();
    void arrivalDuringTheStartUpSearchIsAnnounced_data();
    void arrivalDuringTheStartUpSearchIsAnnounced();
    void arrivalOfOtherDevicesChangesNothing_data();
    void arrivalOfOtherDevicesChangesNothing();
    void volumeArrivalOnlyLogs_data();
    void volumeArrivalOnlyLogs();
    void removalClosesAndAnnounces_data();
    void removalClosesAndAnnounces();
    void removalOfOtherDevicesIsLoggedAndIgnored_data();
    void removalOfOtherDevicesIsLoggedAndIgnored();
    void removalDuringTheArrivalTaskEndsItAtItsNextTransfer_data();
    void removalDuringTheArrivalTaskEndsItAtItsNextTransfer();
    void arrivalTaskOfAReplacedHandleDoesNothing();
    void removalSignalsWithoutHoldingUpTheRunningTask();
    void floodOfArrivalsAndRemovalsEndsConsistent_data();
    void floodOfArrivalsAndRemovalsEndsConsistent();
};

void TestHotplug::init()
{
    QVERIFY(settle());
    SimAdapter::reset();
}

void TestHotplug::arrivalOpensAndStartsTheArrivalTask_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<bool>("byName");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QByteArray>("commands");

    const QByteArray configRead(15, char(0x56)); // three blocks of five chunks
    QTest::addRow("B275") << 0xB275 << false
                          << texts({"busy true", "version 2.1.0", "connected true b275", "busy false"})
                          << configRead;
    QTest::addRow("B275 by interface name")
        << 0xB275 << true << texts({"busy true", "version 2.1.0", "connected true b275", "busy false"})
        << configRead;
    QTest::addRow("B270") << 0xB270 << false
                          << texts({"busy true", "version 2.1.0", "connected true b270", "busy false"})
                          << configRead;
    QTest::addRow("B274 is only probed")
        << 0xB274 << false << texts({"busy true", "busy false"}) << QByteArray(1, char(0x5B));
}

void TestHotplug::arrivalOpensAndStartsTheArrivalTask()
{
    QFETCH(int, product);
    QFETCH(bool, byName);
    QFETCH(QStringList, events);
    QFETCH(QByteArray, commands);
    SimAdapter::plug(quint16(product));
    DeviceFlash device;
    SignalRecorder recorder(&device);

    if (byName)
        device.deviceInterfaceArrived(adapterName);
    else
        device.deviceArrived(0x0E3A, quint16(product));
    QVERIFY(settle());

    QCOMPARE(SimAdapter::openAttempts(), (QList<QPair<quint16, quint16>> {{0x0E3A, quint16(product)}}));
    QCOMPARE(recorder.events, events);
    QCOMPARE(DeviceTests::commandCodes(SimAdapter::transcript()), commands);
    QCOMPARE(SimAdapter::openHandleCount(), 1);
}

void TestHotplug::arrivalWhileConnectedOpensAgain()
{
    SimAdapter::plug(0xB275);
    DeviceFlash device;
    SignalRecorder recorder(&device);
    device.deviceArrived(0x0E3A, 0xB275);
    QVERIFY(settle());
    recorder.events.clear();
    SimAdapter::clearTranscript();

    device.deviceArrived(0x0E3A, 0xB275);
    QVERIFY(settle());

    // The same version read again is not announced again; the connection is.
    QCOMPARE(recorder.events, texts({"busy true", "connected true b275", "busy false"}));
    QCOMPARE(SimAdapter::openAttempts().size(), 2);
    QCOMPARE(SimAdapter::openHandleCount(), 1);
    QCOMPARE(DeviceTests::commandCodes(SimAdapter::transcript()), QByteArray(15, char(0x56)));
}

void TestHotplug::arrivalOfAnAbsentAdapterIsDropped()
{
    DeviceFlash device;
    SignalRecorder recorder(&device);

    device.deviceArrived(0x0E3A, 0xB275);
    QVERIFY(settle());

    QCOMPARE(SimAdapter::openAttempts().size(), 2); // the retry
    QVERIFY(recorder.events.isEmpty());
    QVERIFY(!device.isBusy());
}

void TestHotplug::arrivalDuringTheStartUpSearchIsAnnounced_data()
{
    QTest::addColumn<int>("delayMs"); // after the search started; it waits a second before each retry
    QTest::addRow("while B274 waits for its retry") << 300;
    QTest::addRow("while B275 waits for its retry") << 1300;
    QTest::addRow("while B270 waits for its retry") << 2300;
}

void TestHotplug::arrivalDuringTheStartUpSearchIsAnnounced()
{
    QFETCH(int, delayMs);
    DeviceFlash device;
    SignalRecorder recorder(&device);
    device.connected();
    QTest::qWait(delayMs);
    SimAdapter::plug(0xB275);
    device.deviceArrived(0x0E3A, 0xB275);
    QVERIFY(settle());

    QCOMPARE(connectionEvents(recorder.events), texts({"connected true b275"}));
    QCOMPARE(SimAdapter::openHandleCount(), 1);
    QCOMPARE(device.version(), QStringLiteral("2.1.0"));
}

void TestHotplug::arrivalOfOtherDevicesChangesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addRow("flash drive") << QStringLiteral("\\\\?\\USBSTOR#Disk&Ven_SanDisk&Prod_Cruzer_Blade&Rev_1."
                                                   "00#4C530001&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}");
    QTest::addRow("another maker") << QStringLiteral("\\\\?\\USB#VID_046D&PID_B275#5&1&0&1#{a5dcbf10}");
    QTest::addRow("another product") << QStringLiteral("\\\\?\\USB#VID_0E3A&PID_B276#5&1&0&1#{a5dcbf10}");
    QTest::addRow("empty") << QString();
    QTest::addRow("no separator") << QStringLiteral("VID_0E3A&PID_B275");
    QTest::addRow("garbage") << QString::fromUtf8("#\xe2\x82\xac&\x01\x02#&&##\xf0\x9f\x98\x80");
    QTest::addRow("huge") << QStringLiteral("\\\\?\\USB#VID_0E3A&PID_B27") +
            QString(1 << 20, QLatin1Char('5'));
}

void TestHotplug::arrivalOfOtherDevicesChangesNothing()
{
    QFETCH(QString, name);
    SimAdapter::plug(0xB275);
    DeviceFlash device;
    SignalRecorder recorder(&device);

    device.deviceInterfaceArrived(name);
    QVERIFY(settle());

    QVERIFY(SimAdapter::openAttempts().isEmpty());
    QVERIFY(recorder.events.isEmpty());
}

void TestHotplug::volumeArrivalOnlyLogs_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QStringList>("lines");
    QTest::addRow("flash drive") << 0 << texts({"debug upan"});
    QTest::addRow("media") << 1 << texts({"debug CD_Arrived."});
    QTest::addRow("network volume") << 2 << QStringList();
}

void TestHotplug::volumeArrivalOnlyLogs()
{
    QFETCH(int, flags);
    QFETCH(QStringList, lines);
    SimAdapter::plug(0xB275);
    DeviceFlash device;
    SignalRecorder recorder(&device);
    LogCapture log;

    device.volumeArrived(quint16(flags));
    QVERIFY(settle());

    QCOMPARE(log.lines(), lines);
    QVERIFY(recorder.events.isEmpty());
    QVERIFY(SimAdapter::openAttempts().isEmpty());
}

void TestHotplug::removalClosesAndAnnounces_data()
{
    QTest::addColumn<bool>("connectFirst");
    QTest::addColumn<bool>("byName");
    QTest::addRow("connected adapter") << true << false;
    QTest::addRow("connected adapter, by interface name") << true << true;
    QTest::addRow("never reported connected") << false << false;
}

void TestHotplug::removalClosesAndAnnounces()
{
    QFETCH(bool, connectFirst);
    QFETCH(bool, byName);
    SimAdapter::plug(0xB275);
    DeviceFlash device;
    SignalRecorder recorder(&device);
    if (connectFirst) {
        device.deviceArrived(0x0E3A, 0xB275);
        QVERIFY(settle());
        QCOMPARE(device.version(), QStringLiteral("2.1.0"));
        recorder.events.clear();
    }
    LogCapture log;

    SimAdapter::plug(0);
    if (byName)
        device.deviceInterfaceRemoved(adapterName);
    else
        device.deviceRemoved(0x0E3A, 0xB275);
    QVERIFY(settle());

    QCOMPARE(recorder.events, texts({"connected false b275"}));
    QCOMPARE(device.version(), QString());
    QVERIFY(!device.isBusy());
    QCOMPARE(SimAdapter::openHandleCount(), 0);
    QCOMPARE(log.lines(QStringLiteral("warning")), texts({"warning nativeEventFilter closed. 0xb275"}));
    QCOMPARE(log.lines(QStringLiteral("debug 0xe3a")), texts({"debug 0xe3a 0xb275 true true"}));
    if (byName)
        QCOMPARE(log.lines(QStringLiteral("debug ---")).size(), 1);
}

void TestHotplug::removalOfOtherDevicesIsLoggedAndIgnored_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("line");
    QTest::addRow("unknown product") << QStringLiteral("\\\\?\\USB#VID_0E3A&PID_B276#5&1&0&1")
                                     << QStringLiteral("debug 0xe3a 0xb276 true false");
    QTest::addRow("another maker") << QStringLiteral("\\\\?\\USB#VID_046D&PID_B275#5&1&0&1")
                                   << QStringLiteral("debug 0x46d 0xb275 false true");
    QTest::addRow("flash drive") << QStringLiteral("\\\\?\\USBSTOR#Disk&Ven_SanDisk&Prod_Cruzer&Rev_1.00#1")
                                 << QStringLiteral("debug 0x0 0x0 false false");
}

void TestHotplug::removalOfOtherDevicesIsLoggedAndIgnored()
{
    QFETCH(QString, name);
    QFETCH(QString, line);
    SimAdapter::plug(0xB275);
    DeviceFlash device;
    SignalRecorder recorder(&device);
    device.deviceArrived(0x0E3A, 0xB275);
    QVERIFY(settle());
    recorder.events.clear();
    LogCapture log;

    device.deviceInterfaceRemoved(name);
    QVERIFY(settle());

    QVERIFY(log.lines().contains(line));
    QVERIFY(log.lines(QStringLiteral("warning")).isEmpty());
    QVERIFY(recorder.events.isEmpty());
    QCOMPARE(SimAdapter::openHandleCount(), 1);
    QCOMPARE(device.version(), QStringLiteral("2.1.0"));
}

void TestHotplug::removalDuringTheArrivalTaskEndsItAtItsNextTransfer_data()
{
    QTest::addColumn<int>("exchange");
    QTest::addRow("first chunk") << 0;
    QTest::addRow("inside the configuration block") << 3;
    QTest::addRow("second block") << 7;
    QTest::addRow("last chunk") << 14;
}

void TestHotplug::removalDuringTheArrivalTaskEndsItAtItsNextTransfer()
{
    QFETCH(int, exchange);
    SimAdapter::plug(0xB275);
    DeviceFlash device;
    SignalRecorder recorder(&device);
    // The adapter is pulled while the task's command is on its way, and the task goes on only once the
    // GUI thread has handled the removal.
    QSemaphore removed;
    SimAdapter::setExchangeHook([&](int n) {
        if (n != exchange)
            return;
        SimAdapter::plug(0);
        QMetaObject::invokeMethod(&device, [&] {
            device.deviceRemoved(0x0E3A, 0xB275);
            removed.release();
        });
        removed.acquire();
    });

    device.deviceArrived(0x0E3A, 0xB275);
    QVERIFY(settle());

    QCOMPARE(recorder.events, texts({"busy true", "busy false", "connected false b275", "error 5"}));
    QCOMPARE(SimAdapter::exchangeCount(), exchange + 1);
    QCOMPARE(SimAdapter::closedHandleUseCount(), 0);
    QCOMPARE(SimAdapter::openHandleCount(), 0);
    QCOMPARE(device.version(), QString());
    QVERIFY(!device.isBusy());
}

void TestHotplug::arrivalTaskOfAReplacedHandleDoesNothing()
{
    SimAdapter::plug(0xB275);
    DeviceFlash device;
    SignalRecorder recorder(&device);
    // While the first arrival's task waits in its first exchange, the adapter is plugged again, pulled,
    // and plugged back in boot mode; the second arrival's task, still queued, must not read the boot-mode
    // adapter as if it were the one it was started for.
    QSemaphore replugged;
    SimAdapter::setExchangeHook([&](int n) {
        if (n != 0)
            return;
        QMetaObject::invokeMethod(&device, [&] {
            device.deviceArrived(0x0E3A, 0xB275);
            SimAdapter::plug(0);
            device.deviceRemoved(0x0E3A, 0xB275);
            SimAdapter::plug(0xB274);
            device.deviceArrived(0x0E3A, 0xB274);
            replugged.release();
        });
        replugged.acquire();
    });

    device.deviceArrived(0x0E3A, 0xB275);
    QVERIFY(settle());

    QCOMPARE(DeviceTests::commandCodes(SimAdapter::transcript()), QByteArray(1, char(0x5B)));
    QCOMPARE(connectionEvents(recorder.events), texts({"connected false b275"}));
    QCOMPARE(SimAdapter::openHandleCount(), 1);
    QCOMPARE(SimAdapter::closedHandleUseCount(), 0);
    QVERIFY(!device.isBusy());
}

// A receiver connected directly in the GUI thread may wait for the device work to end, as a window closing
// on a disconnection does; the task pulled from under it must still be able to finish meanwhile.
void TestHotplug::removalSignalsWithoutHoldingUpTheRunningTask()
{
    SimAdapter::plug(0xB275);
    DeviceFlash device;
    QSemaphore announced;
    bool taskEnded = false;
    connect(
        &device, &DeviceFlash::deviceConnectStatusChanged, &device,
        [&](bool connected) {
            if (connected)
                return;
            announced.release();
            taskEnded = DeviceFlash::taskPool()->waitForDone(5000);
        },
        Qt::DirectConnection);
    SimAdapter::setExchangeHook([&](int n) {
        if (n != 3)
            return;
        QMetaObject::invokeMethod(&device, [&] {
            SimAdapter::plug(0);
            device.deviceRemoved(0x0E3A, 0xB275);
        });
        announced.acquire();
    });

    device.deviceArrived(0x0E3A, 0xB275);
    QVERIFY(settle());

    QVERIFY(taskEnded);
    QCOMPARE(SimAdapter::exchangeCount(), 4);
    QCOMPARE(SimAdapter::closedHandleUseCount(), 0);
}

void TestHotplug::floodOfArrivalsAndRemovalsEndsConsistent_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<bool>("endPlugged");
    for (quint32 seed = 1; seed <= 4; ++seed) {
        QTest::addRow("seed %u, ending pulled", seed) << seed << false;
        QTest::addRow("seed %u, ending plugged", seed) << seed << true;
    }
}

void TestHotplug::floodOfArrivalsAndRemovalsEndsConsistent()
{
    QFETCH(quint32, seed);
    QFETCH(bool, endPlugged);
    SimAdapter::setTiming(SimAdapter::Timing::FullSpeed);
    SimAdapter::plug(0xB275);
    DeviceFlash device;
    SignalRecorder recorder(&device);
    QRandomGenerator random(seed);

    // Arrivals come only while the adapter is plugged, so that no open waits for its retry; removals
    // come in any state, repeated ones included, as a flaky cable or a bouncing hub produces them.
    for (int step = 0; step < 200; ++step) {
        const bool arrive = step == 199 ? endPlugged : random.bounded(2) == 0;
        if (arrive) {
            SimAdapter::plug(0xB275);
            device.deviceArrived(0x0E3A, 0xB275);
        } else {
            SimAdapter::plug(0);
            device.deviceRemoved(0x0E3A, 0xB275);
        }
        QTest::qWait(int(random.bounded(4)));
    }
    QVERIFY(settle());

    const QStringList connections = connectionEvents(recorder.events);
    QVERIFY(!connections.isEmpty());
    QCOMPARE(connections.last(),
        endPlugged ? QStringLiteral("connected true b275") : QStringLiteral("connected false b275"));
    QCOMPARE(SimAdapter::openHandleCount(), endPlugged ? 1 : 0);
    QCOMPARE(device.version(), endPlugged ? QStringLiteral("2.1.0") : QString());
    QCOMPARE(SimAdapter::closedHandleUseCount(), 0);
    QVERIFY(!device.isBusy());
}

QTEST_GUILESS_MAIN(TestHotplug)
#include "tst_hotplug.moc"
