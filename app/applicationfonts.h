// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QPair>
#include <QStringList>

#include <future>

// The fonts the interface languages need, registered for this process only.
namespace ApplicationFonts {

// The six font files, in the order they are registered: the resource bundle's where the build bundles the
// fonts, else the copies the system's font packages install.
QStringList fontPaths();

// Loads the system's font configuration on a worker thread where there is one to load (fontconfig on Linux,
// some milliseconds): it needs nothing of Qt, so it can run while the application object and the
// single-instance guard are set up. Ready once loaded; wait for it before registering fonts, or both load it.
std::future<void> loadSystemConfiguration();

// The family names the interface asks for (the language table's, and the icon font's), each with the
// family of the free font that stands for it.
QList<QPair<QString, QString>> interfaceFamilies();

// Registers each file as an application font; a file that fails is reported and skipped. Then makes each
// family the interface asks for resolve to the free font that stands for it.
void registerAll(const QStringList &paths);

} // namespace ApplicationFonts
