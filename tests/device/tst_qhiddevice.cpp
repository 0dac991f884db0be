// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "sim/simadapter.h"

#include "device/qhiddevice.h"

#include <QtTest>

#include <thread>

namespace {
constexpr quint16 Vendor = SimAdapter::VendorId;
constexpr quint16 Product = 0xB275;

// A probe command, so that the adapter has a reply to read.
QByteArray probe()
{
    QByteArray report(65, '\0');
    report[1] = 0x04;
    report[2] = 0x5B;
    report[7] = 1;
    return report;
}
} // namespace

// The HID wrapper over the simulated adapter's hidapi.
class TestQHidDevice : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void readHonoursLength_data();
    void readHonoursLength();
    void readThatTimesOutLeavesBufferEmpty();
    void transfersWhileClosedFailWithoutHidapi();
    void openMatchesSerialNumber_data();
    void openMatchesSerialNumber();
    void openReplacesAndDestructionClosesHandle();
    void transfersNamingAnOldHandleFail();
    void closeDuringAReadWaitsForIt();
};

void TestQHidDevice::init()
{
    SimAdapter::reset();
    SimAdapter::plug(Product);
}

void TestQHidDevice::readHonoursLength_data()
{
    QTest::addColumn<int>("bufferSize");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("expected");
    QTest::addRow("-1 takes a 65-byte buffer's size") << 65 << -1 << 64;
    QTest::addRow("-1 takes a 20-byte buffer's size") << 20 << -1 << 20;
    QTest::addRow("explicit length") << 65 << 10 << 10;
}

void TestQHidDevice::readHonoursLength()
{
    QFETCH(int, bufferSize);
    QFETCH(int, length);
    QFETCH(int, expected);
    QHidDevice hid;
    QVERIFY(hid.open(Vendor, Product));
    QCOMPARE(hid.write(probe()), 65);
    QByteArray buffer(bufferSize, 'x');

    QCOMPARE(hid.read(buffer, length, 3000), expected);

    QCOMPARE(buffer.size(), expected);
    QCOMPARE(quint8(buffer.at(1)), quint8(0x5B)); // the reply code, report ID already stripped
}

void TestQHidDevice::readThatTimesOutLeavesBufferEmpty()
{
    QHidDevice hid;
    QVERIFY(hid.open(Vendor, Product));
    QByteArray buffer(65, 'x');
    QCOMPARE(hid.read(buffer, 65, 3000), 0);
    QVERIFY(buffer.isEmpty());
}

void TestQHidDevice::transfersWhileClosedFailWithoutHidapi()
{
    QHidDevice hid;
    QByteArray buffer(65, 'x');
    QCOMPARE(hid.read(buffer, -1, 3000), -1);
    QVERIFY(buffer.isEmpty());
    QCOMPARE(hid.write(probe()), -1);

    QVERIFY(hid.open(Vendor, Product));
    hid.close();
    hid.close();
    QVERIFY(!hid.isOpen());
    QCOMPARE(hid.handleId(), quint64(0));
    QCOMPARE(hid.write(probe()), -1);
    QCOMPARE(SimAdapter::exchangeCount(), 0);
    QCOMPARE(SimAdapter::closedHandleUseCount(), 0);
}

void TestQHidDevice::openMatchesSerialNumber_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<bool>("opens");
    QTest::addRow("none") << QString() << true;
    QTest::addRow("empty, as none") << QStringLiteral("") << true;
    QTest::addRow("the adapter's") << QStringLiteral("TVR-M4-0001") << true;
    QTest::addRow("another") << QStringLiteral("TVR-M4-0002") << false;
}

void TestQHidDevice::openMatchesSerialNumber()
{
    QFETCH(QString, serial);
    QFETCH(bool, opens);
    const int initialised = SimAdapter::hidInitCount();
    QHidDevice hid;
    QCOMPARE(SimAdapter::hidInitCount(), initialised + 1);
    QCOMPARE(hid.open(Vendor, Product, serial), opens);
    QCOMPARE(hid.isOpen(), opens);
}

void TestQHidDevice::openReplacesAndDestructionClosesHandle()
{
    {
        QHidDevice hid;
        QVERIFY(hid.open(Vendor, Product));
        const quint64 first = hid.handleId();
        QVERIFY(hid.open(Vendor, Product));
        QVERIFY(hid.handleId() != first);
        QCOMPARE(SimAdapter::openHandleCount(), 1);

        // A failed open still lets go of the old handle.
        QVERIFY(!hid.open(Vendor, 0xB270));
        QCOMPARE(SimAdapter::openHandleCount(), 0);
        QVERIFY(hid.open(Vendor, Product));
    }
    QCOMPARE(SimAdapter::openHandleCount(), 0);
}

void TestQHidDevice::transfersNamingAnOldHandleFail()
{
    QHidDevice hid;
    QVERIFY(hid.open(Vendor, Product));
    const quint64 old = hid.handleId();
    QVERIFY(hid.open(Vendor, Product));
    QByteArray buffer;

    QCOMPARE(hid.write(old, probe()), -1);
    QCOMPARE(hid.read(old, buffer, 65, 3000), -1);
    QCOMPARE(hid.write(0, probe()), -1);
    QCOMPARE(SimAdapter::exchangeCount(), 0);

    QCOMPARE(hid.write(hid.handleId(), probe()), 65);
    QCOMPARE(hid.read(hid.handleId(), buffer, 65, 3000), 64);
}

// A close from another thread must not pull the handle from under a read that waits on it: hid_close
// comes only when the read has returned.
void TestQHidDevice::closeDuringAReadWaitsForIt()
{
    SimAdapter::setRealTimeouts(true);
    QHidDevice hid;
    QVERIFY(hid.open(Vendor, Product));
    int result = 0;
    std::thread reader([&] {
        QByteArray buffer;
        result = hid.read(buffer, 65, 3000);
    });
    QTRY_COMPARE(SimAdapter::waitingReadCount(), 1);

    hid.close();
    QVERIFY(!hid.isOpen());
    QCOMPARE(SimAdapter::openHandleCount(), 1); // still in the read's hands
    SimAdapter::plug(0); // the adapter goes, as on a removal, and the read fails
    reader.join();

    QCOMPARE(result, -1);
    QCOMPARE(SimAdapter::openHandleCount(), 0);
    QCOMPARE(SimAdapter::closedHandleUseCount(), 0);
}

QTEST_GUILESS_MAIN(TestQHidDevice)
#include "tst_qhiddevice.moc"
