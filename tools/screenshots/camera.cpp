#include "camera.h"

#include <QEventLoop>
#include <QPixmap>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

Camera::Camera(const QDir &folder)
    : m_folder(folder)
{ }

void Camera::take(QWidget *widget, const QString &name)
{
    if (!widget->isVisible())
        widget->show();
    // Long enough for a pending layout, a style sheet polish and a few frames of the busy animation.
    QEventLoop settling;
    QTimer::singleShot(300, &settling, &QEventLoop::quit);
    settling.exec();

    const QString path = m_folder.filePath(name + QStringLiteral(".png"));
    const bool saved = widget->grab().save(path, "PNG");
    QTextStream(saved ? stdout : stderr) << (saved ? "" : "could not write ") << path << Qt::endl;
    if (!saved)
        ++m_failures;
}
