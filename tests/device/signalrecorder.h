// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QStringList>

class DeviceFlash;

// Receives every signal of a DeviceFlash in the GUI thread over queued connections, as the main window
// does, and keeps them as short texts in arrival order ("busy true", "version 2.1.0", "connected true b275",
// "finished WriteFailed 112 0": outcome, bytes verified, refusal).
class SignalRecorder : public QObject
{
    Q_OBJECT

public:
    explicit SignalRecorder(DeviceFlash *device);

    QStringList events;
};
