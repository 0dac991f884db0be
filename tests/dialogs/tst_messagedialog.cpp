// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "dialoghost.h"
#include "ui/messagedialog.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>

// How a blocking notice is dismissed.
enum class Dismissal {
    OkButton,
    EnterKey,
    CloseButton,
    RestoreButton,
    UpdateButton,
    EscapeKey,
    Reject,
    Close
};
Q_DECLARE_METATYPE(Dismissal)

class TestMessageDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsHiddenFramelessAndWindowModal();
    void styledByMainWindow();
    void messageWhileHiddenShowsAtOnce();
    void messageWhileVisibleWaitsForTickAndOnlyNewestShows();
    void queuedMessageReopensDismissedDialogAtTick();
    void longTitleOrTextKeepsDialogOnItsWindow();
    void titleAndTextShownWholeAndLiterally_data();
    void titleAndTextShownWholeAndLiterally();
    void modalMessageEndsHoweverDismissed_data();
    void modalMessageEndsHoweverDismissed();
    void retranslateUiUsesOwnContext();

private:
    QPushButton *title() const { return formChild<QPushButton>(m_dialog, "pushButton_Title"); }
    QTextBrowser *text() const { return formChild<QTextBrowser>(m_dialog, "textBrowser"); }
    QPushButton *okButton() const { return formChild<QPushButton>(m_dialog, "pushButton_MsgOK"); }
    QPushButton *restoreButton() const { return formChild<QPushButton>(m_dialog, "pushButton_MsgRestore"); }
    QPushButton *updateButton() const { return formChild<QPushButton>(m_dialog, "pushButton_MsgUpdate"); }
    QToolButton *closeButton() const { return formChild<QToolButton>(m_dialog, "toolButton_Close"); }
    // Makes the two optional buttons visible, as a later mode might, to see the next showing hide them.
    void revealOptionalButtons() const
    {
        restoreButton()->show();
        updateButton()->show();
    }

    std::unique_ptr<MainWindow> m_host;
    MessageDialog *m_dialog = nullptr;
};

void TestMessageDialog::init()
{
    m_host = makeDialogHost();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
    m_dialog = new MessageDialog(m_host.get());
}

void TestMessageDialog::cleanup()
{
    m_host.reset();
    m_dialog = nullptr;
}

void TestMessageDialog::startsHiddenFramelessAndWindowModal()
{
    QVERIFY(m_dialog->isHidden());
    QCOMPARE(int(m_dialog->windowFlags()), 0x803);
    QCOMPARE(m_dialog->windowModality(), Qt::WindowModal);
    QCOMPARE(m_dialog->parentWidget(), m_host.get());
    // The text is for reading only: neither selectable nor a link to follow.
    QCOMPARE(text()->textInteractionFlags(), Qt::NoTextInteraction);
}

void TestMessageDialog::styledByMainWindow()
{
    m_dialog->showMessage(QStringLiteral("Error"), QStringLiteral("Invalid file!"));
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));

    // 200 wide inside its 1px border.
    QCOMPARE(okButton()->width(), 202);
    QCOMPARE(text()->palette().color(QPalette::Text), QColor(0x38, 0xA1, 0xFF));
    QCOMPARE(title()->palette().color(QPalette::ButtonText), QColor(0x65, 0xC8, 0x53));
}

void TestMessageDialog::messageWhileHiddenShowsAtOnce()
{
    revealOptionalButtons();
    m_dialog->showMessage(QStringLiteral("Error"), QStringLiteral("Invalid file!"));

    QVERIFY(m_dialog->isVisible());
    QCOMPARE(title()->text(), QStringLiteral("Error"));
    QCOMPARE(text()->toPlainText(), QStringLiteral("Invalid file!"));
    QVERIFY(okButton()->isVisible());
    QVERIFY(restoreButton()->isHidden());
    QVERIFY(updateButton()->isHidden());
}

void TestMessageDialog::messageWhileVisibleWaitsForTickAndOnlyNewestShows()
{
    QStringList shownTexts;
    connect(text(), &QTextEdit::textChanged, this, [&] { shownTexts << text()->toPlainText(); });

    m_dialog->showMessage(QStringLiteral("T"), QStringLiteral("first"));
    m_dialog->showMessage(QStringLiteral("T"), QStringLiteral("second"));
    m_dialog->showMessage(QStringLiteral("T2"), QStringLiteral("third"));
    QCOMPARE(text()->toPlainText(), QStringLiteral("first"));
    QCOMPARE(title()->text(), QStringLiteral("T"));

    QTRY_COMPARE_WITH_TIMEOUT(text()->toPlainText(), QStringLiteral("third"), 4000);
    QCOMPARE(title()->text(), QStringLiteral("T2"));
    QCOMPARE(shownTexts, QStringList({QStringLiteral("first"), QStringLiteral("third")}));
    QVERIFY(m_dialog->isVisible());
}

void TestMessageDialog::queuedMessageReopensDismissedDialogAtTick()
{
    QSignalSpy closedSpy(m_dialog, &MessageDialog::closed);
    m_dialog->showMessage(QStringLiteral("Error"), QStringLiteral("Erase flash failure!"));
    m_dialog->showMessage(QStringLiteral("Error"), QStringLiteral("Invalid file!"));
    m_dialog->showMessage(QStringLiteral("Tavrune Firmware Tool"), QStringLiteral("successfully!"));
    QTest::mouseClick(okButton(), Qt::LeftButton);
    QVERIFY(m_dialog->isHidden());
    QCOMPARE(closedSpy.count(), 1);

    QTRY_VERIFY_WITH_TIMEOUT(m_dialog->isVisible(), 4000);
    QCOMPARE(title()->text(), QStringLiteral("Tavrune Firmware Tool"));
    QCOMPARE(text()->toPlainText(), QStringLiteral("successfully!"));

    // The notice overtaken in the same tick is gone for good: the next tick finds nothing to show.
    QTest::mouseClick(okButton(), Qt::LeftButton);
    QTest::qWait(3300);
    QVERIFY(m_dialog->isHidden());
}

void TestMessageDialog::longTitleOrTextKeepsDialogOnItsWindow()
{
    // A catalogue names the tool's version in a title; however long it is, OK stays within reach.
    m_dialog->showMessage(QStringLiteral("Upgrade V") + QString(3000, QLatin1Char('9')),
        QStringLiteral("The latest version update!\n") + QString(20000, QLatin1Char('x')));
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));

    QVERIFY(m_dialog->width() <= m_host->width());
    QVERIFY(m_dialog->height() <= m_host->height());
    QVERIFY(m_host->geometry().contains(okButton()->mapTo(m_host.get(), okButton()->rect().center())));
}

void TestMessageDialog::titleAndTextShownWholeAndLiterally_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    QTest::addRow("plain") << "Versions" << "Hardware Version:1.0.2\nBoot Version:2.0.0";
    QTest::addRow("@ in title") << "a@b" << "text";
    QTest::addRow("@ in text") << "title" << "mail me@example.org today";
    QTest::addRow("empty title and text") << "" << "";
    QTest::addRow("only @") << "@" << "@";
    QTest::addRow("placeholders taken literally") << "%2 of %1" << "%1%";
    QTest::addRow("bold") << "Version Change LOG" << "<b>1.2.0</b><br>fixes";
    // Read as rich text, the image would be loaded from the file: a FIFO there would block for good.
    QTest::addRow("image") << "Upgrade V<img src=\"/dev/zero\">" << "<img src=\"/dev/zero\">";
    QTest::addRow("shortcut in title") << "Upgrade V&3" << "R&D";
    QTest::addRow("long change log with @ and tags")
        << "Version Change LOG" << QStringLiteral("<b>fix</b> @ ").repeated(400).left(4000);
    QTest::addRow("very long text") << QString(5000, QLatin1Char('T')) << QString(200000, QLatin1Char('x'));
}

void TestMessageDialog::titleAndTextShownWholeAndLiterally()
{
    QFETCH(QString, title);
    QFETCH(QString, text);

    m_dialog->showMessage(title, text);
    QCOMPARE(this->text()->toPlainText(), text);
    QCOMPARE(this->title()->text().replace(QLatin1String("&&"), QLatin1String("&")), title);
    QVERIFY(this->title()->shortcut().isEmpty());
    QCOMPARE(m_dialog->accessibleDescription(), text);

    // A blocking notice shows its texts the same way.
    QTimer::singleShot(0, m_dialog, [this] { QTest::mouseClick(okButton(), Qt::LeftButton); });
    m_dialog->showModalMessage(title, text);
    QCOMPARE(this->text()->toPlainText(), text);
    QCOMPARE(this->title()->text().replace(QLatin1String("&&"), QLatin1String("&")), title);
}

void TestMessageDialog::modalMessageEndsHoweverDismissed_data()
{
    QTest::addColumn<Dismissal>("dismissal");
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("signalsEmitted");

    QTest::addRow("OK button") << Dismissal::OkButton << 1
                               << QStringList({QStringLiteral("okButtonClicked"), QStringLiteral("closed")});
    QTest::addRow("Enter key") << Dismissal::EnterKey << 1
                               << QStringList({QStringLiteral("okButtonClicked"), QStringLiteral("closed")});
    QTest::addRow("close button") << Dismissal::CloseButton << 0 << QStringList({QStringLiteral("closed")});
    QTest::addRow("restore button") << Dismissal::RestoreButton << 0
                                    << QStringList({QStringLiteral("restoreDefaultsButtonClicked"),
                                           QStringLiteral("closed")});
    QTest::addRow("update button") << Dismissal::UpdateButton << 0
                                   << QStringList({QStringLiteral("updateFirmwareButtonClicked"),
                                          QStringLiteral("closed")});
    QTest::addRow("Esc key") << Dismissal::EscapeKey << 0 << QStringList();
    QTest::addRow("reject") << Dismissal::Reject << 0 << QStringList();
    QTest::addRow("closed by the window") << Dismissal::Close << 0 << QStringList();
}

void TestMessageDialog::modalMessageEndsHoweverDismissed()
{
    QFETCH(Dismissal, dismissal);
    QFETCH(int, result);
    QFETCH(QStringList, signalsEmitted);

    QStringList emitted;
    connect(m_dialog, &MessageDialog::closed, this, [&] { emitted << QStringLiteral("closed"); });
    connect(m_dialog, &MessageDialog::okButtonClicked, this,
        [&] { emitted << QStringLiteral("okButtonClicked"); });
    connect(m_dialog, &MessageDialog::restoreDefaultsButtonClicked, this,
        [&] { emitted << QStringLiteral("restoreDefaultsButtonClicked"); });
    connect(m_dialog, &MessageDialog::updateFirmwareButtonClicked, this,
        [&] { emitted << QStringLiteral("updateFirmwareButtonClicked"); });

    bool shownWhileWaiting = false;
    bool onlyOkOffered = false;
    QTimer::singleShot(0, this, [&] {
        shownWhileWaiting = m_dialog->isVisible() && title()->text() == QLatin1String("Error") &&
            text()->toPlainText() == QLatin1String("Hardware failure!");
        onlyOkOffered = okButton()->isVisible() && restoreButton()->isHidden() && updateButton()->isHidden();
        switch (dismissal) {
        case Dismissal::OkButton:
            QTest::mouseClick(okButton(), Qt::LeftButton);
            break;
        case Dismissal::EnterKey:
            QTest::keyClick(m_dialog->focusWidget() ? m_dialog->focusWidget() : m_dialog, Qt::Key_Return);
            break;
        case Dismissal::CloseButton:
            QTest::mouseClick(closeButton(), Qt::LeftButton);
            break;
        case Dismissal::RestoreButton:
            restoreButton()->click();
            break;
        case Dismissal::UpdateButton:
            updateButton()->click();
            break;
        case Dismissal::EscapeKey:
            QTest::keyClick(m_dialog, Qt::Key_Escape);
            break;
        case Dismissal::Reject:
            m_dialog->reject();
            break;
        case Dismissal::Close:
            m_dialog->close();
            break;
        }
    });
    // Should the dismissal not end the wait, the close button still does, and the test fails instead of
    // hanging.
    bool rescued = false;
    QTimer rescue;
    rescue.setSingleShot(true);
    connect(&rescue, &QTimer::timeout, this, [&] {
        rescued = true;
        closeButton()->click();
    });
    rescue.start(5000);

    revealOptionalButtons();
    const int answer =
        m_dialog->showModalMessage(QStringLiteral("Error"), QStringLiteral("Hardware failure!"));

    QVERIFY(!rescued);
    QVERIFY(shownWhileWaiting);
    QVERIFY(onlyOkOffered);
    QCOMPARE(answer, result);
    QCOMPARE(emitted, signalsEmitted);
    QVERIFY(m_dialog->isHidden());
}

void TestMessageDialog::retranslateUiUsesOwnContext()
{
    ContextEchoTranslator translator;
    QCoreApplication::installTranslator(&translator);
    m_dialog->retranslateUi();
    QCoreApplication::removeTranslator(&translator);

    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("MessageDialog:Dialog"));
    QCOMPARE(okButton()->text(), QStringLiteral("MessageDialog:OK"));
    QCOMPARE(restoreButton()->text(), QStringLiteral("MessageDialog:Restore Defaults"));
    QCOMPARE(updateButton()->text(), QStringLiteral("MessageDialog:Update Firmware"));
    QCOMPARE(title()->text(), QString());
    QCOMPARE(closeButton()->text(), QString());
}

QTEST_MAIN(TestMessageDialog)
#include "tst_messagedialog.moc"
