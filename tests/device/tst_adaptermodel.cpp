// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT

// The adapter model's decisions where the host relies on nothing, one case each; every simulated adapter
// answers through it, so the protocol tests elsewhere exercise the rest.

#include "sim/adaptermodel.h"

#include <QtTest>

namespace {

constexpr quint32 Free = 0x08010000; // erased flash, outside the blocks

// A command report as the adapter receives it (64 bytes, no report ID), written out independently.
QByteArray command(quint8 code, quint32 address, quint16 length, const QByteArray &data = QByteArray())
{
    QByteArray bytes(64, '\0');
    bytes[0] = 0x04;
    bytes[1] = char(code);
    for (int i = 0; i < 4; ++i)
        bytes[2 + i] = char(address >> (8 * i));
    bytes[6] = char(length & 0xFF);
    bytes[7] = char(length >> 8);
    bytes.replace(8, data.size(), data);
    return bytes.left(64);
}

QByteArray eraseRange(quint32 start, quint32 count)
{
    QByteArray range;
    for (quint32 value : {start, count})
        for (int i = 0; i < 4; ++i)
            range.append(char(value >> (8 * i)));
    return range;
}

QByteArray answer(AdapterModel &model, const QByteArray &report)
{
    QByteArray reply(64, '\0');
    model.answer(reinterpret_cast<const uchar *>(report.constData()), reinterpret_cast<uchar *>(reply.data()));
    return reply;
}

} // namespace

class TestAdapterModel : public QObject
{
    Q_OBJECT

private slots:
    void answersEachCommand_data();
    void answersEachCommand();
    void resetRestoresEverythingChanged();
};

void TestAdapterModel::answersEachCommand_data()
{
    QTest::addColumn<QByteArray>("before"); // at Free, stored before the command
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<quint8>("replyCode");
    QTest::addColumn<QByteArray>("replyData"); // the reply's data bytes that are not zero come first
    QTest::addColumn<QByteArray>("after"); // at Free, as many bytes as before

    const QByteArray sent = QByteArray::fromHex("0f3cf0a5");
    QTest::addRow("write to erased flash echoes what was sent")
        << QByteArray(4, char(0xFF)) << command(0x57, Free, 4, sent) << quint8(0x58) << sent << sent;
    QTest::addRow("write over unerased flash only clears bits")
        << QByteArray::fromHex("f0f0f0f0") << command(0x57, Free, 4, sent) << quint8(0x58)
        << QByteArray::fromHex("0030f0a0") << QByteArray::fromHex("0030f0a0");
    QTest::addRow("read gives the flash")
        << QByteArray::fromHex("123456") << command(0x56, Free, 3) << quint8(0x58) << QByteArray::fromHex("123456")
        << QByteArray::fromHex("123456");
    QTest::addRow("erase sets its range to 0xFF")
        << QByteArray::fromHex("00000000") << command(0x55, 0, 8, eraseRange(Free + 1, 2)) << quint8(0x59)
        << QByteArray() << QByteArray::fromHex("00ffff00");
    QTest::addRow("probe") << QByteArray() << command(0x5B, 0, 1) << quint8(0x5B) << QByteArray() << QByteArray();
    QTest::addRow("unknown command refused, nothing changed")
        << QByteArray::fromHex("00") << command(0x5A, Free, 1, QByteArray(1, '\xFF')) << quint8(0)
        << QByteArray() << QByteArray::fromHex("00");
    QTest::addRow("write of 57 bytes refused") << QByteArray(57, char(0xFF))
                                               << command(0x57, Free, 57, QByteArray(56, '\0')) << quint8(0)
                                               << QByteArray() << QByteArray(57, char(0xFF));
    QTest::addRow("read past the flash's end refused")
        << QByteArray() << command(0x56, AdapterModel::FlashBase + AdapterModel::FlashSize - 2, 3) << quint8(0)
        << QByteArray() << QByteArray();
    QTest::addRow("erase with a length field other than 8 refused")
        << QByteArray::fromHex("00") << command(0x55, 0, 9, eraseRange(Free, 1)) << quint8(0) << QByteArray()
        << QByteArray::fromHex("00");
}

void TestAdapterModel::answersEachCommand()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, report);
    QFETCH(quint8, replyCode);
    QFETCH(QByteArray, replyData);
    QFETCH(QByteArray, after);

    AdapterModel model;
    model.setFlash(Free, before);
    const QByteArray reply = answer(model, report);

    QCOMPARE(quint8(reply.at(1)), replyCode);
    QCOMPARE(reply.left(1) + reply.mid(2, 6), report.left(1) + report.mid(2, 6)); // lead, address, length
    QCOMPARE(reply.mid(8), replyData + QByteArray(56 - replyData.size(), '\0'));
    QCOMPARE(model.flash(Free, after.size()), after);
}

void TestAdapterModel::resetRestoresEverythingChanged()
{
    const AdapterModel fresh;
    const QByteArray factory = fresh.flash(AdapterModel::FlashBase, int(AdapterModel::FlashSize));
    QCOMPARE(factory.mid(0x4000, 8), QByteArray::fromHex("5501000002000000")); // hardware 1.0.0, boot 2.0.0
    QCOMPARE(factory.mid(0x4100, 8), QByteArray::fromHex("5500500008020100")); // firmware 2.1.0
    QCOMPARE(factory.at(0x42FF), '\xAA');

    AdapterModel model;
    model.setVersion(AdapterModel::FirmwareInfo + 5, 9, 9, 9);
    answer(model, command(0x55, 0, 8, eraseRange(AdapterModel::FirmwareArea, 0x3000)));
    answer(model, command(0x57, AdapterModel::FirmwareArea + 0x2F00, 2, QByteArray(2, '\0')));
    answer(model, command(0x57, AdapterModel::FlashBase, 1, QByteArray(1, '\0')));
    model.reset();
    QCOMPARE(model.flash(AdapterModel::FlashBase, int(AdapterModel::FlashSize)), factory);
}

QTEST_APPLESS_MAIN(TestAdapterModel)
#include "tst_adaptermodel.moc"
