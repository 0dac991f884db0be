// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// Runs under umockdev-wrapper: the real udev monitor sees an emulated adapter plugged and pulled, and the
// real hidapi opens it and talks to it; the test answers as the adapter.
#include <umockdev.h>

#include "device/deviceflash.h"
#include "devicetests.h"
#include "fakeadapter.h"
#include "fakeflash.h"
#include "signalrecorder.h"

#include <QtTest>

#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

using DeviceTests::texts;

class TestHotplugUdev : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void plugAndPullConnectAndDisconnect_data();
    void plugAndPullConnectAndDisconnect();
    void pullDuringTheArrivalTaskEndsIt_data();
    void pullDuringTheArrivalTaskEndsIt();
    void pullingTheIdleAdapterLeavesTheUpdateOfTheOtherRunning();

private:
    UMockdevTestbed *m_testbed = nullptr;
};

void TestHotplugUdev::initTestCase()
{
    m_testbed = umockdev_testbed_new();
    QVERIFY(umockdev_in_mock_environment());
}

void TestHotplugUdev::cleanupTestCase()
{
    g_clear_object(&m_testbed);
}

void TestHotplugUdev::plugAndPullConnectAndDisconnect_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QByteArray>("commands");
    QTest::addRow("B275") << 0xB275
                          << texts({"busy true", "version 2.4.1", "connected true b275", "busy false"})
                          << QByteArray(15, char(0x56));
    QTest::addRow("B274") << 0xB274 << texts({"busy true", "busy false"}) << QByteArray(1, char(0x5B));
}

void TestHotplugUdev::plugAndPullConnectAndDisconnect()
{
    QFETCH(int, product);
    QFETCH(QStringList, events);
    QFETCH(QByteArray, commands);
    DeviceFlash device;
    SignalRecorder recorder(&device);
    FakeAdapter adapter(m_testbed, 0x0E3A, quint16(product));

    QVERIFY(adapter.plug());
    FakeFlash flash(adapter.deviceFd());
    QTRY_COMPARE(recorder.events, events);
    QCOMPARE(DeviceTests::commandCodes(flash.commands()), commands);
    QCOMPARE(device.version(), product == 0xB274 ? QString() : QStringLiteral("2.4.1"));

    recorder.events.clear();
    flash.stop();
    adapter.unplug();
    QTRY_COMPARE(recorder.events, QStringList {QStringLiteral("connected false %1").arg(product, 0, 16)});
    QCOMPARE(device.version(), QString());
    QVERIFY(!device.isBusy());
}

void TestHotplugUdev::pullDuringTheArrivalTaskEndsIt_data()
{
    QTest::addColumn<int>("command");
    QTest::addRow("first command") << 0;
    QTest::addRow("second block") << 6;
    QTest::addRow("last command") << 14;
}

void TestHotplugUdev::pullDuringTheArrivalTaskEndsIt()
{
    QFETCH(int, command);
    DeviceFlash device;
    SignalRecorder recorder(&device);
    FakeAdapter adapter(m_testbed, 0x0E3A, 0xB275);
    QVERIFY(adapter.plug());
    FakeFlash flash(adapter.deviceFd());
    // The adapter is pulled with the command unanswered: the task's read fails on the hung-up node and
    // the task ends with that failure; the removal reaches the handling through udev, usually after the
    // task has already reported the failed read and the connection, as it does for any failed read.
    flash.setHook([&](int number, const QByteArray &) {
        if (number != command)
            return true;
        flash.stop();
        adapter.unplug();
        return false;
    });

    QTRY_VERIFY(recorder.events.contains(QStringLiteral("connected false b275")));
    QTRY_VERIFY(!device.isBusy());
    QTRY_VERIFY(recorder.events.contains(QStringLiteral("error 5")));

    QCOMPARE(flash.commands().size(), command + 1);
    QCOMPARE(
        recorder.events.filter(QStringLiteral("connected")).last(), QStringLiteral("connected false b275"));
    QVERIFY(!recorder.events.contains(QStringLiteral("version 2.4.1")));
    QCOMPARE(device.version(), QString());
}

// Two adapters of one kind at two nodes: the second one plugged in beside the first is not opened, and
// pulling it while the first is written leaves that update to complete, which the read-back confirms.
void TestHotplugUdev::pullingTheIdleAdapterLeavesTheUpdateOfTheOtherRunning()
{
    QTemporaryDir dir;
    const QString firmware = dir.filePath(QStringLiteral("firmware.rfw"));
    QCOMPARE(QProcess::execute(QStringLiteral(MKRFW_PATH),
                 {QStringLiteral("--pattern"), QStringLiteral("3000"), QStringLiteral("--version"),
                     QStringLiteral("2.2.0"), firmware}),
        0);
    DeviceFlash device;
    SignalRecorder recorder(&device);
    QSignalSpy verified(&device, &DeviceFlash::firmwareVerified);
    FakeAdapter written(m_testbed, 0x0E3A, 0xB275);
    QVERIFY(written.plug());
    FakeFlash writtenFlash(written.deviceFd());
    QTRY_VERIFY(recorder.events.contains(QStringLiteral("connected true b275")));
    FakeAdapter idle(m_testbed, 0x0E3A, 0xB275);
    QVERIFY(idle.plug());
    FakeFlash idleFlash(idle.deviceFd());
    QTest::qWait(200);
    recorder.events.clear();

    writtenFlash.setHook([&](int number, const QByteArray &) {
        if (number == 15 + 20) {
            idleFlash.stop();
            idle.unplug();
        }
        return true;
    });
    device.updateFirmware(firmware);
    QTRY_VERIFY_WITH_TIMEOUT(!recorder.events.filter(QStringLiteral("finished")).isEmpty(), 20000);
    device.verifyFirmware(firmware);
    QTRY_COMPARE_WITH_TIMEOUT(verified.count(), 1, 20000);

    QCOMPARE(recorder.events.filter(QStringLiteral("finished")),
        QStringList {QStringLiteral("finished Success 3256 0")});
    QCOMPARE(verified.first(), (QVariantList {true, qint64(-1), qint64(0)}));
    QVERIFY(recorder.events.filter(QStringLiteral("connected")).isEmpty());
    QVERIFY(idleFlash.commands().isEmpty());
    writtenFlash.stop();
}

int main(int argc, char *argv[])
{
    // hidapi opens nodes without O_NOCTTY, so a hung-up emulated node may be this process's terminal.
    std::signal(SIGHUP, SIG_IGN);
    QCoreApplication app(argc, argv);
    TestHotplugUdev test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_hotplug_udev.moc"
