// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "framelesswidget.h"

#include <QMouseEvent>
#include <QWindow>

FramelessWidget::FramelessWidget(QWidget *parent)
    : QWidget(parent, Qt::WindowFlags())
    , m_dragPosition(0, 0)
    , m_bPressed(false)
{ }

FramelessWidget::~FramelessWidget() = default;

bool FramelessWidget::startSystemMove()
{
    QWindow *window = windowHandle();
    return window && window->startSystemMove();
}

void FramelessWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragPosition = event->pos();
    // The window system's move also snaps to edges and crosses screens; the own move is for where it declines.
    m_bPressed = !startSystemMove();
}

void FramelessWidget::mouseReleaseEvent(QMouseEvent *)
{
    // Any release ends the drag, so a left drag interrupted by a right click does not resume by itself.
    m_bPressed = false;
}

void FramelessWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() == Qt::LeftButton && m_bPressed)
        move(event->globalPos() - m_dragPosition);
}
