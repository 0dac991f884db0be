// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

class QString;

// The USB vendor and product ID carried by a Windows device interface name such as
// \\?\USB#VID_0E3A&PID_B275#..., 0 where the name does not give one.
struct DeviceInterfaceName
{
    quint16 vendorId = 0;
    quint16 productId = 0;

    static DeviceInterfaceName parse(const QString &name);
};
