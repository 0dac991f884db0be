#include "camera.h"
#include "scenes.h"
#include "ui/mainwindow.h"

#include <QStackedWidget>

namespace Scenes {

void mainWindow(Camera &camera)
{
    MainWindow window;
    auto *pages = window.findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
    const char *const names[] = {"main-start", "main-unconnected", "main-connected"};
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        camera.take(&window, QLatin1String(names[page]));
    }
}

} // namespace Scenes
