// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "deviceflash.h"

// The Windows build runs with administrator rights, which its manifest asks for, and hidapi opens the
// adapter shared with other programs: an adapter that is listed and still cannot be opened is one that is
// going away, which its removal notice tells soon enough.
void DeviceFlash::diagnoseOpenFailure(const QByteArray &) { }
