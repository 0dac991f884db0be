// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "ui/mainwindow.h"
#include "windowtestenvironment.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QMovie>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QtTest>

namespace {

constexpr int kUnbounded = QWIDGETSIZE_MAX;

template<typename T>
T *child(const MainWindow &window, const char *name)
{
    return window.findChild<T *>(QLatin1String(name));
}

} // namespace

Q_DECLARE_METATYPE(QMargins)

// The main window's form, the set-up its constructor does, and how it copes without its style sheet.
class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void widgetTreeMatchesForm_data();
    void widgetTreeMatchesForm();
    void layoutsHaveTheirSpacingAndMargins_data();
    void layoutsHaveTheirSpacingAndMargins();
    void windowHasFixedSize();
    void pagesAreInStartUnconnectedConnectedOrder();
    void formTextsComeFromTheEnglishCatalogue();
    void constructorPreparesWidgets();
    void styleSheetComesFromBundle();
    void networkButtonLookFollowsEnabledState();
    void closeButtonClosesWindow();
    void missingStyleSheetLeavesWindowUnstyled();
};

void TestMainWindow::widgetTreeMatchesForm_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QSize>("minimumSize");
    QTest::addColumn<QSize>("maximumSize");
    QTest::addColumn<QString>("styleSheet");

    const QSize none(0, 0);
    const QSize free(kUnbounded, kUnbounded);
    auto row = [](const char *name, const char *cls, const char *parent, QSize min, QSize max,
                   const QString &sheet = QString()) {
        QTest::newRow(name) << QString::fromLatin1(cls) << QString::fromLatin1(parent) << min << max << sheet;
    };

    row("frame_Header", "QFrame", "MainWindow", QSize(0, 60), QSize(kUnbounded, 60));
    row("toolButton_Network", "QToolButton", "frame_Header", QSize(28, 28), QSize(28, kUnbounded));
    row("pushButton_Title", "QPushButton", "frame_Header", none, free);
    row("toolButton_Close", "QToolButton", "frame_Header", QSize(28, 28), free);
    row("stackedWidget", "QStackedWidget", "MainWindow", none, free);
    row("page_Start", "QWidget", "stackedWidget", none, free);
    row("label_Busying", "QLabel", "page_Start", QSize(0, 200), free);
    row("label_Info", "QLabel", "page_Start", none, free);
    row("page_Unconnected", "QWidget", "stackedWidget", none, free,
        QStringLiteral(
            "QWidget#page_Unconnected{\nborder-image: url(:/images/K2/beijing.png);\nmargin:10px;\n"
            "margin-top:0px;\nmargin-bottom:0px;\n}"));
    row("label_Main", "QLabel", "page_Unconnected", none, free,
        QStringLiteral("image: url(:/images/K2/main.png);"));
    row("page_Connected", "QWidget", "stackedWidget", none, free);
    row("label_ProductConnected", "QLabel", "page_Connected", QSize(0, 286), QSize(500, 286));
    row("label_CurrentVersion", "QLabel", "page_Connected", QSize(0, 24), QSize(kUnbounded, 24));
    row("progressBar", "QProgressBar", "page_Connected", none, free);
    row("label_Version", "QLabel", "page_Connected", QSize(100, 72), free);
    row("comboBox_Version", "QComboBox", "page_Connected", none, free);
    row("toolButton_VersionInfo", "QToolButton", "page_Connected", QSize(26, 26), free);
    row("toolButton_OpenFile", "QToolButton", "page_Connected", none, free);
    row("pushButton_Update", "QPushButton", "page_Connected", none, free);
    row("pushButton_Restore", "QPushButton", "page_Connected", none, free);
    row("toolButton_Settings", "QToolButton", "MainWindow", none, free);
    row("label_Copyright", "QLabel", "MainWindow", none, free, QStringLiteral("color: #38A1FF;"));
    row("comboBox_Languages", "QComboBox", "MainWindow", none, free);
}

void TestMainWindow::widgetTreeMatchesForm()
{
    QFETCH(QString, className);
    QFETCH(QString, parentName);
    QFETCH(QSize, minimumSize);
    QFETCH(QSize, maximumSize);
    QFETCH(QString, styleSheet);

    MainWindow window(WindowTestEnvironment::instance().server());
    // The window's dialogs are its children too and reuse some of its object names.
    QList<QWidget *> matches = window.findChildren<QWidget *>(QString::fromLatin1(QTest::currentDataTag()));
    matches.erase(std::remove_if(matches.begin(), matches.end(), [&](QWidget *w) { return w->window() != &window; }),
                  matches.end());
    QCOMPARE(matches.size(), 1);
    QWidget *widget = matches.first();
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QVERIFY(widget->parentWidget());
    QCOMPARE(widget->parentWidget()->objectName(), parentName);
    QCOMPARE(widget->minimumSize(), minimumSize);
    QCOMPARE(widget->maximumSize(), maximumSize);
    QCOMPARE(widget->styleSheet(), styleSheet);
}

void TestMainWindow::layoutsHaveTheirSpacingAndMargins_data()
{
    QTest::addColumn<QString>("ownerName"); // the widget whose layout it is, or the layout it sits in
    QTest::addColumn<QString>("className");
    QTest::addColumn<int>("spacing"); // -1: the style's default
    QTest::addColumn<QMargins>("margins");

    QTest::newRow("verticalLayout") << "MainWindow"
                                    << "QVBoxLayout" << 0 << QMargins(0, 0, 0, 0);
    QTest::newRow("horizontalLayout") << "frame_Header"
                                      << "QHBoxLayout" << 0 << QMargins(20, 0, 20, 0);
    QTest::newRow("verticalLayout_3") << "page_Start"
                                      << "QVBoxLayout" << -1 << QMargins(0, 0, 0, 0);
    QTest::newRow("verticalLayout_2") << "page_Connected"
                                      << "QVBoxLayout" << 8 << QMargins(50, 0, 50, 0);
    // Nested layouts: the sides the form leaves at the default are 0 there.
    QTest::newRow("horizontalLayout_3") << "verticalLayout_2"
                                        << "QHBoxLayout" << 12 << QMargins(0, 0, 0, 0);
    QTest::newRow("horizontalLayout_4") << "verticalLayout"
                                        << "QHBoxLayout" << 0 << QMargins(12, 0, 20, 0);
}

void TestMainWindow::layoutsHaveTheirSpacingAndMargins()
{
    QFETCH(QString, ownerName);
    QFETCH(QString, className);
    QFETCH(int, spacing);
    QFETCH(QMargins, margins);

    MainWindow window(WindowTestEnvironment::instance().server());
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    auto *layout = window.findChild<QLayout *>(name);
    QVERIFY(layout);
    QCOMPARE(QString::fromLatin1(layout->metaObject()->className()), className);
    if (layout->parentWidget() && layout->parentWidget()->layout() == layout)
        QCOMPARE(layout->parentWidget()->objectName(), ownerName);
    else
        QCOMPARE(layout->parent()->objectName(), ownerName);
    if (spacing >= 0)
        QCOMPARE(layout->spacing(), spacing);
    int left, top, right, bottom;
    layout->getContentsMargins(&left, &top, &right, &bottom);
    QCOMPARE(QMargins(left, top, right, bottom), margins);
}

void TestMainWindow::windowHasFixedSize()
{
    MainWindow window(WindowTestEnvironment::instance().server());
    QCOMPARE(window.objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window.size(), QSize(520, 708));
    QCOMPARE(window.minimumSize(), QSize(520, 708));
    QCOMPARE(window.maximumSize(), QSize(520, 708));

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.resize(800, 900);
    QCOMPARE(window.size(), QSize(520, 708));
}

void TestMainWindow::pagesAreInStartUnconnectedConnectedOrder()
{
    MainWindow window(WindowTestEnvironment::instance().server());
    auto *stack = child<QStackedWidget>(window, "stackedWidget");
    QCOMPARE(stack->count(), 3);
    QCOMPARE(stack->widget(0)->objectName(), QStringLiteral("page_Start"));
    QCOMPARE(stack->widget(1)->objectName(), QStringLiteral("page_Unconnected"));
    QCOMPARE(stack->widget(2)->objectName(), QStringLiteral("page_Connected"));
    QCOMPARE(stack->currentIndex(), 0);
}

void TestMainWindow::formTextsComeFromTheEnglishCatalogue()
{
    MainWindow window(WindowTestEnvironment::instance().server());
    QCOMPARE(window.windowTitle(), QStringLiteral("Tavrune Firmware Tool"));
    // English is a catalogue of its own: the start page does not show the form's source text.
    QCOMPARE(child<QLabel>(window, "label_Info")->text(), QStringLiteral("connecting to cloud servers"));
    QCOMPARE(child<QLabel>(window, "label_Version")->text(), QStringLiteral("New Firmware Version"));
    QCOMPARE(child<QPushButton>(window, "pushButton_Update")->text(), QStringLiteral("Update Firmware"));
    QCOMPARE(child<QPushButton>(window, "pushButton_Restore")->text(), QStringLiteral("Restore Defaults"));
    QCOMPARE(child<QLabel>(window, "label_Copyright")->text(),
        QStringLiteral("<html><head/><body><p><br/></p></body></html>"));
    QCOMPARE(child<QPushButton>(window, "pushButton_Title")->text(), QStringLiteral("Tavrune M4 Firmware Tool v3.1.0"));
    QCOMPARE(child<QLabel>(window, "label_CurrentVersion")->text(), QStringLiteral("Current Firmware Version | "));
    for (const char *blank : {"toolButton_Network", "toolButton_Close",
             "toolButton_VersionInfo", "toolButton_OpenFile", "toolButton_Settings"})
        QVERIFY2(child<QAbstractButton>(window, blank)->text().isEmpty(), blank);
    for (const char *blank :
        {"label_Busying", "label_Main", "label_ProductConnected"})
        QVERIFY2(child<QLabel>(window, blank)->text().isEmpty(), blank);

    auto *languages = child<QComboBox>(window, "comboBox_Languages");
    QStringList entries;
    for (int i = 0; i < languages->count(); ++i)
        entries << languages->itemText(i);
    QCOMPARE(entries,
        QStringList({QStringLiteral("English"), QStringLiteral("中文"), QStringLiteral("日本語"),
            QStringLiteral("русский"), QStringLiteral("Français")}));
    QCOMPARE(languages->currentIndex(), 0);
}

void TestMainWindow::constructorPreparesWidgets()
{
    MainWindow window(WindowTestEnvironment::instance().server());
    QCOMPARE(int(window.windowFlags()), 0x801);
    QVERIFY(!child<QToolButton>(window, "toolButton_Settings")->isEnabled());
    QVERIFY(child<QProgressBar>(window, "progressBar")->isHidden());
    // A plain list view, not the combo box's own popup view, so that the items take the style sheet.
    auto *versions = child<QComboBox>(window, "comboBox_Version");
    QCOMPARE(versions->view()->metaObject()->className(), "QListView");
    QVERIFY(qobject_cast<QStyledItemDelegate *>(versions->itemDelegate()));

    QMovie *movie = child<QLabel>(window, "label_Busying")->movie();
    QVERIFY(movie);
    QCOMPARE(movie->fileName(), QStringLiteral(":/images/loading.gif"));
    QCOMPARE(movie->scaledSize(), QSize(168, 168));
    QCOMPARE(movie->state(), QMovie::Running);
    QCOMPARE(movie->currentImage().size(), QSize(168, 168));

    auto *openFile = child<QToolButton>(window, "toolButton_OpenFile");
    QVERIFY(!openFile->icon().isNull());
    QCOMPARE(openFile->iconSize(), QSize(32, 32));
    auto *settings = child<QToolButton>(window, "toolButton_Settings");
    QVERIFY(!settings->icon().isNull());
    QCOMPARE(settings->iconSize(), QSize(24, 24));
}

void TestMainWindow::styleSheetComesFromBundle()
{
    QFile sheet(QStringLiteral(":/ui/style.qss"));
    QVERIFY(sheet.open(QIODevice::ReadOnly));
    MainWindow window(WindowTestEnvironment::instance().server());
    QCOMPARE(window.styleSheet(), QString::fromUtf8(sheet.readAll()));
}

void TestMainWindow::networkButtonLookFollowsEnabledState()
{
    MainWindow window(WindowTestEnvironment::instance().server());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *network = child<QToolButton>(window, "toolButton_Network");

    network->setEnabled(true);
    const QImage online = network->grab().toImage();
    network->setEnabled(false);
    const QImage offline = network->grab().toImage();
    network->setEnabled(true);
    QCOMPARE(network->grab().toImage(), online);
    QVERIFY(online != offline);
}

void TestMainWindow::closeButtonClosesWindow()
{
    MainWindow window(WindowTestEnvironment::instance().server());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(child<QToolButton>(window, "toolButton_Close"), Qt::LeftButton);
    // The start-up search for the adapter may still be running: the window waits for it, then closes.
    QTRY_VERIFY(!window.isVisible());
}

void TestMainWindow::missingStyleSheetLeavesWindowUnstyled()
{
    // Take the whole bundle away, as if the program had been built without it.
    Q_CLEANUP_RESOURCE(resources);
    const bool gone = !QFile::exists(QStringLiteral(":/ui/style.qss"));
    {
        MainWindow window(WindowTestEnvironment::instance().server());
        window.show();
        const bool exposed = QTest::qWaitForWindowExposed(&window);
        const QString sheet = window.styleSheet();
        // The form's own settings do not depend on the sheet.
        const int versionPoints = child<QLabel>(window, "label_Version")->font().pointSize();
        const int openFilePoints = child<QToolButton>(window, "toolButton_OpenFile")->font().pointSize();
        Q_INIT_RESOURCE(resources);
        QVERIFY(gone);
        QVERIFY(exposed);
        QVERIFY(sheet.isEmpty());
        QCOMPARE(versionPoints, 13);
        QCOMPARE(openFilePoints, 24);
    }
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
