// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "applicationfonts.h"

namespace ApplicationFonts {

QStringList fontPaths()
{
    return {
        QStringLiteral(":/fonts/cn-msyh.ttf"),
        QStringLiteral(":/fonts/en-micross.ttf"),
        QStringLiteral(":/fonts/jp-msgothic.ttf"),
        QStringLiteral(":/fonts/ru-consola.ttf"),
        QStringLiteral(":/fonts/arbutusslab-regular.ttf"),
        QStringLiteral(":/fonts/FontAwesome.otf"),
    };
}

} // namespace ApplicationFonts
