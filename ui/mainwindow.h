#pragma once

#include "ui/framelesswidget.h"

#include <memory>

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

private:
    void startBusyAnimation();
    void applyStyleSheet();

    std::unique_ptr<Ui::MainWindow> ui;
};
