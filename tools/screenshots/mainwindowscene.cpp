// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "camera.h"
#include "scenes.h"
#include "device/deviceflash.h"
#include "sim/samplecatalogue.h"
#include "sim/simadapter.h"
#include "sim/simcatalogue.h"
#include "ui/mainwindow.h"
#include "ui/messagedialog.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>

namespace {

// The window's own widget of that name: its dialogs reuse some of the names.
template<typename T>
T *part(MainWindow &window, const char *name)
{
    for (T *found : window.findChildren<T *>(QLatin1String(name))) {
        if (found->window() == &window)
            return found;
    }
    return nullptr;
}

int page(MainWindow &window)
{
    return part<QStackedWidget>(window, "stackedWidget")->currentIndex();
}

MessageDialog *notices(MainWindow &window)
{
    return window.findChild<MessageDialog *>(QString(), Qt::FindDirectChildrenOnly);
}

// Whether the window's notice is up with that title (the texts are the English catalogue's, not the sources).
bool noticeTitled(MainWindow &window, const QString &title)
{
    MessageDialog *dialog = notices(window);
    return dialog && dialog->isVisible() && dialog->findChild<QPushButton *>(QStringLiteral("pushButton_Title"))->text() == title;
}

void dismissNotice(MainWindow &window)
{
    notices(window)->findChild<QPushButton *>(QStringLiteral("pushButton_MsgOK"))->click();
}

// Updates from the catalogue entry of that version, as a user picking it and pressing Update would.
void startUpdate(MainWindow &window, const char *version)
{
    auto *versions = part<QComboBox>(window, "comboBox_Version");
    versions->setCurrentIndex(versions->findText(QLatin1String(version)));
    part<QPushButton>(window, "pushButton_Update")->click();
}

} // namespace

namespace Scenes {

void mainWindow(Camera &camera, SimCatalogue &catalogue)
{
    SimAdapter::reset();
    SimAdapter::setTiming(SimAdapter::Timing::FullSpeed);
    {
        // The start page shows while the catalogue has not answered.
        LoopbackHttpServer::Reply stall;
        stall.delivery = LoopbackHttpServer::Delivery::Stall;
        stall.body = QByteArray(100, ' ');
        catalogue.server()->setOverride(stall);
        MainWindow window(catalogue.serverUrl());
        camera.take(&window, QStringLiteral("main-start"));
        catalogue.server()->clearOverride();
    }

    MainWindow window(catalogue.serverUrl());
    window.show();
    auto *versions = part<QComboBox>(window, "comboBox_Version");
    if (camera.waitFor(QStringLiteral("main-unconnected"), [&] { return page(window) == 1 && versions->count() == 4; }))
        camera.take(&window, QStringLiteral("main-unconnected"));

    auto *device = window.findChild<DeviceFlash *>();
    SimAdapter::plug(DeviceFlash::Tavrune_B275);
    device->deviceArrived(SimAdapter::VendorId, DeviceFlash::Tavrune_B275);
    auto *versionLine = part<QLabel>(window, "label_CurrentVersion");
    if (camera.waitFor(QStringLiteral("main-connected"),
            [&] { return page(window) == 2 && versionLine->text().endsWith(QLatin1String("2.1.0")); }))
        camera.take(&window, QStringLiteral("main-connected"));

    // Every language on the same page, back to English at the end: the choice is stored.
    auto *languages = part<QComboBox>(window, "comboBox_Languages");
    const char *const codes[] = {"en", "zh", "ja", "ru", "fr"};
    for (int index = 0; index < 5; ++index) {
        languages->setCurrentIndex(index);
        camera.take(&window, QStringLiteral("language-%1").arg(QLatin1String(codes[index])));
    }
    languages->setCurrentIndex(0);

    part<QToolButton>(window, "toolButton_VersionInfo")->click();
    if (camera.waitFor(QStringLiteral("notice-changelog"), [&] { return notices(window)->isVisible(); }))
        camera.take(&window, QStringLiteral("notice-changelog"));
    dismissNotice(window);

    startUpdate(window, SampleCatalogue::NewestVersion);
    auto *bar = part<QProgressBar>(window, "progressBar");
    if (camera.waitFor(QStringLiteral("update-in-progress"), [&] {
            return bar->isVisible() && bar->maximum() > 100000 && bar->value() > bar->maximum() * 2 / 5;
        }))
        camera.take(&window, QStringLiteral("update-in-progress"));
    if (camera.waitFor(QStringLiteral("notice-success"), [&] { return noticeTitled(window, QStringLiteral("Tavrune Firmware Tool")); }))
        camera.take(&window, QStringLiteral("notice-success"));
    dismissNotice(window);

    // The damaged file is refused as it arrives, before it reaches the cache or the adapter.
    startUpdate(window, SampleCatalogue::DamagedVersion);
    if (camera.waitFor(QStringLiteral("notice-refused-download"),
            [&] { return noticeTitled(window, QStringLiteral("Warning")); }))
        camera.take(&window, QStringLiteral("notice-refused-download"));
    dismissNotice(window);
    camera.waitFor(QStringLiteral("the end of the refused update"), [&] { return !device->isBusy(); });
}

} // namespace Scenes
