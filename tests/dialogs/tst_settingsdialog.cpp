// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "dialoghost.h"
#include "ui/settingsdialog.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

using ProgressCalls = QList<QPair<qint64, qint64>>;

class TestSettingsDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsHiddenFramelessAndWindowModal();
    void styledByMainWindowDespiteWhiteCard();
    void progressBarShownOnlyWhileIncomplete_data();
    void progressBarShownOnlyWhileIncomplete();
    void bootModeSilentWhileHidden();
    void bootModeAnnouncedOncePerVisibleChange();
    void languageChangeKeepsChosenBootMode();
    void dataButtonsEmitOnEveryClickAndKeepDialogOpen();
    void closeButtonHidesAndEmitsClosed();
    void retranslateUiUsesOwnContext();

private:
    QComboBox *bootModes() const { return formChild<QComboBox>(m_dialog, "comboBox"); }
    QProgressBar *progressBar() const { return formChild<QProgressBar>(m_dialog, "progressBar"); }
    QStringList bootModeTexts() const
    {
        QStringList texts;
        for (int i = 0; i < bootModes()->count(); ++i)
            texts << bootModes()->itemText(i);
        return texts;
    }
    void showDialog()
    {
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
    }

    std::unique_ptr<MainWindow> m_host;
    SettingsDialog *m_dialog = nullptr;
};

void TestSettingsDialog::init()
{
    m_host = makeDialogHost();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
    m_dialog = new SettingsDialog(m_host.get());
}

void TestSettingsDialog::cleanup()
{
    m_host.reset();
    m_dialog = nullptr;
}

void TestSettingsDialog::startsHiddenFramelessAndWindowModal()
{
    QVERIFY(m_dialog->isHidden());
    QCOMPARE(int(m_dialog->windowFlags()), 0x803);
    QCOMPARE(m_dialog->windowModality(), Qt::WindowModal);
    QCOMPARE(m_dialog->parentWidget(), m_host.get());
    QVERIFY(progressBar()->isHidden());
    QCOMPARE(bootModeTexts(),
        QStringList({QStringLiteral("Auto"), QStringLiteral("PS4(PC)"), QStringLiteral("XB360(PC)"),
            QStringLiteral("SWITCH"), QStringLiteral("[TBD]")}));
}

void TestSettingsDialog::styledByMainWindowDespiteWhiteCard()
{
    showDialog();
    m_dialog->setProgress(10, 100);
    QVERIFY(formChild<QPushButton>(m_dialog, "pushButton_DataBackup")->width() >= 360);

    // The card's white reaches every widget on it; the bar's groove and the list's field must still show.
    const QImage bar = progressBar()->grab().toImage();
    QCOMPARE(QColor(bar.pixel(bar.width() - 8, bar.height() / 2)), QColor(0xE5, 0xE5, 0xE5));
    const QImage list = bootModes()->grab().toImage();
    QCOMPARE(QColor(list.pixel(4, list.height() / 2)), QColor(0xF5, 0xF5, 0xF5));
}

void TestSettingsDialog::progressBarShownOnlyWhileIncomplete_data()
{
    QTest::addColumn<ProgressCalls>("calls");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("maximum");

    QTest::addRow("nothing to do") << ProgressCalls {{0, 0}} << false << -1 << 0;
    QTest::addRow("started") << ProgressCalls {{0, 100}} << true << 0 << 100;
    QTest::addRow("complete at once") << ProgressCalls {{100, 100}} << false << -1 << 100;
    QTest::addRow("under way") << ProgressCalls {{0, 120}, {56, 120}, {112, 120}} << true << 112 << 120;
    QTest::addRow("under way, then complete")
        << ProgressCalls {{0, 120}, {56, 120}, {120, 120}} << false << 56 << 120;
    QTest::addRow("hidden again by a reset") << ProgressCalls {{0, 4352}, {0, 0}} << false << 0 << 0;
    QTest::addRow("next operation after a complete one")
        << ProgressCalls {{100, 100}, {0, 4352}, {56, 4352}} << true << 56 << 4352;
}

void TestSettingsDialog::progressBarShownOnlyWhileIncomplete()
{
    QFETCH(ProgressCalls, calls);
    QFETCH(bool, shown);
    QFETCH(int, value);
    QFETCH(int, maximum);

    showDialog();
    for (const auto &call : calls)
        m_dialog->setProgress(call.first, call.second);

    QCOMPARE(progressBar()->isVisible(), shown);
    QCOMPARE(progressBar()->maximum(), maximum);
    if (value >= 0)
        QCOMPARE(progressBar()->value(), value);
}

void TestSettingsDialog::bootModeSilentWhileHidden()
{
    QSignalSpy spy(m_dialog, &SettingsDialog::bootModeChanged);
    bootModes()->setCurrentIndex(3);
    bootModes()->setCurrentIndex(1);
    m_dialog->retranslateUi();
    QVERIFY(spy.isEmpty());
}

void TestSettingsDialog::bootModeAnnouncedOncePerVisibleChange()
{
    QSignalSpy spy(m_dialog, &SettingsDialog::bootModeChanged);
    bootModes()->setCurrentIndex(2);
    showDialog();

    // Nothing has been announced yet, so even "Auto" counts as a choice.
    QTest::keyClick(bootModes(), Qt::Key_Home);
    QCOMPARE(bootModes()->currentIndex(), 0);
    bootModes()->setCurrentIndex(0);
    QTest::keyClick(bootModes(), Qt::Key_Down);
    QTest::keyClick(bootModes(), Qt::Key_Down);
    bootModes()->setCurrentIndex(2);
    // Moved away while hidden and back to the mode already announced: nothing new to announce.
    m_dialog->hide();
    bootModes()->setCurrentIndex(4);
    showDialog();
    bootModes()->setCurrentIndex(2);

    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.at(0).at(0).toInt(), 0);
    QCOMPARE(spy.at(1).at(0).toInt(), 1);
    QCOMPARE(spy.at(2).at(0).toInt(), 2);
}

void TestSettingsDialog::languageChangeKeepsChosenBootMode()
{
    QSignalSpy spy(m_dialog, &SettingsDialog::bootModeChanged);
    showDialog();
    bootModes()->setCurrentIndex(3);
    QCOMPARE(spy.count(), 1);

    ContextEchoTranslator translator;
    QCoreApplication::installTranslator(&translator);
    m_dialog->retranslateUi();
    QCoreApplication::removeTranslator(&translator);

    QCOMPARE(spy.count(), 1);
    QCOMPARE(bootModes()->currentIndex(), 3);
    QCOMPARE(bootModes()->currentText(), QStringLiteral("SettingsDialog:SWITCH"));
    QCOMPARE(bootModes()->count(), 5);
}

void TestSettingsDialog::dataButtonsEmitOnEveryClickAndKeepDialogOpen()
{
    QSignalSpy backupSpy(m_dialog, &SettingsDialog::dataBackup);
    QSignalSpy restoreSpy(m_dialog, &SettingsDialog::dataRestore);
    QSignalSpy closedSpy(m_dialog, &SettingsDialog::closed);
    showDialog();

    auto *backup = formChild<QPushButton>(m_dialog, "pushButton_DataBackup");
    auto *restore = formChild<QPushButton>(m_dialog, "pushButton_DataRestore");
    QTest::mouseClick(backup, Qt::LeftButton);
    QTest::mouseClick(backup, Qt::LeftButton);
    QTest::mouseClick(restore, Qt::LeftButton);

    QCOMPARE(backupSpy.count(), 2);
    QCOMPARE(restoreSpy.count(), 1);
    QCOMPARE(closedSpy.count(), 0);
    QVERIFY(m_dialog->isVisible());
}

void TestSettingsDialog::closeButtonHidesAndEmitsClosed()
{
    QSignalSpy closedSpy(m_dialog, &SettingsDialog::closed);
    showDialog();
    m_dialog->setResult(1);

    QTest::mouseClick(formChild<QToolButton>(m_dialog, "toolButton_Close"), Qt::LeftButton);

    QVERIFY(m_dialog->isHidden());
    QCOMPARE(closedSpy.count(), 1);
    QCOMPARE(m_dialog->result(), 0);
}

void TestSettingsDialog::retranslateUiUsesOwnContext()
{
    ContextEchoTranslator translator;
    QCoreApplication::installTranslator(&translator);
    m_dialog->retranslateUi();
    QCoreApplication::removeTranslator(&translator);

    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("SettingsDialog:Dialog"));
    QCOMPARE(formChild<QLabel>(m_dialog, "label")->text(),
        QStringLiteral("SettingsDialog:Boot Mode(No Controller):"));
    QCOMPARE(formChild<QPushButton>(m_dialog, "pushButton_DataBackup")->text(),
        QStringLiteral("SettingsDialog:Data Backup"));
    QCOMPARE(formChild<QPushButton>(m_dialog, "pushButton_DataRestore")->text(),
        QStringLiteral("SettingsDialog:Data Restore"));
    QCOMPARE(bootModeTexts(),
        QStringList({QStringLiteral("SettingsDialog:Auto"), QStringLiteral("SettingsDialog:PS4(PC)"),
            QStringLiteral("SettingsDialog:XB360(PC)"), QStringLiteral("SettingsDialog:SWITCH"),
            QStringLiteral("SettingsDialog:UNDEFINE")}));
    QCOMPARE(formChild<QPushButton>(m_dialog, "pushButton_Title")->text(), QString());
}

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
