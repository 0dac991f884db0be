// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "samplecatalogue.h"

#include "simcatalogue.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>

// The bundle lives in a static library, whose static initialisers the linker drops.
static void initSampleFirmware()
{
    Q_INIT_RESOURCE(samplefirmware);
}

namespace SampleCatalogue {

void fill(SimCatalogue &catalogue)
{
    initSampleFirmware();
    struct Entry
    {
        const char *version;
        const char *changeLog; // ";" separates the lines, as in the maker's catalogue
    };
    static const Entry entries[] = {
        {NewestVersion,
            "Adds a turbo mode to every face button;Cuts the input delay on PlayStation 5 to one frame;"
            "Fixes rumble stopping after the controller is swapped"},
        {DamagedVersion,
            "Fixes diagonals on arcade sticks with a digital pad;Keeps the button mapping after a power cut"},
        {"2.2.0",
            "Supports the Xbox Elite Series 2 controller;Remembers the last console mode;"
            "Lowers the LED brightness at night"},
        {SmallestVersion, "First public release: PlayStation 4/5, Xbox One/Series and Switch controllers"},
    };
    for (const Entry &entry : entries) {
        QFile file(QStringLiteral(":/samplefirmware/%1.rfw").arg(QLatin1String(entry.version)));
        if (!file.open(QIODevice::ReadOnly))
            qWarning() << "sample firmware missing:" << file.fileName();
        catalogue.addFirmware(QLatin1String(entry.version), QString::fromUtf8(entry.changeLog), file.readAll());
    }
    catalogue.setTool(QCoreApplication::applicationVersion());
}

} // namespace SampleCatalogue
