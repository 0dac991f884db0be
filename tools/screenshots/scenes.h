// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

class Camera;
class SimCatalogue;

// Each scene builds the windows of one part of the tool against the simulated adapter and the sample
// catalogue, puts them into the states worth seeing through the program's own entry points and takes their
// pictures. A new scene is a function here, its own source file, and one entry in main.cpp.
namespace Scenes {

void mainWindow(Camera &camera, SimCatalogue &catalogue);
void dialogs(Camera &camera, SimCatalogue &catalogue);
void demo(Camera &camera, SimCatalogue &catalogue);

} // namespace Scenes
