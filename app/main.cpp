#include "app/applicationfonts.h"
#include "app/applicationidentity.h"
#include "ui/mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The resource bundle is registered by its static initialiser before main() runs.
    QApplication app(argc, argv);
    ApplicationIdentity::apply();

    const QStringList fonts = ApplicationFonts::bundledPaths();
    ApplicationFonts::registerAll(fonts);

    // Declared last, so that it is destroyed first: before the font list and the application object.
    MainWindow window;

    window.show();
    return app.exec();
}
