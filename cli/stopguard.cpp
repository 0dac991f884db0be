// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "stopguard.h"

void StopGuard::requested()
{
    if (!m_held || m_requested)
        return;
    m_requested = true;
    emit stopHeld();
}
