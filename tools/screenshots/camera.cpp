#include "camera.h"

#include <QEventLoop>
#include <QPainter>
#include <QPixmap>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

Camera::Camera(const QDir &folder)
    : m_folder(folder)
{ }

// A window as the user sees it: its open dialogs are windows of their own, so grab() leaves them out.
static QPixmap withOpenDialogs(QWidget *window)
{
    QPixmap picture = window->grab();
    QPainter painter(&picture);
    const QPoint origin = window->mapToGlobal(QPoint(0, 0));
    for (QWidget *dialog : window->findChildren<QWidget *>()) {
        if (dialog->isWindow() && dialog->isVisible())
            painter.drawPixmap(dialog->mapToGlobal(QPoint(0, 0)) - origin, dialog->grab());
    }
    return picture;
}

void Camera::take(QWidget *widget, const QString &name)
{
    if (!widget->isVisible())
        widget->show();
    // Long enough for a pending layout, a style sheet polish and a few frames of the busy animation.
    QEventLoop settling;
    QTimer::singleShot(300, &settling, &QEventLoop::quit);
    settling.exec();

    const QString path = m_folder.filePath(name + QStringLiteral(".png"));
    const bool saved = withOpenDialogs(widget).save(path, "PNG");
    QTextStream(saved ? stdout : stderr) << (saved ? "" : "could not write ") << path << Qt::endl;
    if (!saved)
        ++m_failures;
}
