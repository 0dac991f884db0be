// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

#include <memory>

class DeviceFlash;
class MainWindow;
class SimCatalogue;

namespace Ui {
class SandboxPanel;
}

// The demo's second window: acts on the simulated world the main window runs in. It plugs and pulls the
// adapter through the same entry points the system's device notifications use, shapes the adapter the
// tool will find, and makes the catalogue server fail, stall or go away.
class SandboxPanel : public QWidget
{
    Q_OBJECT

public:
    SandboxPanel(SimCatalogue *catalogue, MainWindow *window, QWidget *parent = nullptr);
    ~SandboxPanel() override;

    // What the server does with every request.
    enum class ServerMode { Online, Failing, Stalled, Offline };
    Q_ENUM(ServerMode)

    void plug();
    void pull();
    void setServerMode(ServerMode mode);

protected:
    // Closing the panel closes the window, which waits for a running update.
    void closeEvent(QCloseEvent *event) override;

private:
    quint16 selectedProduct() const;
    // Writes the chosen boot loader and block damage into the simulated adapter's flash.
    void shapeAdapter();
    void applySpeed();
    void onWriteProgress(qint64 current, qint64 total);
    void report(const QString &text);

    std::unique_ptr<Ui::SandboxPanel> ui;
    SimCatalogue *m_catalogue;
    MainWindow *m_window;
    DeviceFlash *m_device; // the window's device link, the target of the arrival and removal notifications
    quint16 m_pluggedProduct = 0; // 0 while unplugged
    quint16 m_port; // the server's port, kept to come back online on the same address
};
