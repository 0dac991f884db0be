#pragma once

#include <QStringList>

// The fonts the interface languages need, registered for this process only.
namespace ApplicationFonts {

// The bundled font files, in the order they are registered.
QStringList bundledPaths();

// Registers each file as an application font; a file that fails is reported and skipped.
void registerAll(const QStringList &paths);

} // namespace ApplicationFonts
