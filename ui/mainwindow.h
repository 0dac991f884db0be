#pragma once

#include "ui/framelesswidget.h"

#include <memory>

class MessageDialog;

namespace Ui {
class MainWindow;
}

// The program's one top-level window: header, three pages (start, unconnected, connected) and footer.
class MainWindow : public FramelessWidget
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Brings the window to the front with a notice; how a second start of the tool speaks to this one.
    void showInstanceMessage(const QString &title, const QString &text);

private:
    void startBusyAnimation();
    void applyStyleSheet();

    MessageDialog *m_messageDialog;
    std::unique_ptr<Ui::MainWindow> ui;
};
