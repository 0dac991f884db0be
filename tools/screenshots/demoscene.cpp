// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "camera.h"
#include "demo/demo.h"
#include "demo/sandboxpanel.h"
#include "scenes.h"
#include "sim/samplecatalogue.h"
#include "ui/mainwindow.h"

#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>

namespace Scenes {

// The demo as the README shows it: the window in the middle of an update, the sandbox beside it. The demo
// brings its own catalogue and data folder.
void demo(Camera &camera, SimCatalogue &)
{
    Demo demo;
    if (!demo.start()) {
        camera.fail(demo.errorString());
        return;
    }
    demo.show();
    MainWindow &window = *demo.window();
    auto *versions = window.findChild<QComboBox *>(QStringLiteral("comboBox_Version"));
    camera.waitFor(QStringLiteral("demo"), [versions] { return versions->count() == 4; });
    demo.panel()->plug();
    auto *update = window.findChild<QPushButton *>(QStringLiteral("pushButton_Update"));
    camera.waitFor(QStringLiteral("demo"), [update] { return update->isVisible() && update->isEnabled(); });
    versions->setCurrentIndex(versions->findText(QLatin1String(SampleCatalogue::NewestVersion)));
    update->click();
    auto *bar = window.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    if (camera.waitFor(QStringLiteral("demo"), [bar] { return bar->maximum() > 100000 && bar->value() > bar->maximum() / 3; }))
        camera.take({&window, demo.panel()}, QStringLiteral("demo"));
    camera.waitFor(QStringLiteral("the end of the demo's update"), [update] { return update->isEnabled(); });
}

} // namespace Scenes
