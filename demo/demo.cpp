// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "demo.h"

#include "sandboxpanel.h"
#include "sim/samplecatalogue.h"
#include "sim/simadapter.h"
#include "sim/simcatalogue.h"
#include "ui/mainwindow.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

Demo::Demo(quint16 port, QObject *parent)
    : QObject(parent)
    , m_port(port)
{ }

Demo::~Demo()
{
    // Going away is not the user closing the window: the panel may be gone already.
    if (m_window)
        m_window->removeEventFilter(this);
}

bool Demo::start()
{
    if (!m_dataFolder.isValid()) {
        m_error = m_dataFolder.errorString();
        return false;
    }
    SimAdapter::reset();
    SimAdapter::setTiming(SimAdapter::Timing::FullSpeed);

    m_catalogue = std::make_unique<SimCatalogue>(nullptr, m_port);
    if (!m_catalogue->server()->isListening()) {
        m_error = QStringLiteral("cannot serve the sample catalogue on 127.0.0.1:%1: %2%3")
                      .arg(m_port)
                      .arg(m_catalogue->server()->errorString(),
                          m_port ? QStringLiteral(" (choose another port, or leave --port out for a free one)")
                                 : QString());
        return false;
    }
    SampleCatalogue::fill(*m_catalogue);

    m_window = std::make_unique<MainWindow>(m_catalogue->serverUrl());
    m_window->installEventFilter(this);
    m_panel = std::make_unique<SandboxPanel>(m_catalogue.get(), m_window.get());
    return true;
}

void Demo::show()
{
    m_window->show();
    // Side by side, centred together on the screen as far as it allows.
    const QRect screen = m_window->screen()->availableGeometry();
    const int width = m_window->frameGeometry().width() + 16 + m_panel->sizeHint().width();
    const QPoint origin(screen.left() + qMax(0, (screen.width() - width) / 2),
        screen.top() + qMax(0, (screen.height() - m_window->frameGeometry().height()) / 2));
    m_window->move(origin);
    m_panel->move(origin + QPoint(m_window->frameGeometry().width() + 16, 0));
    m_panel->show();
}

bool Demo::eventFilter(QObject *watched, QEvent *event)
{
    // Hidden and no longer visible: closed, not minimised.
    if (watched == m_window.get() && event->type() == QEvent::Hide && !m_window->isVisible()) {
        m_panel->hide();
        emit finished();
    }
    return QObject::eventFilter(watched, event);
}
