// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QTemporaryDir>

// A temporary folder that takes the place of the user's data folder for this process, so that the program's
// settings file and firmware cache are its own and go with it: the demo and the screenshots run the real
// program without reading or writing the user's data.
class PrivateDataFolder
{
public:
    // Makes the folder and puts the program's per-user data under it. Must come before anything looks that
    // folder up.
    PrivateDataFolder();

    bool isValid() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; } // why the folder could not be made
    QString path() const { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
    QString m_error;
};
