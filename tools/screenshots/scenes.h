#pragma once

class Camera;

// Each scene builds the windows of one part of the tool, puts them into the states worth seeing and takes
// their pictures. A new scene is a function here, its own source file, and one entry in main.cpp.
namespace Scenes {

void mainWindow(Camera &camera);
void dialogs(Camera &camera);

} // namespace Scenes
