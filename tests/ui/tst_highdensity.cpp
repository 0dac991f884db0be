// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "app/displayscaling.h"
#include "ui/mainwindow.h"
#include "windowtestenvironment.h"

#include <QLabel>
#include <QToolButton>
#include <QtTest>

// The window on a screen at device pixel ratio 2 (QT_SCALE_FACTOR=2, set by CTest): pictures come from their
// @2x files, not from the 1x ones stretched.
class TestHighDensity : public QObject
{
    Q_OBJECT

private slots:
    void styleSheetPictureIsDrawnFromItsDenseFile();
    void busyAnimationPlaysItsDenseFrames();
};

void TestHighDensity::styleSheetPictureIsDrawnFromItsDenseFile()
{
    MainWindow window(WindowTestEnvironment::instance().server());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Enabled once the catalogue is fetched: then it shows K1/wangluo.png.
    auto *network = window.findChild<QToolButton *>(QStringLiteral("toolButton_Network"));
    QTRY_VERIFY(network->isEnabled());

    const QImage shown = network->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(shown.devicePixelRatio(), 2.0);
    const QImage dense = QImage(QStringLiteral(":/images/K1/wangluo@2x.png")).convertToFormat(QImage::Format_ARGB32);
    const QImage stretched = QImage(QStringLiteral(":/images/K1/wangluo.png"))
                                 .scaled(dense.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                 .convertToFormat(QImage::Format_ARGB32);
    // Where the picture is opaque, the button shows its pixels exactly; the 1x picture stretched differs there.
    int denseMismatches = 0;
    int stretchedMismatches = 0;
    for (int y = 0; y < dense.height(); ++y) {
        for (int x = 0; x < dense.width(); ++x) {
            if (qAlpha(dense.pixel(x, y)) < 255)
                continue;
            denseMismatches += shown.pixel(x, y) != dense.pixel(x, y);
            stretchedMismatches += shown.pixel(x, y) != stretched.pixel(x, y);
        }
    }
    QCOMPARE(denseMismatches, 0);
    QVERIFY(stretchedMismatches > 0);
}

void TestHighDensity::busyAnimationPlaysItsDenseFrames()
{
    MainWindow window(WindowTestEnvironment::instance().server());
    auto *busy = window.findChild<QLabel *>(QStringLiteral("label_Busying"));
    QTRY_VERIFY(!busy->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(busy->pixmap(Qt::ReturnByValue).devicePixelRatio(), 2.0);
    QCOMPARE(busy->pixmap(Qt::ReturnByValue).size(), QSize(336, 336));
}

int main(int argc, char *argv[])
{
    DisplayScaling::enable();
    QApplication app(argc, argv);
    TestHighDensity test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_highdensity.moc"
