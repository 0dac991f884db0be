// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// Runs under umockdev-wrapper: the real libudev monitor sees emulated devices come and go.
#include <umockdev.h>

#include "device/udevmonitor.h"
#include "fakeadapter.h"

#include <QtTest>

#include <csignal>

class TestUdevMonitor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void reportsPlugAndPullOfAnAdapter_data();
    void reportsPlugAndPullOfAnAdapter();
    void reportsADeviceWithSeveralInterfacesOnce();
    void reportsEachPlugOfTheSameProduct();

private:
    UMockdevTestbed *m_testbed = nullptr;
};

void TestUdevMonitor::initTestCase()
{
    m_testbed = umockdev_testbed_new();
    QVERIFY(umockdev_in_mock_environment());
}

void TestUdevMonitor::cleanupTestCase()
{
    g_clear_object(&m_testbed);
}

void TestUdevMonitor::reportsPlugAndPullOfAnAdapter_data()
{
    QTest::addColumn<int>("vendorId");
    QTest::addColumn<int>("productId");
    QTest::addRow("B275") << 0x0E3A << 0xB275;
    QTest::addRow("B274") << 0x0E3A << 0xB274;
    QTest::addRow("another maker's device") << 0x046D << 0xC52B;
}

void TestUdevMonitor::reportsPlugAndPullOfAnAdapter()
{
    QFETCH(int, vendorId);
    QFETCH(int, productId);
    UdevMonitor monitor;
    QVERIFY(monitor.isValid());
    QSignalSpy arrived(&monitor, &UdevMonitor::deviceArrived);
    QSignalSpy removed(&monitor, &UdevMonitor::deviceRemoved);

    FakeAdapter adapter(m_testbed, quint16(vendorId), quint16(productId));
    QVERIFY(adapter.plug());
    QVERIFY(arrived.wait());
    const QVariantList arrival = arrived.takeFirst();
    QCOMPARE(arrival.mid(0, 2),
        QVariantList({QVariant::fromValue(quint16(vendorId)), QVariant::fromValue(quint16(productId))}));
    QVERIFY(removed.isEmpty());

    adapter.unplug();
    QVERIFY(removed.wait());
    const QVariantList removal = removed.takeFirst();
    QCOMPARE(removal.mid(0, 2),
        QVariantList({QVariant::fromValue(quint16(vendorId)), QVariant::fromValue(quint16(productId))}));
    // The same USB device both times, by the key its hidraw node leads to.
    QCOMPARE(removal.at(2).toString(), arrival.at(2).toString());
    QVERIFY(!arrival.at(2).toString().isEmpty());
    QTest::qWait(100);
    QVERIFY(arrived.isEmpty());
    QVERIFY(removed.isEmpty());
}

void TestUdevMonitor::reportsADeviceWithSeveralInterfacesOnce()
{
    UdevMonitor monitor;
    QSignalSpy arrived(&monitor, &UdevMonitor::deviceArrived);
    QSignalSpy removed(&monitor, &UdevMonitor::deviceRemoved);

    FakeAdapter adapter(m_testbed, 0x0E3A, 0xB270, 3);
    QVERIFY(adapter.plug());
    QVERIFY(arrived.wait());
    adapter.unplug();
    QVERIFY(removed.wait());
    QTest::qWait(100);
    QCOMPARE(arrived.count(), 1);
    QCOMPARE(removed.count(), 1);
}

void TestUdevMonitor::reportsEachPlugOfTheSameProduct()
{
    UdevMonitor monitor;
    QSignalSpy arrived(&monitor, &UdevMonitor::deviceArrived);
    QSignalSpy removed(&monitor, &UdevMonitor::deviceRemoved);

    for (int plug = 1; plug <= 3; ++plug) {
        FakeAdapter adapter(m_testbed, 0x0E3A, 0xB275);
        QVERIFY(adapter.plug());
        QTRY_COMPARE(arrived.count(), plug);
        adapter.unplug();
        QTRY_COMPARE(removed.count(), plug);
    }
}

int main(int argc, char *argv[])
{
    // hidapi opens nodes without O_NOCTTY, so a hung-up emulated node may be this process's terminal.
    std::signal(SIGHUP, SIG_IGN);
    QCoreApplication app(argc, argv);
    TestUdevMonitor test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_udevmonitor.moc"
