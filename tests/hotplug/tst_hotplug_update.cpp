// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// The adapter pulled in the middle of a firmware update, against the simulated adapter: the update ends at
// its next transfer, nothing claims success, and nothing is sent to the adapter after the removal.
#include "device/deviceflash.h"
#include "devicetests.h"
#include "signalrecorder.h"
#include "sim/simadapter.h"

#include <QtTest>

#include <QProcess>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QTemporaryDir>

namespace {

// A 1000-byte image: erase 0 and 1, image chunks 2 to 19, information block 20 to 24, read-back 25 to 29.
constexpr int imageSize = 1000;
constexpr int total = imageSize + 256;

// The adapter arrives and is read, and nothing of that is left in the recorder.
bool arriveAndSettle(DeviceFlash &device, SignalRecorder &recorder)
{
    device.deviceArrived(0x0E3A, 0xB275);
    if (!DeviceTests::settle(20000))
        return false;
    recorder.events.clear();
    return true;
}

} // namespace

class TestHotplugUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void removalDuringAnUpdateEndsIt_data();
    void removalDuringAnUpdateEndsIt();
    void arrivalDuringAnUpdateLeavesItRunning_data();
    void arrivalDuringAnUpdateLeavesItRunning();
    void anotherAdapterPulledDuringAnUpdateLeavesItRunning_data();
    void anotherAdapterPulledDuringAnUpdateLeavesItRunning();

private:
    QTemporaryDir m_dir;
    QString m_firmware;
    QByteArray m_image;
};

void TestHotplugUpdate::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QByteArray image(imageSize, '\0');
    QRandomGenerator random(7);
    for (char &byte : image)
        byte = char(random.bounded(256));
    QFile imageFile(m_dir.filePath(QStringLiteral("image.bin")));
    QVERIFY(imageFile.open(QIODevice::WriteOnly));
    QCOMPARE(imageFile.write(image), qint64(imageSize));
    m_image = image;
    imageFile.close();

    m_firmware = m_dir.filePath(QStringLiteral("firmware.rfw"));
    QProcess maker;
    maker.start(QStringLiteral(MKRFW_PATH),
        {QStringLiteral("--image"), imageFile.fileName(), QStringLiteral("--version"),
            QStringLiteral("2.2.0"), m_firmware});
    QVERIFY(maker.waitForFinished(30000));
    QCOMPARE(maker.exitCode(), 0);
}

void TestHotplugUpdate::init()
{
    SimAdapter::reset();
    SimAdapter::plug(0xB275);
}

void TestHotplugUpdate::removalDuringAnUpdateEndsIt_data()
{
    QTest::addColumn<int>("exchange");
    QTest::addColumn<bool>("pluggedAgain");
    QTest::addColumn<bool>("completes");

    QTest::addRow("erasing") << 1 << false << false;
    QTest::addRow("first chunk") << 2 << false << false;
    QTest::addRow("middle of the image") << 11 << false << false;
    QTest::addRow("last image chunk") << 19 << false << false;
    QTest::addRow("information block") << 22 << false << false;
    QTest::addRow("last chunk") << 24 << false << false;
    // Every chunk was written and verified: the adapter holds the new firmware, only the read-back fails.
    QTest::addRow("read-back") << 27 << false << true;
    QTest::addRow("middle of the image, plugged again at once") << 11 << true << false;
    QTest::addRow("last chunk, plugged again at once") << 24 << true << false;
}

void TestHotplugUpdate::removalDuringAnUpdateEndsIt()
{
    QFETCH(int, exchange);
    QFETCH(bool, pluggedAgain);
    QFETCH(bool, completes);
    DeviceFlash device;
    SignalRecorder recorder(&device);
    QVERIFY(arriveAndSettle(device, recorder));
    SimAdapter::clearTranscript();

    // The adapter goes while the update's command is on its way; the update goes on only once the GUI
    // thread has handled the removal (and, in some rows, the adapter's return).
    const int pulledAt = SimAdapter::exchangeCount() + exchange;
    int sentBeforeRemoval = -1;
    QSemaphore handled;
    SimAdapter::setExchangeHook([&](int n) {
        if (n != pulledAt)
            return;
        SimAdapter::plug(0);
        QMetaObject::invokeMethod(&device, [&] {
            device.deviceRemoved(0x0E3A, 0xB275);
            sentBeforeRemoval = SimAdapter::transcript().size();
            if (pluggedAgain) {
                SimAdapter::plug(0xB275);
                device.deviceArrived(0x0E3A, 0xB275);
            }
            handled.release();
        });
        handled.acquire();
    });

    device.updateFirmware(m_firmware);
    QVERIFY(DeviceTests::settle(20000));

    const QString completion = QStringLiteral("write %1/%1").arg(total);
    QCOMPARE(recorder.events.contains(completion), completes);
    // Unless every chunk was verified first, the update ends as pulled, after the chunks verified before; a
    // pull during the erase ends it as a failed erase.
    const QStringList progress = recorder.events.filter(QStringLiteral("write "));
    const QString verified = progress.isEmpty() ? QStringLiteral("0") : progress.last().section(QLatin1Char(' '), 1).section(QLatin1Char('/'), 0, 0);
    const QString outcome = completes ? QStringLiteral("Success")
        : exchange < 2                ? QStringLiteral("EraseFailed")
                                      : QStringLiteral("AdapterPulled");
    QCOMPARE(recorder.events.filter(QStringLiteral("finished ")),
        QStringList {QStringLiteral("finished %1 %2 0").arg(outcome, verified)});
    QVERIFY(recorder.events.filter(QStringLiteral("version")).isEmpty());
    QCOMPARE(recorder.events.count(QStringLiteral("connected false b275")), 1);
    QVERIFY(!device.isBusy());
    QCOMPARE(SimAdapter::closedHandleUseCount(), 0);

    // Nothing of the update reaches the adapter after the removal; an adapter plugged again gets only the
    // arrival task's reads, and is reported with its firmware lost (its information block was erased).
    const QList<QByteArray> after = SimAdapter::transcript().mid(sentBeforeRemoval);
    for (const QByteArray &command : after)
        QCOMPARE(int(quint8(command.at(2))), 0x56);
    if (pluggedAgain) {
        QCOMPARE(after.size(), 15);
        QCOMPARE(recorder.events.filter(QStringLiteral("connected")),
            QStringList({QStringLiteral("connected false b275"), QStringLiteral("connected true b275")}));
        QVERIFY(recorder.events.contains(QStringLiteral("error 3")));
        QCOMPARE(SimAdapter::openHandleCount(), 1);
    } else {
        QVERIFY(after.isEmpty());
        QCOMPARE(device.version(), QString());
        QCOMPARE(SimAdapter::openHandleCount(), 0);
    }
}

void TestHotplugUpdate::arrivalDuringAnUpdateLeavesItRunning_data()
{
    QTest::addColumn<int>("exchange");

    QTest::addRow("erasing") << 1;
    QTest::addRow("middle of the image") << 11;
    QTest::addRow("last chunk") << 24;
}

void TestHotplugUpdate::arrivalDuringAnUpdateLeavesItRunning()
{
    QFETCH(int, exchange);
    DeviceFlash device;
    SignalRecorder recorder(&device);
    QVERIFY(arriveAndSettle(device, recorder));

    // Another adapter of the same kind announces itself while the first one is being written.
    const int arrivedAt = SimAdapter::exchangeCount() + exchange;
    QSemaphore handled;
    SimAdapter::setExchangeHook([&](int n) {
        if (n != arrivedAt)
            return;
        QMetaObject::invokeMethod(&device, [&] {
            QTest::ignoreMessage(QtWarningMsg, "deviceArrived ignored while flashing 0xb275");
            device.deviceArrived(0x0E3A, 0xB275);
            handled.release();
        });
        handled.acquire();
    });

    device.updateFirmware(m_firmware);
    QVERIFY(DeviceTests::settle(20000));

    QVERIFY(recorder.events.contains(QStringLiteral("write %1/%1").arg(total)));
    QVERIFY(recorder.events.contains(QStringLiteral("version 2.2.0")));
    QVERIFY(recorder.events.filter(QStringLiteral("connected")).isEmpty());
    QCOMPARE(device.version(), QStringLiteral("2.2.0"));
    QCOMPARE(SimAdapter::openHandleCount(), 1);
}

void TestHotplugUpdate::anotherAdapterPulledDuringAnUpdateLeavesItRunning_data()
{
    QTest::addColumn<int>("product"); // of the second adapter
    QTest::addColumn<QString>("name"); // the removal names it so

    QTest::addRow("by its node") << 0xB275 << QStringLiteral("/dev/hidraw1");
    QTest::addRow("unnamed") << 0xB275 << QString();
    QTest::addRow("under 0xB274") << 0xB274 << QStringLiteral("/dev/hidraw1");
    QTest::addRow("under 0xB270, unnamed") << 0xB270 << QString();
}

void TestHotplugUpdate::anotherAdapterPulledDuringAnUpdateLeavesItRunning()
{
    QFETCH(int, product);
    QFETCH(QString, name);
    DeviceFlash device;
    SignalRecorder recorder(&device);
    QVERIFY(arriveAndSettle(device, recorder));
    SimAdapter::plug(1, quint16(product));

    const int pulledAt = SimAdapter::exchangeCount() + 11;
    QSemaphore handled;
    SimAdapter::setExchangeHook([&](int n) {
        if (n != pulledAt)
            return;
        SimAdapter::plug(1, 0);
        QMetaObject::invokeMethod(&device, [&] {
            device.deviceRemoved(0x0E3A, quint16(product), name);
            handled.release();
        });
        handled.acquire();
    });
    device.updateFirmware(m_firmware);
    QVERIFY(DeviceTests::settle(20000));

    QCOMPARE(recorder.events.filter(QStringLiteral("finished ")),
        QStringList {QStringLiteral("finished Success %1 0").arg(total)});
    QVERIFY(recorder.events.filter(QStringLiteral("connected")).isEmpty());
    QCOMPARE(SimAdapter::flash(0, SimAdapter::FlashBase + 0x5000, imageSize), m_image);
    QCOMPARE(SimAdapter::flash(1, SimAdapter::FlashBase + 0x5000, imageSize), QByteArray(imageSize, char(0xFF)));
    QCOMPARE(device.version(), QStringLiteral("2.2.0"));

    // Plugged in again beside the open one, while it is idle: the open one stays. (Unnamed, an arrival
    // stands for the first adapter listed, the open one here.)
    SimAdapter::plug(1, quint16(product));
    device.deviceArrived(0x0E3A, quint16(product), QStringLiteral("/dev/hidraw1"));
    QVERIFY(DeviceTests::settle());
    QCOMPARE(device.adapterPath(), QByteArray("/dev/hidraw0"));
    QVERIFY(recorder.events.filter(QStringLiteral("connected")).isEmpty());
    QCOMPARE(SimAdapter::openHandleCount(), 1);
}

QTEST_GUILESS_MAIN(TestHotplugUpdate)
#include "tst_hotplug_update.moc"
