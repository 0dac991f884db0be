// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "settingsdialog.h"
#include "ui_settingsdialog.h"

#include "ui/progressdisplay.h"

SettingsDialog::SettingsDialog(QWidget *parent)
    : QDialog(parent, {})
    , ui(std::make_unique<Ui::SettingsDialog>())
    , m_bootMode(-1)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowModality(Qt::WindowModal);
    ui->progressBar->hide();

    connect(ui->toolButton_Close, &QToolButton::clicked, this, [this] {
        setResult(0);
        close();
        emit closed();
    });
    connect(ui->pushButton_DataBackup, &QPushButton::clicked, this, &SettingsDialog::dataBackup);
    connect(ui->pushButton_DataRestore, &QPushButton::clicked, this, &SettingsDialog::dataRestore);
    connect(ui->comboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &SettingsDialog::onBootModeIndexChanged);
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::setProgress(qint64 current, qint64 total)
{
    ProgressDisplay::show(ui->progressBar, current, total);
}

void SettingsDialog::retranslateUi()
{
    // The form renames the boot modes in place, so a language change neither moves the selection
    // nor announces a mode the user did not choose.
    ui->retranslateUi(this);
}

void SettingsDialog::onBootModeIndexChanged(int index)
{
    // Programmatic changes while nobody sees the list are not the user's choice.
    if (!isVisible() || index == m_bootMode)
        return;
    emit bootModeChanged(index);
    m_bootMode = index;
}
