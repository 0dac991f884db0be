// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "device/deviceflash.h"
#include "logcapture.h"
#include "sim/simadapter.h"
#include "ui/mainwindow.h"
#include "ui/messagedialog.h"
#include "windowtestenvironment.h"

#include <QTextBrowser>
#include <QtTest>

#include <cerrno>

namespace {

const QString kNode = QStringLiteral("/dev/hidraw7");

// The texts of the message dialog each time it comes up.
struct ShowingsRecorder : QObject
{
    QStringList texts;
    // Watches the whole application: the window makes its message dialog when it first has something to say.
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<MessageDialog *>(object))
            texts.append(object->findChild<QTextBrowser *>(QStringLiteral("textBrowser"))->toPlainText());
        return false;
    }
};

} // namespace

// An adapter that is plugged in but cannot be opened: the user is told why, once a run, and the log names
// the node and the cause.
class TestAdapterAccess : public QObject
{
    Q_OBJECT

private slots:
    void refusedOpenIsExplainedOnce_data();
    void refusedOpenIsExplainedOnce();
};

void TestAdapterAccess::refusedOpenIsExplainedOnce_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("noticePart"); // empty: no notice at all
    QTest::addColumn<QString>("logPart"); // empty: no warning about the node

    QTest::addRow("permission denied")
        << EACCES << QStringLiteral("this user may not open it") << QStringLiteral("permission denied");
    QTest::addRow("busy") << EBUSY << QStringLiteral("another program is using it") << QStringLiteral("busy");
    QTest::addRow("opens") << 0 << QString() << QString();
}

void TestAdapterAccess::refusedOpenIsExplainedOnce()
{
    QFETCH(int, error);
    QFETCH(QString, noticePart);
    QFETCH(QString, logPart);

    WindowTestEnvironment::instance();
    SimAdapter::reset();
    SimAdapter::setNodePath(kNode.toUtf8());
    SimAdapter::refuseOpen(error);
    SimAdapter::plug(DeviceFlash::Tavrune_B275);
    LogCapture log;
    MainWindow window(WindowTestEnvironment::instance().server());
    window.show(); // the search starts once the window is on screen
    auto *device = window.findChild<DeviceFlash *>();
    ShowingsRecorder showings;
    qApp->installEventFilter(&showings);
    const QString warningPrefix = QStringLiteral("warning Adapter at ") + kNode;

    // The search at start finds the adapter; then the user dismisses what was shown and replugs it.
    if (noticePart.isEmpty())
        QTRY_VERIFY(!device->version().isEmpty());
    else
        QTRY_COMPARE(showings.texts.size(), 1);
    if (auto *dialog = window.findChild<MessageDialog *>())
        dialog->close();
    device->deviceArrived(DeviceFlash::VendorId, DeviceFlash::Tavrune_B275);
    QCoreApplication::processEvents(); // delivers the queued signals of the arrival

    const QStringList warnings = log.lines(warningPrefix);
    if (noticePart.isEmpty()) {
        QVERIFY2(showings.texts.isEmpty(), qPrintable(showings.texts.join(QLatin1Char('\n'))));
        QVERIFY(warnings.isEmpty());
        return;
    }
    QCOMPARE(showings.texts.size(), 1);
    QVERIFY2(showings.texts.first().contains(noticePart) && showings.texts.first().contains(kNode),
        qPrintable(showings.texts.first()));
    QCOMPARE(warnings.size(), 2);
    QVERIFY2(warnings.first().contains(logPart), qPrintable(warnings.first()));
}

QTEST_MAIN(TestAdapterAccess)
#include "tst_adapteraccess.moc"
