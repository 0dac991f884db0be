// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class QAbstractNativeEventFilter;

// A window that only receives messages (Windows), for a front end without windows of its own: device
// notifications must be addressed to a window. Every message it receives goes to filter, as Qt hands a
// window's messages to the application's native event filters.
class MessageOnlyWindow : public QObject
{
    Q_OBJECT

public:
    MessageOnlyWindow(QAbstractNativeEventFilter *filter, QObject *parent = nullptr);
    ~MessageOnlyWindow() override;

    quintptr handle() const; // 0 when the window could not be made

private:
    quintptr m_handle = 0;
};
