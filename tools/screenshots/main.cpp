// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// Renders pictures of the tool's windows into a folder, without a display:
//     tavrune-screenshots [folder]
// The folder defaults to screenshots/ at the top of the source tree; it is created if needed. The windows
// run against the simulated adapter and the sample catalogue on 127.0.0.1, with a data folder of their own.
#include "app/applicationfonts.h"
#include "app/applicationidentity.h"
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
    QApplication app(argc, argv);
    ApplicationIdentity::apply();
    ApplicationFonts::registerAll(ApplicationFonts::bundledPaths());

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

    Camera camera {QDir(folder)};
    for (auto scene : {Scenes::mainWindow, Scenes::dialogs, Scenes::demo})
        scene(camera, catalogue);
    return camera.failures() == 0 ? 0 : 1;
}
