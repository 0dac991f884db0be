// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "device/deviceinterfacename.h"

#include <QtTest>

class TestDeviceInterfaceName : public QObject
{
    Q_OBJECT

private slots:
    void parseReadsVendorAndProduct_data();
    void parseReadsVendorAndProduct();
    void parseLogsTheIdPieces();
    void parseSurvivesHugeNames();
};

void TestDeviceInterfaceName::parseReadsVendorAndProduct_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("vendorId");
    QTest::addColumn<int>("productId");

    const QString guid = QStringLiteral("{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
    QTest::addRow("adapter") << QStringLiteral("\\\\?\\USB#VID_0E3A&PID_B275#5&1a2b3c4d&0&2#") + guid
                             << 0x0E3A << 0xB275;
    QTest::addRow("lower case") << QStringLiteral("\\\\?\\usb#vid_0e3a&pid_b270#6&2f&0&1#") + guid << 0x0E3A
                                << 0xB270;
    QTest::addRow("composite interface")
        << QStringLiteral("\\\\?\\USB#VID_0E3A&PID_B274&MI_01#7&3&0&0001") << 0x0E3A << 0xB274;
    QTest::addRow("other device") << QStringLiteral("\\\\?\\USB#VID_046D&PID_C52B#5&1&0&1") << 0x046D
                                  << 0xC52B;
    QTest::addRow("storage device")
        << QStringLiteral("\\\\?\\USBSTOR#Disk&Ven_Kingston&Prod_DataTraveler_3.0&Rev_PMAP#0019E06B&0#") +
            QStringLiteral("{53f56307-b6bf-11d0-94f2-00a0c91efb8b}")
        << 0 << 0;
    // The storage rule reads the vendor and product words, so words that happen to be hexadecimal count.
    QTest::addRow("storage words that read")
        << QStringLiteral("\\\\?\\USBSTOR#Disk&Ven_0E3A&Prod_B275&Rev_1#1") << 0x0E3A << 0xB275;
    QTest::addRow("storage rule is case-sensitive")
        << QStringLiteral("\\\\?\\usbstor#Disk&Ven_0E3A&Prod_B275#1") << 0 << 0x0E3A;
    QTest::addRow("no separator") << QStringLiteral("\\\\?\\USB_VID_0E3A_PID_B275") << 0 << 0;
    QTest::addRow("empty") << QString() << 0 << 0;
    QTest::addRow("only a vendor") << QStringLiteral("\\\\?\\USB#VID_0E3A") << 0x0E3A << 0;
    QTest::addRow("empty second piece") << QStringLiteral("\\\\?\\USB##VID_0E3A&PID_B275") << 0 << 0;
    QTest::addRow("short pieces") << QStringLiteral("USB#VID&PID_#") << 0 << 0;
    QTest::addRow("non-hexadecimal") << QStringLiteral("\\\\?\\USB#VID_0E3G&PID_XYZ1#1") << 0 << 0;
    QTest::addRow("wider than 16 bits") << QStringLiteral("\\\\?\\USB#VID_10E3A&PID_1B275#1") << 0 << 0;
    QTest::addRow("storage with too few pieces") << QStringLiteral("USBSTOR#Disk&Ven_0E3A") << 0x0E3A << 0;
    QTest::addRow("unexpected characters")
        << QStringLiteral("\\\\?\\USB#VID_\u00e9\u4e2d&PID_\u0000B275#\uffff") << 0 << 0;
}

void TestDeviceInterfaceName::parseReadsVendorAndProduct()
{
    QFETCH(QString, name);
    QFETCH(int, vendorId);
    QFETCH(int, productId);

    const DeviceInterfaceName parsed = DeviceInterfaceName::parse(name);

    QCOMPARE(parsed.vendorId, quint16(vendorId));
    QCOMPARE(parsed.productId, quint16(productId));
}

void TestDeviceInterfaceName::parseLogsTheIdPieces()
{
    QTest::ignoreMessage(QtDebugMsg, "\"VID_0E3A\" \"PID_B274\" \"MI_01\"");
    DeviceInterfaceName::parse(QStringLiteral("\\\\?\\USB#VID_0E3A&PID_B274&MI_01#7&3&0&0001"));
    QTest::ignoreMessage(QtDebugMsg, "\"Ven_Kingston\" \"Prod_DT\" \"Rev_PMAP\"");
    DeviceInterfaceName::parse(QStringLiteral("\\\\?\\USBSTOR#Disk&Ven_Kingston&Prod_DT&Rev_PMAP#0"));
    QTest::ignoreMessage(QtDebugMsg, "\"\" \"\" \"\"");
    DeviceInterfaceName::parse(QStringLiteral("no pieces at all"));
}

void TestDeviceInterfaceName::parseSurvivesHugeNames()
{
    QString name = QStringLiteral("\\\\?\\USB#VID_0E3A&PID_B275#");
    name += QString(4 * 1024 * 1024, QLatin1Char('#'));
    QCOMPARE(DeviceInterfaceName::parse(name).productId, quint16(0xB275));

    const QString ampersands = QStringLiteral("USB#") + QString(4 * 1024 * 1024, QLatin1Char('&'));
    QCOMPARE(DeviceInterfaceName::parse(ampersands).vendorId, quint16(0));
}

QTEST_GUILESS_MAIN(TestDeviceInterfaceName)
#include "tst_deviceinterfacename.moc"
