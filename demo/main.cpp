// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// TavruneFirmwareTool-demo: the real tool against a simulated adapter and a sample catalogue served on
// 127.0.0.1, with a sandbox panel beside it. It never reaches a real adapter, server or the user's data.
#include "app/applicationfonts.h"
#include "app/applicationidentity.h"
#include "demo.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ApplicationIdentity::apply();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs the Tavrune M4 Firmware Tool against a simulated adapter and a sample catalogue on 127.0.0.1."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
        QStringLiteral("Serves the sample catalogue on <port> of 127.0.0.1 (default: a free port)."),
        QStringLiteral("port"), QStringLiteral("0"));
    parser.addOption(portOption);
    parser.process(app);
    bool portValid = false;
    const uint port = parser.value(portOption).toUInt(&portValid);
    if (!portValid || port > 65535) {
        QTextStream(stderr) << "TavruneFirmwareTool-demo: not a port number: " << parser.value(portOption) << Qt::endl;
        return 2;
    }

    ApplicationFonts::registerAll(ApplicationFonts::fontPaths());
    Demo demo {quint16(port)};
    if (!demo.start()) {
        QTextStream(stderr) << "TavruneFirmwareTool-demo: " << demo.errorString() << Qt::endl;
        // On a desktop nobody may be reading the terminal; an offscreen run has nobody to click a box.
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            QMessageBox::critical(nullptr, QStringLiteral("Tavrune M4 demo"), demo.errorString());
        return 1;
    }
    QObject::connect(&demo, &Demo::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    demo.show();
    return app.exec();
}
