#include "camera.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTextStream>
#include <QWidget>

Camera::Camera(const QDir &folder)
    : m_folder(folder)
{
}

bool Camera::take(QWidget *widget, const QString &name)
{
    if (!widget->isVisible())
        widget->show();
    // Long enough for a pending layout, a style sheet polish and a few frames of the busy animation.
    QElapsedTimer settling;
    settling.start();
    while (settling.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

    const QString path = m_folder.filePath(name + QStringLiteral(".png"));
    const bool saved = widget->grab().save(path, "PNG");
    QTextStream(saved ? stdout : stderr) << (saved ? "" : "could not write ") << path << Qt::endl;
    if (!saved)
        ++m_failures;
    return saved;
}
