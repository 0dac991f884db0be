// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

// The families that each interface font file provides, in the order in which the program registers the files:
// each free font under its own name (the Chinese file is a collection of two faces).
inline QList<QStringList> bundledFontFamilies()
{
    return {
        {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("WenQuanYi Micro Hei Mono")},
        {QStringLiteral("DejaVu Sans")},
        {QStringLiteral("VL Gothic")},
        {QStringLiteral("DejaVu Sans Mono")},
        {QStringLiteral("Roboto Slab")},
        {QStringLiteral("FontAwesome")},
    };
}

// A family list as the start-up's "App Font Families:" line prints it: ("A", "B").
inline QString familiesAsLogged(const QStringList &families)
{
    return QStringLiteral("(\"%1\")").arg(families.join(QStringLiteral("\", \"")));
}
