// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The names under which the program presents itself and keeps its per-user data.
namespace ApplicationIdentity {

// Sets application name, version, organisation name and domain, in that order, then the desktop file name.
void apply();

// The folder of the per-user data (the settings file and the firmware cache): the platform's application data
// location, or, once a data root is set, the organisation's and the application's folders under that root.
QString dataFolder();
// Puts the per-user data under root instead, for this process: a program that runs the real window without
// touching the user's data sets it before anything looks the folder up. Windows takes its application data
// folder from the shell, not from the environment, so this is the one way that holds on every platform.
void setDataRoot(const QString &root);

} // namespace ApplicationIdentity
