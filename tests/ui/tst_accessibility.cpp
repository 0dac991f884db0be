// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "device/deviceflash.h"
#include "ui/mainwindow.h"
#include "ui/messagedialog.h"
#include "windowtestenvironment.h"

#include <QAccessible>
#include <QComboBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QtTest>

namespace {

// The window's own widget of that name: its dialogs reuse some of the names.
QWidget *part(MainWindow &window, const QString &name)
{
    for (QWidget *found : window.findChildren<QWidget *>(name)) {
        if (found->window() == &window)
            return found;
    }
    return nullptr;
}

// The names of the controls that steps presses of Tab move the focus to.
QStringList focusChain(int steps)
{
    QStringList names;
    for (int i = 0; i < steps; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        names << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString());
    }
    return names;
}

const char *const languageNames[] = {"en_EN", "zh_CN", "ja_JP", "ru_RU", "fr_FR"};

} // namespace

// What the keyboard and a screen reader find in the window and its notices.
class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void controlsAreNamedInEveryLanguage_data();
    void controlsAreNamedInEveryLanguage();
    void networkNameFollowsCatalogueState();
    void tabVisitsControlsInVisualOrder();
    void enterUsesFocusedControlAndEscapeKeepsWindow();
    void noticeIsReadWhenItOpens();

private:
    std::unique_ptr<MainWindow> m_window;
    QHash<QString, QString> m_english; // control -> what a screen reader says for it in English
};

void TestAccessibility::initTestCase()
{
    const QUrl server = WindowTestEnvironment::instance().server();
    SimAdapter::plug(DeviceFlash::Tavrune_B275);
    m_window = std::make_unique<MainWindow>(server);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    auto *pages = m_window->findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
    QTRY_COMPARE(pages->currentIndex(), 2);
}

void TestAccessibility::controlsAreNamedInEveryLanguage_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("text");
    // On Linux a list's name is its current entry (its label is a relation): what names it is its description.
    const QList<QPair<const char *, QAccessible::Text>> controls {
        {"toolButton_Close", QAccessible::Name},
        {"toolButton_Network", QAccessible::Name},
        {"toolButton_Settings", QAccessible::Name},
        {"toolButton_VersionInfo", QAccessible::Name},
        {"toolButton_OpenFile", QAccessible::Name},
        {"comboBox_Version", QAccessible::Description},
        {"comboBox_Languages", QAccessible::Description},
        {"pushButton_Update", QAccessible::Name},
        {"pushButton_Update", QAccessible::Description},
        {"progressBar", QAccessible::Name},
        {"page_Unconnected", QAccessible::Name},
        {"page_Connected", QAccessible::Name},
    };
    for (int language = 0; language < 5; ++language) {
        for (const auto &control : controls)
            QTest::addRow("%s %s %s", languageNames[language], control.first,
                control.second == QAccessible::Name ? "name" : "description")
                << language << QString::fromLatin1(control.first) << int(control.second);
    }
}

void TestAccessibility::controlsAreNamedInEveryLanguage()
{
    QFETCH(int, language);
    QFETCH(QString, control);
    QFETCH(int, text);
    qobject_cast<QComboBox *>(part(*m_window, QStringLiteral("comboBox_Languages")))->setCurrentIndex(language);

    QWidget *widget = part(*m_window, control);
    QVERIFY(widget);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(accessible);
    const QString said = accessible->text(QAccessible::Text(text)).trimmed();
    QVERIFY2(!said.isEmpty(), "a screen reader would have nothing to say");
    const QString key = control + QString::number(text);
    if (language == 0)
        m_english.insert(key, said);
    else
        QVERIFY2(said != m_english.value(key), qPrintable(QStringLiteral("left in English: ") + said));
}

void TestAccessibility::networkNameFollowsCatalogueState()
{
    MainWindow window(QUrl(QStringLiteral("http://127.0.0.1:9")));
    auto *network = window.findChild<QToolButton *>(QStringLiteral("toolButton_Network"));
    const QString offline = QAccessible::queryAccessibleInterface(network)->text(QAccessible::Name);
    // The other window fetched the catalogue from the test server, whose state is the same for both.
    auto *synced = qobject_cast<QToolButton *>(part(*m_window, QStringLiteral("toolButton_Network")));
    QTRY_VERIFY(synced->isEnabled());
    QVERIFY(!network->isEnabled());
    QVERIFY(QAccessible::queryAccessibleInterface(synced)->text(QAccessible::Name) != offline);
}

void TestAccessibility::tabVisitsControlsInVisualOrder()
{
    qobject_cast<QComboBox *>(part(*m_window, QStringLiteral("comboBox_Languages")))->setCurrentIndex(0);
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QCOMPARE(QApplication::focusWidget(), m_window.get());
    const QStringList order {QStringLiteral("toolButton_Close"), QStringLiteral("comboBox_Version"),
        QStringLiteral("toolButton_VersionInfo"), QStringLiteral("toolButton_OpenFile"),
        QStringLiteral("pushButton_Update"), QStringLiteral("toolButton_Settings"),
        QStringLiteral("comboBox_Languages")};
    QCOMPARE(focusChain(order.size()), order);

    // The notice: from OK, which holds the focus when it opens, round to its close button.
    auto *notice = new MessageDialog(m_window.get());
    notice->showMessage(QStringLiteral("Title"), QStringLiteral("Text"));
    QApplication::setActiveWindow(notice);
    QVERIFY(QTest::qWaitForWindowActive(notice));
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("pushButton_MsgOK"));
    QCOMPARE(focusChain(3),
        (QStringList {QStringLiteral("toolButton_Close"), QStringLiteral("textBrowser"), QStringLiteral("pushButton_MsgOK")}));
    delete notice;
}

void TestAccessibility::enterUsesFocusedControlAndEscapeKeepsWindow()
{
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTest::keyClick(m_window.get(), Qt::Key_Escape);
    QVERIFY(m_window->isVisible());

    // The change log opens in the window's notice dialog; Enter on its close button closes it.
    QWidget *changeLog = part(*m_window, QStringLiteral("toolButton_VersionInfo"));
    changeLog->setFocus(Qt::TabFocusReason);
    QTest::keyClick(changeLog, Qt::Key_Return);
    MessageDialog *notice = nullptr;
    QTRY_VERIFY((notice = m_window->findChild<MessageDialog *>()) && notice->isVisible());
    auto *close = notice->findChild<QToolButton *>(QStringLiteral("toolButton_Close"));
    close->setFocus(Qt::TabFocusReason);
    QSignalSpy okays(notice, &MessageDialog::okButtonClicked);
    QTest::keyClick(close, Qt::Key_Enter);
    QTRY_VERIFY(!notice->isVisible());
    QCOMPARE(okays.count(), 0);
}

void TestAccessibility::noticeIsReadWhenItOpens()
{
    MessageDialog notice(m_window.get());
    notice.showMessage(QStringLiteral("Error"), QStringLiteral("<b>Invalid</b> file!"));
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&notice);
    QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Error"));
    // Shown as plain text, and read as shown.
    QCOMPARE(accessible->text(QAccessible::Description), QStringLiteral("<b>Invalid</b> file!"));
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
