// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// Renders pictures of the tool's windows into a folder, without a display:
//     tavrune-screenshots [folder]
//     QT_SCALE_FACTOR=2 tavrune-screenshots [folder]      (the main window again, as NAME@2x.png)
// The folder defaults to screenshots/ at the top of the source tree; it is created if needed. The windows
// run against the simulated adapter and the sample catalogue on 127.0.0.1, with a data folder of their own.
#include "app/applicationfonts.h"
#include "app/applicationidentity.h"
#include "app/displayscaling.h"
#include "camera.h"
#include "scenes.h"
#include "sim/privatedatafolder.h"
#include "sim/samplecatalogue.h"
#include "sim/simcatalogue.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen screen claims 100 dpi, which would scale every picture by 1.04: only QT_SCALE_FACTOR
    // decides the scale there.
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen" && qEnvironmentVariableIsEmpty("QT_ENABLE_HIGHDPI_SCALING"))
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    DisplayScaling::enable();
    QApplication app(argc, argv);
    ApplicationIdentity::apply();
    ApplicationFonts::registerAll(ApplicationFonts::fontPaths());

    const QStringList args = QCoreApplication::arguments();
    const QString folder = args.size() > 1 ? args.at(1) : QStringLiteral(TAVRUNE_SCREENSHOT_DIR);
    if (!QDir().mkpath(folder)) {
        QTextStream(stderr) << "cannot create " << folder << Qt::endl;
        return 1;
    }
    const PrivateDataFolder dataFolder;
    if (!dataFolder.isValid()) {
        QTextStream(stderr) << dataFolder.errorString() << Qt::endl;
        return 1;
    }
    SimCatalogue catalogue;
    if (!catalogue.server()->isListening()) {
        QTextStream(stderr) << "cannot serve the sample catalogue: " << catalogue.server()->errorString() << Qt::endl;
        return 1;
    }
    SampleCatalogue::fill(catalogue);

    // At a scale above 1 (QT_SCALE_FACTOR) the main window's pages, its notices and an update are taken again,
    // as NAME@<scale>x.png.
    const qreal ratio = app.devicePixelRatio();
    Camera camera {QDir(folder), ratio > 1 ? QStringLiteral("@%1x").arg(ratio) : QString()};
    const QList<void (*)(Camera &, SimCatalogue &)> scenes = ratio > 1
        ? QList<void (*)(Camera &, SimCatalogue &)> {Scenes::mainWindow}
        : QList<void (*)(Camera &, SimCatalogue &)> {Scenes::mainWindow, Scenes::dialogs, Scenes::demo};
    for (auto scene : scenes)
        scene(camera, catalogue);
    return camera.failures() == 0 ? 0 : 1;
}
