#pragma once

#include <QDir>

class QWidget;

// Saves pictures of widgets as PNG files into one folder.
class Camera
{
public:
    explicit Camera(const QDir &folder);

    // Shows the widget if it is not shown yet, lets it settle (layout, style, animations), then saves it,
    // with the dialogs open over it, as <name>.png.
    void take(QWidget *widget, const QString &name);

    int failures() const { return m_failures; } // pictures that could not be written

private:
    QDir m_folder;
    int m_failures = 0;
};
