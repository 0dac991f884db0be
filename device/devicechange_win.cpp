// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "devicechange.h"

#include <algorithm>
#include <cstddef>

#include <dbt.h>

const GUID DeviceChange::usbDeviceClass = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
const GUID DeviceChange::diskClass = {
    0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

DeviceChange DeviceChange::decode(UINT message, WPARAM wParam, LPARAM lParam)
{
    DeviceChange change;
    if (message != WM_DEVICECHANGE || (wParam != DBT_DEVICEARRIVAL && wParam != DBT_DEVICEREMOVECOMPLETE) ||
        lParam == 0)
        return change;

    // The header's size bounds everything read behind it: a name is taken only up to its terminator or
    // the end of the structure, whichever comes first.
    const auto header = reinterpret_cast<const DEV_BROADCAST_HDR *>(lParam);
    const Event event = wParam == DBT_DEVICEARRIVAL ? Event_Arrival : Event_Removal;
    if (header->dbch_devicetype == DBT_DEVTYP_VOLUME && header->dbch_size >= sizeof(DEV_BROADCAST_VOLUME)) {
        change.event = event;
        change.type = Type_Volume;
        change.volumeFlags = reinterpret_cast<const DEV_BROADCAST_VOLUME *>(lParam)->dbcv_flags;
    } else if (header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
        const std::size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
        if (header->dbch_size < nameOffset)
            return change;
        const wchar_t *name = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W *>(lParam)->dbcc_name;
        const wchar_t *end = name + (header->dbch_size - nameOffset) / sizeof(wchar_t);
        change.event = event;
        change.type = Type_Interface;
        change.interfaceName.assign(name, std::find(name, end, L'\0'));
    }
    return change;
}

bool DeviceChange::registerNotification(HWND window, const GUID &interfaceClass)
{
    DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = interfaceClass;
    return RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE) != nullptr;
}
