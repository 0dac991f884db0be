// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

// Plain Win32, no Qt: this unit is also built by the MinGW-w64 cross compiler on its own.
#include <string>

// Keeps windows.h from defining min and max, which would break the Qt headers included after it.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// One WM_DEVICECHANGE message decoded from its parameters: arrival or removal, of a volume (with its
// flags word) or of a device interface (with its name).
struct DeviceChange
{
    enum Event { Event_None, Event_Arrival, Event_Removal };
    enum Type { Type_None, Type_Volume, Type_Interface };

    Event event = Event_None;
    Type type = Type_None;
    unsigned short volumeFlags = 0;
    std::wstring interfaceName;

    // Event_None for every message, event or device type that is not handled.
    static DeviceChange decode(UINT message, WPARAM wParam, LPARAM lParam);

    // Asks for the arrival and removal messages of one device-interface class, sent to window.
    static bool registerNotification(HWND window, const GUID &interfaceClass);

    static const GUID usbDeviceClass; // GUID_DEVINTERFACE_USB_DEVICE
    static const GUID diskClass; // GUID_DEVINTERFACE_DISK
};
