#include "camera.h"
#include "scenes.h"
#include "ui/mainwindow.h"
#include "ui/messagedialog.h"
#include "ui/settingsdialog.h"

#include <QStackedWidget>

namespace Scenes {

// The dialogs over the connected page, styled by the main window as its children.
void dialogs(Camera &camera)
{
    MainWindow window;
    window.findChild<QStackedWidget *>(QStringLiteral("stackedWidget"))->setCurrentIndex(2);

    auto *messages = new MessageDialog(&window);
    messages->showMessage(QStringLiteral("Tavrune Firmware Tool"), QStringLiteral("successfully!"));
    camera.take(&window, QStringLiteral("dialog-message-one-line"));
    // A notice that arrives while another is shown waits for the queue's tick; this one replaces it at once.
    messages->hide();
    messages->showMessage(
        QStringLiteral("Versions"), QStringLiteral("Hardware Version:1.0.2\nBoot Version:2.0.0"));
    camera.take(&window, QStringLiteral("dialog-message-two-lines"));
    messages->hide();

    auto *settings = new SettingsDialog(&window);
    settings->show();
    settings->setProgress(1792, 4352);
    camera.take(&window, QStringLiteral("dialog-settings"));
}

} // namespace Scenes
