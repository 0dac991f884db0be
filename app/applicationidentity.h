// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

// The names under which the program presents itself and keeps its per-user data.
namespace ApplicationIdentity {

// Sets application name, version, organisation name and domain, in that order, then the desktop file name.
void apply();

} // namespace ApplicationIdentity
