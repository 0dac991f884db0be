// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "camera.h"
#include "scenes.h"
#include "device/deviceflash.h"
#include "sim/simadapter.h"
#include "sim/simcatalogue.h"
#include "ui/mainwindow.h"
#include "ui/messagedialog.h"
#include "ui/settingsdialog.h"

#include <QStackedWidget>
#include <QToolButton>

namespace Scenes {

// The dialogs over the connected page, styled by the main window as its children.
void dialogs(Camera &camera, SimCatalogue &catalogue)
{
    SimAdapter::reset();
    SimAdapter::plug(DeviceFlash::Tavrune_B275);
    MainWindow window(catalogue.serverUrl());
    window.show();
    auto *pages = window.findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
    camera.waitFor(QStringLiteral("dialog scenes"), [pages] { return pages->currentIndex() == 2; });

    auto *messages = new MessageDialog(&window);
    messages->showMessage(QStringLiteral("Tavrune Firmware Tool"), QStringLiteral("successfully!"));
    camera.take(&window, QStringLiteral("dialog-message-one-line"));
    messages->hide();
    // The adapter's versions, as the settings button shows them.
    window.findChild<QToolButton *>(QStringLiteral("toolButton_Settings"))->click();
    camera.take(&window, QStringLiteral("dialog-message-two-lines"));
    window.findChild<MessageDialog *>(QString(), Qt::FindDirectChildrenOnly)->hide();

    auto *settings = new SettingsDialog(&window);
    settings->show();
    settings->setProgress(1792, 4352);
    camera.take(&window, QStringLiteral("dialog-settings"));
}

} // namespace Scenes
