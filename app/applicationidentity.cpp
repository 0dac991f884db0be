// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "applicationidentity.h"

#include <QCoreApplication>
#include <QVariant>

namespace ApplicationIdentity {

void apply()
{
    QCoreApplication::setApplicationName(QStringLiteral("Tavrune M4 Firmware Tool"));
    QCoreApplication::setApplicationVersion(QStringLiteral("3.1.0"));
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrune"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("tavrune.com"));
    // The installed desktop entry's name, by which a Wayland desktop finds the window's icon and menu entry.
    // Set as the application's property, so that the command line, whose application object has no such
    // property and no windows, need not link Qt Gui for it.
    if (QCoreApplication *application = QCoreApplication::instance())
        application->setProperty("desktopFileName", QStringLiteral("com.tavrune.FirmwareTool"));
}

} // namespace ApplicationIdentity
