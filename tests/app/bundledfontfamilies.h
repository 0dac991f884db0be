// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

// The family that each bundled font file provides, in the order in which the program registers the files.
inline QStringList bundledFontFamilies()
{
    return {
        QStringLiteral("DengXian"),
        QStringLiteral("Microsoft Sans Serif"),
        QStringLiteral("Kochi Gothic"),
        QStringLiteral("Consolas"),
        QStringLiteral("Arbutus Slab"),
        QStringLiteral("FontAwesome"),
    };
}
