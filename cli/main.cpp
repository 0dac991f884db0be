// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "app/applicationidentity.h"
#include "cli/flashcli.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The window's names, so both keep their settings and firmware cache in the same folder.
    ApplicationIdentity::apply();
    FlashCli cli;
    return cli.run(app.arguments());
}
