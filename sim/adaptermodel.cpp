// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "adaptermodel.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

constexpr int CodeOffset = 1;
constexpr int AddressOffset = 2;
constexpr int LengthOffset = 6;
constexpr int DataOffset = 8;
constexpr unsigned char Erase = 0x55, Read = 0x56, Write = 0x57, Probe = 0x5B;
constexpr unsigned char Erased = 0x59, ReadWritten = 0x58, Refused = 0x00;

} // namespace

AdapterModel::AdapterModel()
    : m_flash(FlashSize, 0xFF)
    , m_touchedFrom(0)
    , m_touchedTo(FlashSize)
{
    reset();
}

bool AdapterModel::isProbeOnly(quint16 productId)
{
    return productId == ProductIds[0];
}

bool AdapterModel::inFlash(quint32 address, quint32 length)
{
    return address >= FlashBase && length <= FlashSize && address - FlashBase <= FlashSize - length;
}

unsigned char *AdapterModel::at(quint32 address)
{
    return m_flash.data() + (address - FlashBase);
}

void AdapterModel::touch(quint32 address, quint32 length)
{
    const quint32 from = address - FlashBase;
    if (m_touchedFrom == m_touchedTo) {
        m_touchedFrom = from;
        m_touchedTo = from + length;
        return;
    }
    m_touchedFrom = std::min(m_touchedFrom, from);
    m_touchedTo = std::max(m_touchedTo, from + length);
}

void AdapterModel::reset()
{
    std::fill(m_flash.begin() + m_touchedFrom, m_flash.begin() + m_touchedTo, 0xFF);
    for (const quint32 block : {DeviceConfig, FirmwareInfo, ExtraConfig}) {
        std::memset(at(block), 0, BlockSize);
        setMarkers(block, 0x55, 0xAA);
    }
    setVersion(DeviceConfig + 1, 1, 0, 0);
    setVersion(DeviceConfig + 4, 2, 0, 0);
    qToLittleEndian<quint32>(FirmwareArea, at(FirmwareInfo + 1));
    setVersion(FirmwareInfo + 5, 2, 1, 0);
    // The blocks are restored on every reset, so only changes outside them count as touched.
    m_touchedFrom = m_touchedTo = 0;
}

void AdapterModel::answer(const unsigned char *command, unsigned char *reply)
{
    std::memcpy(reply, command, DataOffset);
    std::memset(reply + DataOffset, 0, ReportBytes - DataOffset);
    const quint32 address = qFromLittleEndian<quint32>(command + AddressOffset);
    const quint16 length = qFromLittleEndian<quint16>(command + LengthOffset);
    const unsigned char *data = command + DataOffset;
    const bool chunk = length >= 1 && length <= MaxChunk && inFlash(address, length);
    unsigned char &code = reply[CodeOffset];
    switch (command[CodeOffset]) {
    case Erase: {
        const quint32 start = qFromLittleEndian<quint32>(data);
        const quint32 count = qFromLittleEndian<quint32>(data + 4);
        code = length == 8 && inFlash(start, count) ? Erased : Refused;
        if (code == Erased) {
            touch(start, count);
            std::memset(at(start), 0xFF, count);
        }
        return;
    }
    case Read:
        code = chunk ? ReadWritten : Refused;
        if (chunk)
            std::memcpy(reply + DataOffset, at(address), length);
        return;
    case Write:
        code = chunk ? ReadWritten : Refused;
        if (chunk) {
            touch(address, length);
            unsigned char *target = at(address);
            for (int i = 0; i < length; ++i)
                target[i] &= data[i];
            std::memcpy(reply + DataOffset, target, length);
        }
        return;
    case Probe:
        code = Probe;
        return;
    default:
        code = Refused;
        return;
    }
}

QByteArray AdapterModel::flash(quint32 address, int length) const
{
    if (length < 0 || !inFlash(address, quint32(length)))
        return QByteArray();
    return QByteArray(reinterpret_cast<const char *>(m_flash.data()) + (address - FlashBase), length);
}

void AdapterModel::setFlash(quint32 address, const QByteArray &bytes)
{
    if (!inFlash(address, quint32(bytes.size())))
        return;
    touch(address, quint32(bytes.size()));
    std::memcpy(at(address), bytes.constData(), size_t(bytes.size()));
}

void AdapterModel::setVersion(quint32 address, quint8 major, quint8 minor, quint8 patch)
{
    const char bytes[] = {char(major), char(minor), char(patch)};
    setFlash(address, QByteArray(bytes, sizeof bytes));
}

void AdapterModel::setMarkers(quint32 blockAddress, quint8 start, quint8 end)
{
    setFlash(blockAddress, QByteArray(1, char(start)));
    setFlash(blockAddress + BlockSize - 1, QByteArray(1, char(end)));
}
