// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

class QProgressBar;

namespace ProgressDisplay {

// Shows current of total on bar while the operation runs and hides the bar once current reaches total.
// The maximum follows total; both values are compared as 64-bit numbers and only then truncated to the
// bar's int range.
void show(QProgressBar *bar, qint64 current, qint64 total);

} // namespace ProgressDisplay
