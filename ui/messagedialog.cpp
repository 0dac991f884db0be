// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "messagedialog.h"
#include "ui_messagedialog.h"

#include "ui/enterkeyactivation.h"

#include <QAccessible>
#include <QTextCursor>
#include <QTimer>

namespace {
// How long a notice stays before a newer one may replace it.
constexpr int QueueTickMs = 3000;
} // namespace

MessageDialog::MessageDialog(QWidget *parent)
    : QDialog(parent, {})
    , ui(std::make_unique<Ui::MessageDialog>())
{
    // The text browser's cursor travels through queued connections.
    qRegisterMetaType<QTextCursor>("QTextCursor");
    ui->setupUi(this);
    m_timer = new QTimer(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowModality(Qt::WindowModal);

    connect(m_timer, &QTimer::timeout, this, &MessageDialog::showNextMessage);
    connect(ui->pushButton_MsgOK, &QPushButton::clicked, this, &MessageDialog::onOkClicked);
    connect(ui->pushButton_MsgRestore, &QPushButton::clicked, this, &MessageDialog::onRestoreClicked);
    connect(ui->pushButton_MsgUpdate, &QPushButton::clicked, this, &MessageDialog::onUpdateClicked);
    connect(ui->toolButton_Close, &QToolButton::clicked, this, &MessageDialog::onCloseClicked);
    // Esc, close() and every other reject bypass the button handlers; a caller waiting in
    // showModalMessage must still get its answer.
    connect(this, &QDialog::finished, &m_eventLoop, &QEventLoop::quit);
    EnterKeyActivation::install(this);
}

MessageDialog::~MessageDialog() = default;

void MessageDialog::showMessage(const QString &title, const QString &text)
{
    showOnlyOkButton();
    // Only the newest notice matters: an older one still waiting is stale.
    m_messageQueue.clear();
    m_messageQueue.append({title, text});
    if (!isVisible())
        showNextMessage();
}

int MessageDialog::showModalMessage(const QString &title, const QString &text)
{
    showOnlyOkButton();
    // A result left over from an earlier showing must not read as OK.
    setResult(0);
    present(title, text);
    m_eventLoop.exec();
    return result();
}

void MessageDialog::retranslateUi()
{
    // The title line belongs to the notice on show, not to the form: a language refresh, which follows
    // most notices at once, must not leave an error without its title.
    const QString title = ui->pushButton_Title->text();
    ui->retranslateUi(this);
    ui->pushButton_Title->setText(title);
}

void MessageDialog::showNextMessage()
{
    if (m_messageQueue.isEmpty())
        return;
    const Notice notice = m_messageQueue.takeLast();
    m_timer->start(QueueTickMs);
    present(notice.title, notice.text);
}

void MessageDialog::present(const QString &title, const QString &text)
{
    // A catalogue's version or change log, or another start's message, is text to show: read as rich text,
    // an image tag could make the window open any file (a FIFO blocks it, /dev/zero exhausts memory), and an
    // "&" in a button's text would become a shortcut.
    QString shownTitle = title;
    ui->pushButton_Title->setText(shownTitle.replace(QLatin1Char('&'), QLatin1String("&&")));
    ui->textBrowser->setPlainText(text);
    // A screen reader reads a dialog by its name and description when it opens.
    setAccessibleName(title);
    setAccessibleDescription(text);
    // Like a message box, a notice opens on its OK button, which Enter and Space then press; the close
    // button comes first in the tab order only because it is the top one.
    ui->pushButton_MsgOK->setFocus(Qt::OtherFocusReason);
    show();
    QAccessibleEvent opened(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&opened);
}

void MessageDialog::showOnlyOkButton()
{
    ui->pushButton_MsgOK->setVisible(true);
    ui->pushButton_MsgRestore->hide();
    ui->pushButton_MsgUpdate->hide();
}

void MessageDialog::onOkClicked()
{
    setResult(1);
    m_eventLoop.quit();
    emit okButtonClicked();
    accept();
    emit closed();
}

void MessageDialog::onRestoreClicked()
{
    setResult(0);
    m_eventLoop.quit();
    emit restoreDefaultsButtonClicked();
    close();
    emit closed();
}

void MessageDialog::onUpdateClicked()
{
    setResult(0);
    m_eventLoop.quit();
    emit updateFirmwareButtonClicked();
    close();
    emit closed();
}

void MessageDialog::onCloseClicked()
{
    setResult(0);
    m_eventLoop.quit();
    close();
    emit closed();
}
