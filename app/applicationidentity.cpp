// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "applicationidentity.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QVariant>

namespace ApplicationIdentity {

namespace {
QString &dataRoot()
{
    static QString root;
    return root;
}
} // namespace

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

QString dataFolder()
{
    if (dataRoot().isEmpty())
        return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    // Laid out as the platform's location is, where an unset name adds no folder.
    QString folder = QDir::cleanPath(dataRoot());
    for (const QString &name : {QCoreApplication::organizationName(), QCoreApplication::applicationName()}) {
        if (!name.isEmpty())
            folder += QLatin1Char('/') + name;
    }
    return folder;
}

void setDataRoot(const QString &root)
{
    dataRoot() = root;
}

} // namespace ApplicationIdentity
