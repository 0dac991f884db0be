// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "camera.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QPainter>
#include <QPixmap>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QWidget>

Camera::Camera(const QDir &folder, const QString &suffix)
    : m_folder(folder)
    , m_suffix(suffix)
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
    take(QList<QWidget *> {widget}, name);
}

void Camera::take(const QList<QWidget *> &widgets, const QString &name)
{
    for (QWidget *widget : widgets) {
        if (!widget->isVisible())
            widget->show();
    }
    // Long enough for a pending layout, a style sheet polish and a few frames of the busy animation.
    QEventLoop settling;
    QTimer::singleShot(300, &settling, &QEventLoop::quit);
    settling.exec();

    // Laid out in the windows' own units; a window at scale 2 brings twice the pixels each way.
    QList<QPixmap> shots;
    QSizeF size;
    const int gap = widgets.size() > 1 ? 16 : 0;
    qreal ratio = 1;
    for (QWidget *widget : widgets) {
        shots.append(withOpenDialogs(widget));
        ratio = shots.last().devicePixelRatio();
        const QSizeF shot = QSizeF(shots.last().size()) / ratio;
        size = QSizeF(size.width() + shot.width() + (shots.size() > 1 ? gap : 0), qMax(size.height(), shot.height()));
    }
    QPixmap picture((size * ratio).toSize());
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    qreal x = 0;
    for (const QPixmap &shot : shots) {
        painter.drawPixmap(QPointF(x, 0), shot);
        x += shot.width() / ratio + gap;
    }
    painter.end();

    const QString path = m_folder.filePath(name + m_suffix + QStringLiteral(".png"));
    const bool saved = picture.save(path, "PNG");
    QTextStream(saved ? stdout : stderr) << (saved ? "" : "could not write ") << path << Qt::endl;
    if (!saved)
        ++m_failures;
}

bool Camera::waitFor(const QString &name, const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            fail(QStringLiteral("the moment for %1 never came").arg(name));
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void Camera::fail(const QString &why)
{
    QTextStream(stderr) << why << Qt::endl;
    ++m_failures;
}
