// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "progressdisplay.h"

#include <QProgressBar>

void ProgressDisplay::show(QProgressBar *bar, qint64 current, qint64 total)
{
    if (qint64(bar->maximum()) != total)
        bar->setMaximum(int(total));
    if (current >= total) {
        bar->hide();
        return;
    }
    bar->setValue(int(current));
    if (bar->isHidden())
        bar->show();
}
