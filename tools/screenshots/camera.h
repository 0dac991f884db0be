// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QDir>
#include <QList>
#include <QString>

#include <functional>

class QWidget;

// Saves pictures of widgets as PNG files into one folder.
class Camera
{
public:
    // Each picture is saved as <name><suffix>.png, e.g. with the suffix "@2x" for a window at scale 2.
    Camera(const QDir &folder, const QString &suffix);

    // Shows the widget if it is not shown yet, lets it settle (layout, style, animations), then saves it,
    // with the dialogs open over it, as <name>.png.
    void take(QWidget *widget, const QString &name);
    // The same for windows that belong together, placed side by side in one picture.
    void take(const QList<QWidget *> &widgets, const QString &name);
    // Runs the event loop until condition holds, for up to timeoutMs; a moment that never comes counts as a
    // failure, named after the picture that waited for it.
    bool waitFor(const QString &name, const std::function<bool()> &condition, int timeoutMs = 20000);

    // Counts a picture that cannot be taken, saying why.
    void fail(const QString &why);

    int failures() const { return m_failures; } // pictures that could not be written or waited for in vain

private:
    QDir m_folder;
    QString m_suffix;
    int m_failures = 0;
};
