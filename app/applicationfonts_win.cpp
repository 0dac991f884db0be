// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "applicationfonts.h"

namespace ApplicationFonts {

// Windows keeps its font list in the system: there is no configuration to load beforehand.
std::future<void> loadSystemConfiguration()
{
    return std::async(std::launch::deferred, [] {});
}

} // namespace ApplicationFonts
