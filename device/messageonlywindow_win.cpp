// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "messageonlywindow.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>

#include <qt_windows.h>

static LRESULT CALLBACK messageOnlyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (const auto filter = reinterpret_cast<QAbstractNativeEventFilter *>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
        MSG msg = {};
        msg.hwnd = window;
        msg.message = message;
        msg.wParam = wParam;
        msg.lParam = lParam;
        long result = 0;
        if (filter->nativeEventFilter(QByteArrayLiteral("windows_generic_MSG"), &msg, &result))
            return result;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

MessageOnlyWindow::MessageOnlyWindow(QAbstractNativeEventFilter *filter, QObject *parent)
    : QObject(parent)
{
    static const wchar_t className[] = L"TavruneMessageOnlyWindow";
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = messageOnlyWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    // Registered by the first window of the process; later ones find the class there.
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return;
    const HWND window = CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        windowClass.hInstance, nullptr);
    if (!window)
        return;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(filter));
    m_handle = reinterpret_cast<quintptr>(window);
}

MessageOnlyWindow::~MessageOnlyWindow()
{
    if (!m_handle)
        return;
    // The filter may be going away with this window's parent: the messages of the window's end are not its.
    const auto window = reinterpret_cast<HWND>(m_handle);
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
}

quintptr MessageOnlyWindow::handle() const
{
    return m_handle;
}
