// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// The main window's language switch: translation, application font and the texts built from them.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "cloud/synccloud.h"
#include "device/deviceflash.h"
#include "ui/messagedialog.h"
#include "ui/settingsdialog.h"

#include <QApplication>
#include <QTranslator>

namespace {

struct Language
{
    const char *translationFile;
    const char *fontFamily;
};

// By the index stored as "CurrentLanguage" and shown in the language list; any other index is English.
const Language languages[] = {
    {":/translations/TavruneFirmwareTool_en_EN.qm", "Microsoft Sans Serif"},
    {":/translations/TavruneFirmwareTool_zh_CN.qm", "DengXian"},
    {":/translations/TavruneFirmwareTool_ja_JP.qm", "Kochi Gothic"},
    {":/translations/TavruneFirmwareTool_ru_RU.qm", "Consolas"},
    {":/translations/TavruneFirmwareTool_fr_FR.qm", "Arbutus Slab"},
};

const Language &languageAt(int index)
{
    return languages[index >= 1 && index <= 4 ? index : 0];
}

} // namespace

void MainWindow::applyLanguageFont(int index)
{
    const QString family = QLatin1String(languageAt(index).fontFamily);
    if (QApplication::font().family() == family)
        return;
    QApplication::setFont(QFont(family, -1, -1, false));
    // A widget that the sheet gives a font size keeps the family it had when the sheet reached it: once the
    // sheet is on, each widget of the window and of its dialogs is handed the new family itself.
    if (styleSheet().isEmpty())
        return;
    for (QWidget *widget : findChildren<QWidget *>()) {
        QFont font = widget->font();
        font.setFamily(family);
        widget->setFont(font);
    }
}

void MainWindow::applyLanguage()
{
    const int index = m_syncCloud->currentLanguage();
    const Language &language = languageAt(index);
    applyLanguageFont(index);

    // Installing the same translator again would list it twice; it is taken out and put back instead.
    QCoreApplication::removeTranslator(m_translator);
    (void)m_translator->load(QLatin1String(language.translationFile));
    QCoreApplication::installTranslator(m_translator);

    // The form refills the language list: that must not read as the user choosing a language.
    disconnect(ui->comboBox_Languages, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &MainWindow::onComboBoxLanguagesChanged);
    ui->retranslateUi(this);
    showNetworkState();
    // A dialog made later reads the new language itself.
    if (m_messageDialog)
        m_messageDialog->retranslateUi();
    if (m_settingsDialog)
        m_settingsDialog->retranslateUi();
    ui->pushButton_Title->setText(
        QStringLiteral("%1 v%2").arg(QCoreApplication::applicationName(), QCoreApplication::applicationVersion()));
    ui->label_CurrentVersion->setText(
        QStringLiteral("%1 | %2").arg(tr("Current Firmware Version"), m_deviceFlash->version()));
    ui->comboBox_Languages->setCurrentIndex(index);
    connect(ui->comboBox_Languages, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &MainWindow::onComboBoxLanguagesChanged);
}

void MainWindow::onComboBoxLanguagesChanged(int index)
{
    m_syncCloud->setCurrentLanguage(index);
    applyLanguage();
}
