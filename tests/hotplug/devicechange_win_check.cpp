// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// Built by the MinGW-w64 cross compiler as a check that the Windows notification path compiles and
// links; on Windows the program also runs the decoding against hand-made messages.
#include "device/devicechange.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include <dbt.h>

// The notification filter has the layout the registration hands to RegisterDeviceNotificationW.
static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) == 32, "filter structure size");
static_assert(DBT_DEVTYP_DEVICEINTERFACE == 5 && DBT_DEVTYP_VOLUME == 2, "device types");
static_assert(WM_DEVICECHANGE == 0x0219 && DBT_DEVICEARRIVAL == 0x8000 && DBT_DEVICEREMOVECOMPLETE == 0x8004,
    "message and events");
static_assert(DEVICE_NOTIFY_WINDOW_HANDLE == 0, "notifications to a window handle");

namespace {

struct InterfaceMessage
{
    DEV_BROADCAST_DEVICEINTERFACE_W header;
    wchar_t rest[64];
};

int failures = 0;

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fputs(what, stderr);
        std::fputs("\n", stderr);
        ++failures;
    }
}

} // namespace

int main()
{
    const wchar_t name[] = L"\\\\?\\USB#VID_0E3A&PID_B275#5&1a2b3c&0&1";
    InterfaceMessage message = {};
    message.header.dbcc_size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + sizeof(name);
    message.header.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::memcpy(message.header.dbcc_name, name, sizeof(name));
    const auto lParam = reinterpret_cast<LPARAM>(&message);

    DeviceChange change = DeviceChange::decode(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, lParam);
    check(change.event == DeviceChange::Event_Arrival && change.type == DeviceChange::Type_Interface &&
            change.interfaceName == name,
        "interface arrival");
    change = DeviceChange::decode(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, lParam);
    check(change.event == DeviceChange::Event_Removal && change.interfaceName == name, "interface removal");

    // A name without its terminator ends with the structure.
    message.header.dbcc_size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + 4 * sizeof(wchar_t);
    change = DeviceChange::decode(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, lParam);
    check(change.interfaceName == L"\\\\?\\", "name bounded by the structure size");

    DEV_BROADCAST_VOLUME volume = {};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_flags = DBTF_MEDIA;
    change = DeviceChange::decode(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
    check(change.type == DeviceChange::Type_Volume && change.volumeFlags == 1, "volume flags");

    check(
        DeviceChange::decode(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, lParam).event == DeviceChange::Event_None,
        "other event ignored");
    check(DeviceChange::decode(WM_PAINT, DBT_DEVICEARRIVAL, lParam).event == DeviceChange::Event_None,
        "other message ignored");
    check(DeviceChange::decode(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0).event == DeviceChange::Event_None,
        "missing header ignored");
    return failures == 0 ? 0 : 1;
}
