// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "ui/mainwindow.h"
#include "windowtestenvironment.h"

#include <QLabel>
#include <QWindow>
#include <QtTest>

#include <optional>

namespace {

const QPoint kWindowStart(200, 150);

// The main window, asking the platform (offscreen, which declines) to move it, or a stand-in that moves
// windows itself or declines to.
class SystemMoveWindow : public MainWindow
{
public:
    using MainWindow::MainWindow;
    std::optional<bool> systemMoves; // the stand-in's answer; none: ask the platform
    int systemMovesAsked = 0;

protected:
    bool startSystemMove() override
    {
        ++systemMovesAsked;
        return systemMoves ? *systemMoves : MainWindow::startSystemMove();
    }
};

// The main window, shown where the tests expect it and ready for mouse events.
struct ShownWindow
{
    SystemMoveWindow window {WindowTestEnvironment::instance().server()};
    QWindow *handle = nullptr;

    bool show()
    {
        window.move(kWindowStart);
        window.show();
        handle = window.windowHandle();
        return QTest::qWaitForWindowExposed(&window);
    }

    // Where a point of a child widget lies in the window's own coordinates.
    QPoint pointOf(const char *childName, const QPoint &inChild)
    {
        auto *child = window.findChild<QWidget *>(QLatin1String(childName));
        return child->mapTo(&window, inChild);
    }

    QPoint centreOf(const char *childName)
    {
        auto *child = window.findChild<QWidget *>(QLatin1String(childName));
        return pointOf(childName, child->rect().center());
    }

    void press(Qt::MouseButton button, const QPoint &local) { QTest::mousePress(handle, button, {}, local); }
    void release(Qt::MouseButton button, const QPoint &local)
    {
        QTest::mouseRelease(handle, button, {}, local);
    }
    void moveCursorTo(const QPoint &global) { QTest::mouseMove(handle, handle->mapFromGlobal(global)); }
};

} // namespace

// Moving the frameless main window by dragging it with the mouse.
class TestFramelessWidget : public QObject
{
    Q_OBJECT

private slots:
    void leftPressAsksWindowSystemToMoveFirst_data();
    void leftPressAsksWindowSystemToMoveFirst();
    void leftDragMovesWindowOnlyFromPassiveAreas_data();
    void leftDragMovesWindowOnlyFromPassiveAreas();
    void rightDragDoesNotMoveWindow();
    void releasingRightButtonEndsLeftDrag();
    void releaseEndsDragBeforeNextPressOnButton();
};

void TestFramelessWidget::leftPressAsksWindowSystemToMoveFirst_data()
{
    QTest::addColumn<bool>("systemMoves");
    QTest::addColumn<QByteArray>("child");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("asked");
    QTest::addColumn<bool>("movesItself");
    QTest::addRow("window system moves it") << true << QByteArray("label_Info") << int(Qt::LeftButton) << 1 << false;
    QTest::addRow("window system declines") << false << QByteArray("label_Info") << int(Qt::LeftButton) << 1 << true;
    QTest::addRow("right button") << true << QByteArray("label_Info") << int(Qt::RightButton) << 0 << false;
    QTest::addRow("press on a button") << true << QByteArray("pushButton_Title") << int(Qt::LeftButton) << 0 << false;
}

void TestFramelessWidget::leftPressAsksWindowSystemToMoveFirst()
{
    QFETCH(bool, systemMoves);
    QFETCH(QByteArray, child);
    QFETCH(int, button);
    QFETCH(int, asked);
    QFETCH(bool, movesItself);

    ShownWindow w;
    w.window.systemMoves = systemMoves;
    QVERIFY(w.show());
    const QPoint grabbed = w.centreOf(child);
    w.press(Qt::MouseButton(button), grabbed);
    w.moveCursorTo(w.window.mapToGlobal(grabbed) + QPoint(9, 4));
    QCOMPARE(w.window.systemMovesAsked, asked);
    QCOMPARE(w.window.pos(), kWindowStart + (movesItself ? QPoint(9, 4) : QPoint()));
}

void TestFramelessWidget::leftDragMovesWindowOnlyFromPassiveAreas_data()
{
    QTest::addColumn<QByteArray>("child");
    QTest::addColumn<QPoint>("grab"); // in the child's coordinates; null for its centre
    QTest::addColumn<bool>("drags");

    // The header frame is free only in its margins; its buttons cover the rest.
    QTest::addRow("header frame") << QByteArray("frame_Header") << QPoint(6, 30) << true;
    QTest::addRow("status label") << QByteArray("label_Info") << QPoint() << true;
    QTest::addRow("busy animation label") << QByteArray("label_Busying") << QPoint() << true;
    // The footer label opens links, so it takes its presses like a button.
    QTest::addRow("footer link label") << QByteArray("label_Copyright") << QPoint() << false;
    QTest::addRow("title push button") << QByteArray("pushButton_Title") << QPoint() << false;
    QTest::addRow("network tool button") << QByteArray("toolButton_Network") << QPoint() << false;
    QTest::addRow("close tool button") << QByteArray("toolButton_Close") << QPoint() << false;
}

void TestFramelessWidget::leftDragMovesWindowOnlyFromPassiveAreas()
{
    QFETCH(QByteArray, child);
    QFETCH(QPoint, grab);
    QFETCH(bool, drags);

    ShownWindow w;
    QVERIFY(w.show());
    const QPoint grabbed = grab.isNull() ? w.centreOf(child) : w.pointOf(child, grab);
    const QPoint grabbedGlobal = w.window.mapToGlobal(grabbed);

    w.press(Qt::LeftButton, grabbed);
    // Several steps, each of which must keep the grabbed point under the cursor.
    for (const QPoint &step : {QPoint(3, 2), QPoint(25, 14), QPoint(-30, 40)}) {
        const QPoint cursor = grabbedGlobal + step;
        w.moveCursorTo(cursor);
        if (drags) {
            QCOMPARE(w.window.pos(), kWindowStart + step);
            QCOMPARE(w.window.mapToGlobal(grabbed), cursor);
        } else {
            QCOMPARE(w.window.pos(), kWindowStart);
        }
    }
}

void TestFramelessWidget::rightDragDoesNotMoveWindow()
{
    ShownWindow w;
    QVERIFY(w.show());
    const QPoint grabbed = w.centreOf("label_Info");

    w.press(Qt::RightButton, grabbed);
    w.moveCursorTo(w.window.mapToGlobal(grabbed) + QPoint(20, 20));
    QCOMPARE(w.window.pos(), kWindowStart);
}

void TestFramelessWidget::releasingRightButtonEndsLeftDrag()
{
    ShownWindow w;
    QVERIFY(w.show());
    const QPoint grabbed = w.centreOf("label_Info");
    const QPoint grabbedGlobal = w.window.mapToGlobal(grabbed);

    w.press(Qt::LeftButton, grabbed);
    w.press(Qt::RightButton, grabbed);
    w.moveCursorTo(grabbedGlobal + QPoint(10, 10));
    QCOMPARE(w.window.pos(), kWindowStart); // both buttons held

    w.release(Qt::RightButton, w.handle->mapFromGlobal(grabbedGlobal + QPoint(10, 10)));
    w.moveCursorTo(grabbedGlobal + QPoint(20, 20));
    QCOMPARE(w.window.pos(), kWindowStart); // left alone again, but the drag does not resume

    w.release(Qt::LeftButton, w.handle->mapFromGlobal(grabbedGlobal + QPoint(20, 20)));
    w.press(Qt::LeftButton, grabbed);
    w.moveCursorTo(grabbedGlobal + QPoint(5, 7));
    QCOMPARE(w.window.pos(), kWindowStart + QPoint(5, 7)); // a new left press starts a new drag
}

void TestFramelessWidget::releaseEndsDragBeforeNextPressOnButton()
{
    ShownWindow w;
    QVERIFY(w.show());
    const QPoint label = w.centreOf("label_Info");

    w.press(Qt::LeftButton, label);
    w.moveCursorTo(w.window.mapToGlobal(label) + QPoint(8, 8));
    QCOMPARE(w.window.pos(), kWindowStart + QPoint(8, 8));
    w.release(Qt::LeftButton, label);

    // The title button takes this press itself; the window must not pick up the drag it ended before.
    const QPoint title = w.centreOf("pushButton_Title");
    w.press(Qt::LeftButton, title);
    w.moveCursorTo(w.window.mapToGlobal(title) + QPoint(12, 12));
    QCOMPARE(w.window.pos(), kWindowStart + QPoint(8, 8));
}

QTEST_MAIN(TestFramelessWidget)
#include "tst_framelesswidget.moc"
