// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

// How the window meets screens of more than 96 dots per inch.
namespace DisplayScaling {

// Scales the window by the screen's density, fractional factors (125%, 150%) included, and lets pictures
// with an @2x file draw from it. Must run before the application object exists.
void enable();

} // namespace DisplayScaling
