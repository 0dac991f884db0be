// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

class SimCatalogue;

// The firmware catalogue the demo and the screenshots serve: four versions with their change logs and
// firmware files made at build time, the newest with the largest image (131072 bytes) and one damaged on
// purpose, so that the tool's refusal can be seen.
namespace SampleCatalogue {

constexpr const char *NewestVersion = "2.4.0"; // the largest image: a full-speed update takes about 5 s
constexpr const char *DamagedVersion = "2.3.2"; // its file fails the digest check
constexpr const char *SmallestVersion = "2.1.0"; // the quickest update

// Adds the four versions, newest first, and offers this very tool version, so that no tool update is forced.
void fill(SimCatalogue &catalogue);

} // namespace SampleCatalogue
