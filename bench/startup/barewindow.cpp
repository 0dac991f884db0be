// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// A bare Qt window of a given size: what a Qt start-up costs with nothing of the tool in it.

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QWidget window;
    if (args.size() == 3)
        window.resize(args.at(1).toInt(), args.at(2).toInt());
    window.show();
    return app.exec();
}
