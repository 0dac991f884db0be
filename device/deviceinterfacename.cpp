// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "deviceinterfacename.h"

#include <QDebug>
#include <QStringList>

namespace {

// The piece from character `from` on, read as hexadecimal; 0 when the piece is missing or is not a
// 16-bit hexadecimal number (a value that does not fit must not be truncated into a match).
quint16 hexPiece(const QStringList &pieces, int index, int from)
{
    bool ok = false;
    const quint16 value = pieces.value(index).mid(from).toUShort(&ok, 16);
    return ok ? value : 0;
}

} // namespace

DeviceInterfaceName DeviceInterfaceName::parse(const QString &name)
{
    // A disk's name carries "Disk&Ven_...&Prod_..." where a USB device's carries "VID_...&PID_...".
    const bool storage = name.contains(QLatin1String("USBSTOR"));
    const QStringList ids = name.split(QLatin1Char('#')).value(1).split(QLatin1Char('&'));
    const int vendorIndex = storage ? 1 : 0;
    qDebug() << ids.value(vendorIndex) << ids.value(vendorIndex + 1) << ids.value(vendorIndex + 2);

    DeviceInterfaceName parsed;
    parsed.vendorId = hexPiece(ids, vendorIndex, 4);
    parsed.productId = hexPiece(ids, vendorIndex + 1, storage ? 5 : 4);
    return parsed;
}
