// Renders pictures of the tool's windows into a folder, without a display:
//     tavrune-screenshots [folder]
// The folder defaults to screenshots/ at the top of the source tree; it is created if needed.
#include "app/applicationfonts.h"
#include "app/applicationidentity.h"
#include "camera.h"
#include "scenes.h"

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

    Camera camera {QDir(folder)};
    for (auto scene : {Scenes::mainWindow, Scenes::dialogs})
        scene(camera);
    return camera.failures() == 0 ? 0 : 1;
}
