// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "applicationfonts.h"

#include <fontconfig/fontconfig.h>

namespace ApplicationFonts {

std::future<void> loadSystemConfiguration()
{
    // fontconfig serialises a concurrent first use itself; should the thread not start, the font database
    // loads the configuration on first use as it always does.
    return std::async(std::launch::async | std::launch::deferred, [] { (void)FcInit(); });
}

} // namespace ApplicationFonts
