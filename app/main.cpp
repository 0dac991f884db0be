#include "app/applicationfonts.h"
#include "ui/mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The resource bundle is registered by its static initialiser before main() runs.
    QApplication app(argc, argv);

    QCoreApplication::setApplicationName(QStringLiteral("Tavrune M4 Firmware Tool"));
    QCoreApplication::setApplicationVersion(QStringLiteral("3.1.0"));
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrune"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("tavrune.com"));

    const QStringList fonts = ApplicationFonts::bundledPaths();
    ApplicationFonts::registerAll(fonts);

    // Built before the window is shown, so that it comes up complete. Declared last, it is destroyed first.
    MainWindow window;

    window.show();
    return app.exec();
}
