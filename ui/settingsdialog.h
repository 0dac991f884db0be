// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class SettingsDialog;
}

// Frameless dialog offering the adapter's boot mode and its data backup and restore, with their progress.
class SettingsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SettingsDialog(QWidget *parent = nullptr);
    ~SettingsDialog() override;

    // Shows the bar while current is below total and hides it once the operation is complete.
    void setProgress(qint64 current, qint64 total);
    void retranslateUi();

signals:
    void closed();
    void dataBackup();
    void dataRestore();
    void bootModeChanged(int mode);

private:
    void onBootModeIndexChanged(int index);

    std::unique_ptr<Ui::SettingsDialog> ui;
    int m_bootMode; // the boot-mode index last announced by bootModeChanged, -1 before the first
};
