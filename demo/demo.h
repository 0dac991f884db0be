// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include "sim/privatedatafolder.h"

#include <QObject>
#include <QString>

#include <memory>

class MainWindow;
class SandboxPanel;
class SimCatalogue;

// The demo's world and its two windows: the real main window against the simulated adapter and the sample
// catalogue, served on 127.0.0.1 from inside this process, with a data folder of its own; and the sandbox
// panel that plugs, pulls and breaks that world.
class Demo : public QObject
{
    Q_OBJECT

public:
    // Serves the catalogue on port, or on a free port when it is 0.
    explicit Demo(quint16 port = 0, QObject *parent = nullptr);
    ~Demo() override;

    // Builds the world and both windows; false, with errorString() saying why, when it cannot be made safely.
    bool start();
    QString errorString() const { return m_error; }
    // Shows the window and the panel beside it.
    void show();

    MainWindow *window() const { return m_window.get(); }
    SandboxPanel *panel() const { return m_panel.get(); }
    SimCatalogue *catalogue() const { return m_catalogue.get(); }

signals:
    // The main window has closed (by the user, or after a failure it ends on): the demo is over.
    void finished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    quint16 m_port;
    QString m_error;
    PrivateDataFolder m_dataFolder; // made first: nothing may look up the user's data folder before it
    // In this order, so that the panel goes before the window whose device link it drives, and the window
    // before the server it talks to.
    std::unique_ptr<SimCatalogue> m_catalogue;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<SandboxPanel> m_panel;
};
