// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QEventLoop>
#include <QList>
#include <QString>

#include <memory>

class QTimer;

namespace Ui {
class MessageDialog;
}

// The program's own frameless message box: notices that replace each other, or one that waits for the user.
class MessageDialog : public QDialog
{
    Q_OBJECT

public:
    explicit MessageDialog(QWidget *parent = nullptr);
    ~MessageDialog() override;

    // Shows the notice without waiting; while a notice is on screen the newest one follows at the next tick.
    // Title and text are shown as plain text, exactly as given: they may come from outside the program.
    void showMessage(const QString &title, const QString &text);
    // Shows the notice and returns once it is dismissed: 1 after OK, 0 after any other way of closing it.
    int showModalMessage(const QString &title, const QString &text);
    void retranslateUi();

signals:
    void closed();
    void okButtonClicked();
    void restoreDefaultsButtonClicked();
    void updateFirmwareButtonClicked();

private:
    struct Notice
    {
        QString title;
        QString text;
    };

    void showNextMessage();
    void showOnlyOkButton();
    // Sets the title and text, shows the dialog and has a screen reader read both.
    void present(const QString &title, const QString &text);
    void onOkClicked();
    void onRestoreClicked();
    void onUpdateClicked();
    void onCloseClicked();

    std::unique_ptr<Ui::MessageDialog> ui;
    QTimer *m_timer; // from the first notice on, each tick shows a waiting notice, reopening the dialog
    QEventLoop m_eventLoop; // where showModalMessage waits
    QList<Notice> m_messageQueue; // notices not yet shown
};
