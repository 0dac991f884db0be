// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "deviceflash.h"

#include "qhiddevice.h"

#include <QDebug>
#include <QtEndian>

#include <cstring>

// Report offsets, counted in the 65-byte buffer whose byte 0 is the report ID.
namespace {

constexpr int LeadOffset = 1;
constexpr int CodeOffset = 2;
constexpr int AddressOffset = 3;
constexpr int LengthOffset = 7;
constexpr int DataOffset = 9;
constexpr char LeadByte = 0x04;

QByteArray commandReport(
    quint8 code, quint32 address, quint16 length, const char *data = nullptr, int dataLength = 0)
{
    QByteArray report(DeviceFlash::ReportSize, '\0');
    uchar *bytes = reinterpret_cast<uchar *>(report.data());
    bytes[LeadOffset] = LeadByte;
    bytes[CodeOffset] = code;
    qToLittleEndian<quint32>(address, bytes + AddressOffset);
    qToLittleEndian<quint16>(length, bytes + LengthOffset);
    if (dataLength > 0)
        std::memcpy(bytes + DataOffset, data, size_t(dataLength));
    return report;
}

quint8 replyCode(const QByteArray &reply)
{
    return quint8(reply.at(CodeOffset));
}

// Code, address and length echo, and the report ID slot, as a read or write reply must carry them.
bool echoes(const QByteArray &reply, const QByteArray &command, quint32 address, quint16 length)
{
    const uchar *bytes = reinterpret_cast<const uchar *>(reply.constData());
    return replyCode(reply) == DeviceFlash::Reply_ReadWrite &&
        qFromLittleEndian<quint32>(bytes + AddressOffset) == address &&
        qFromLittleEndian<quint16>(bytes + LengthOffset) == length && reply.at(0) == command.at(0);
}

} // namespace

bool DeviceFlash::writeCMDData(const QByteArray &report)
{
    if (hid->write(taskHandle, report) < 0) {
        qWarning() << "writeCMDData write error !!!";
        return false;
    }
    return true;
}

bool DeviceFlash::readCMDData(QByteArray &reply)
{
    QByteArray received(ReportSize, '\0');
    const int count = hid->read(taskHandle, received, ReportSize, ReadTimeoutMs);
    // A report cut short would be zero-filled into one whose checks may pass: a chunk ending in zeros would
    // be taken as echoed although the adapter never sent its tail. A time-out (no bytes) stays a zero reply,
    // which every check rejects.
    if (count < 0 || (count > 0 && count < ReportSize - 1)) {
        qWarning() << "readCMDData read error !!!";
        return false;
    }
    // hidapi strips the report ID; put the 0 back so that offsets match the command report.
    reply.fill('\0', ReportSize);
    std::memcpy(reply.data() + 1, received.constData(), size_t(qMin(received.size(), ReportSize - 1)));
    return true;
}

bool DeviceFlash::readFlash(
    quint8 command, quint32 address, quint32 length, char *destination, quint8 progress)
{
    quint32 remaining = length;
    quint32 offset = 0;
    QByteArray reply;
    while (remaining != 0) {
        qInfo() << "DeviceFlash::readFlash" << remaining;
        const quint16 n = quint16(qMin<quint32>(remaining, ChunkSize));
        const QByteArray report = commandReport(command, address, n);
        if (!writeCMDData(report) || !readCMDData(reply) || !echoes(reply, report, address, n))
            return false;
        std::memcpy(destination + offset, reply.constData() + DataOffset, n);
        offset += n;
        address += n;
        remaining -= n;
        if (progress == 1)
            emit dataBackupProgressChanged(length - remaining, length, destination);
    }
    return true;
}

int DeviceFlash::eraseFlash(const FlashImage &image)
{
    for (const FlashRegion &region : image.regions) {
        if (region.address == 0)
            break;
        if (!eraseRegion(region))
            return -1;
    }
    return 0;
}

bool DeviceFlash::eraseRegion(const FlashRegion &region)
{
    qDebug() << "eraseFlash...";
    uchar range[8];
    qToLittleEndian<quint32>(region.address, range);
    qToLittleEndian<quint32>(region.length, range + 4);
    // A failed write is already logged; the missing reply then ends the erase.
    writeCMDData(
        commandReport(Command_Erase, 0, sizeof range, reinterpret_cast<const char *>(range), sizeof range));
    QByteArray reply;
    if (!readCMDData(reply) || replyCode(reply) != Reply_Erase) {
        qWarning() << "erase error !";
        return false;
    }
    return true;
}

qint64 DeviceFlash::write2Flash(const FlashImage &image, quint8 kind)
{
    qDebug() << "write2Flash...";
    qint64 written = 0;
    QByteArray reply;
    for (const FlashRegion &region : image.regions) {
        if (region.length == 0)
            break;
        if (region.length > quint32(FlashRegion::Capacity)) {
            qWarning() << "write2Flash region too long" << region.length;
            return written;
        }
        quint32 address = region.address;
        quint32 offset = 0;
        quint32 remaining = region.length;
        while (remaining != 0) {
            const quint16 n = quint16(qMin<quint32>(remaining, ChunkSize));
            const char *sent = region.data + offset;
            const QByteArray report = commandReport(Command_Write, address, n, sent, n);
            if (!writeCMDData(report)) {
                qWarning() << "write2Flash write error!";
                return written;
            }
            if (!readCMDData(reply) || !echoes(reply, report, address, n)) {
                qWarning() << "write2Flash USB_ERR_DATA_VERIFY 2";
                return written;
            }
            if (std::memcmp(reply.constData() + DataOffset, sent, n) != 0) {
                qWarning() << "write2Flash USB_ERR_DATA_VERIFY 1";
                qDebug().noquote() << "write_data:" << QByteArray(sent, n).toHex();
                qDebug().noquote() << "read_data :" << reply.mid(DataOffset, n).toHex();
                return written;
            }
            address += n;
            offset += n;
            remaining -= n;
            written += n;
            switch (kind) {
            case 0:
                emit write2FlashProgressChanged(written, image.total);
                break;
            case 1:
                emit dataStoreProgressChanged(written, image.total);
                break;
            case 2:
                emit settingProgressChanged(written, image.total);
                break;
            default:
                break;
            }
        }
    }
    return written;
}

int DeviceFlash::probeDevice()
{
    if (!hid->isOpen())
        return -1;
    const char zero = 0;
    if (!writeCMDData(commandReport(Command_Probe, 0, 1, &zero, 1)))
        return -1;
    QByteArray reply;
    return readCMDData(reply) && replyCode(reply) == Reply_Probe ? 1 : -1;
}
