// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "privatedatafolder.h"

#include <QDir>
#include <QStandardPaths>

PrivateDataFolder::PrivateDataFolder()
{
    if (!m_folder.isValid()) {
        m_error = QStringLiteral("cannot create a private data folder in %1: %2")
                      .arg(QDir::toNativeSeparators(QDir::tempPath()), m_folder.errorString());
        return;
    }
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_folder.path()));
    // Where the location does not follow XDG_DATA_HOME (Windows, macOS), refuse rather than use the user's.
    const QString location = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!QDir::cleanPath(location).startsWith(QDir::cleanPath(m_folder.path()) + QLatin1Char('/')))
        m_error = QStringLiteral("this system keeps application data in %1, outside a private folder")
                      .arg(QDir::toNativeSeparators(location));
}
