// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "app/applicationfonts.h"
#include "app/applicationidentity.h"
#include "app/displayscaling.h"
#include "app/singleapplication.h"
#include "cloud/synccloud.h"
#include "ui/mainwindow.h"

#include <QDebug>

int main(int argc, char *argv[])
{
    // The resource bundle is registered by its static initialiser before main() runs.
    // The font configuration loads on a thread of its own, beside the application object.
    std::future<void> fontConfiguration = ApplicationFonts::loadSystemConfiguration();
    DisplayScaling::enable();
    // The guard derives its key before the identity strings are set, from the executable's name and path and
    // the user: copies of the tool in different folders, and different users, each run their own. It takes
    // its role meanwhile, mostly waiting, while the fonts and the window are set up here.
    SingleApplication app(argc, argv, true, SingleApplication::PerUser, 1000);
    // As early as the application object allows: it then runs beside the font registration and the widgets,
    // and the window's catalogue object finds Qt's network access ready.
    const std::future<void> networkAccess = SyncCloud::prepareNetworkAccess();
    ApplicationIdentity::apply();

    fontConfiguration.wait();
    const QStringList fonts = ApplicationFonts::fontPaths();
    ApplicationFonts::registerAll(fonts);

    // Declared last, so that it is destroyed first: before the font list and the application object.
    // Built in a later start as well, so that the hand-over below speaks in that start's language.
    MainWindow window;

    if (app.isSecondaryInstance()) {
        const QString text = QObject::tr("Tavrune Firmware Tool is already running!");
        // Whether the running instance got it or not, this start has nothing more to do.
        app.sendMessageToPrimary(text.toUtf8(), 100);
        QCoreApplication::quit();
        return 0;
    }

    QObject::connect(&app, &SingleApplication::instanceStarted, &window, [&window] {
        window.raise();
        window.activateWindow();
    }, Qt::DirectConnection);
    QObject::connect(&app, &SingleApplication::receivedMessage, &window, [&window](quint32, const QByteArray &message) {
        const int end = message.indexOf('\0');
        const QString text = QString::fromUtf8(end < 0 ? message : message.left(end));
        qInfo().noquote() << "Message from another start:" << text;
        window.showInstanceMessage(QObject::tr("Message"), text);
    }, Qt::DirectConnection);

    window.show();
    return app.exec();
}
