// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "privatedatafolder.h"

#include "app/applicationidentity.h"

#include <QDir>

PrivateDataFolder::PrivateDataFolder()
{
    if (!m_folder.isValid()) {
        m_error = QStringLiteral("cannot create a private data folder in %1: %2")
                      .arg(QDir::toNativeSeparators(QDir::tempPath()), m_folder.errorString());
        return;
    }
    ApplicationIdentity::setDataRoot(m_folder.path());
    // What else follows the XDG data folder on Linux (a desktop's file dialog keeps its recent files there)
    // stays out of the user's too; elsewhere nothing reads the variable.
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_folder.path()));
}
