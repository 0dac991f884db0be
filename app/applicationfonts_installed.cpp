// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "applicationfonts.h"

namespace ApplicationFonts {

// Where Debian's font packages (the package's dependencies) install the files the bundle would carry.
// A file that is missing is reported and skipped at registration: fontconfig then finds another font
// with the language's characters.
QStringList fontPaths()
{
    return {
        QStringLiteral("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"),
        QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"),
        QStringLiteral("/usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf"),
        QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"),
        QStringLiteral("/usr/share/fonts/opentype/roboto/slab/RobotoSlab-Regular.otf"),
        QStringLiteral("/usr/share/fonts/opentype/font-awesome/FontAwesome.otf"),
    };
}

} // namespace ApplicationFonts
