// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// The demo: its catalogue is served and listed, the sandbox plugs the adapter in and pulls it through the
// notification entry points, an update from the sample catalogue ends in the success notice, a pull during
// one never does, and a start that cannot be made safe says why and ends.
#include "app/applicationidentity.h"
#include "demo/demo.h"
#include "demo/sandboxpanel.h"
#include "device/deviceflash.h"
#include "sim/samplecatalogue.h"
#include "sim/simcatalogue.h"
#include "ui/mainwindow.h"
#include "ui/messagedialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QTcpServer>
#include <QTemporaryFile>
#include <QTextBrowser>
#include <QtTest>

namespace {

template<typename T>
T *part(QWidget *window, const char *name)
{
    for (T *found : window->findChildren<T *>(QLatin1String(name))) {
        if (found->window() == window)
            return found;
    }
    return nullptr;
}

// The window's notice as "title|text"; empty while none is shown.
QString notice(MainWindow *window)
{
    auto *dialog = window->findChild<MessageDialog *>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog || !dialog->isVisible())
        return QString();
    return dialog->findChild<QPushButton *>(QStringLiteral("pushButton_Title"))->text() + QLatin1Char('|') +
        dialog->findChild<QTextBrowser *>()->toPlainText();
}

int page(MainWindow *window)
{
    return part<QStackedWidget>(window, "stackedWidget")->currentIndex();
}

// Shows the started demo, waits for its catalogue to be listed, plugs the adapter in from the panel and
// starts the update to version, as a visitor would.
void plugAndUpdate(Demo &demo, const char *version)
{
    demo.show();
    MainWindow *window = demo.window();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    auto *versions = part<QComboBox>(window, "comboBox_Version");
    QTRY_COMPARE_WITH_TIMEOUT(versions->count(), 4, 10000);
    QCOMPARE(demo.catalogue()->server()->requestCount(QLatin1String(SimCatalogue::DocumentPath)), 1);

    part<QPushButton>(demo.panel(), "pushButton_Plug")->click();
    QTRY_COMPARE_WITH_TIMEOUT(page(window), 2, 10000);
    QTRY_COMPARE(part<QLabel>(window, "label_CurrentVersion")->text(), QStringLiteral("Current Firmware Version | 2.1.0"));
    QTRY_VERIFY(!window->findChild<DeviceFlash *>()->isBusy());

    versions->setCurrentIndex(versions->findText(QLatin1String(version)));
    part<QPushButton>(window, "pushButton_Update")->click();
}

} // namespace

class TestDemo : public QObject
{
    Q_OBJECT

private slots:
    void updateFromSampleCatalogueSucceeds();
    void pullDuringUpdateNeverClaimsSuccess();
    void unsafeStartSaysWhyAndEnds_data();
    void unsafeStartSaysWhyAndEnds();
};

void TestDemo::updateFromSampleCatalogueSucceeds()
{
    Demo demo;
    QVERIFY2(demo.start(), qPrintable(demo.errorString()));
    plugAndUpdate(demo, SampleCatalogue::SmallestVersion);
    if (QTest::currentTestFailed())
        return;
    MainWindow *window = demo.window();
    QTRY_COMPARE_WITH_TIMEOUT(notice(window), QStringLiteral("Tavrune Firmware Tool|completed successfully!"), 20000);
    QTRY_COMPARE(part<QLabel>(window, "label_CurrentVersion")->text(),
        QStringLiteral("Current Firmware Version | %1").arg(QLatin1String(SampleCatalogue::SmallestVersion)));
    // The settings and the downloaded file went to the demo's own folder.
    QVERIFY(ApplicationIdentity::dataFolder().startsWith(QDir::tempPath()));
}

void TestDemo::pullDuringUpdateNeverClaimsSuccess()
{
    Demo demo;
    QVERIFY2(demo.start(), qPrintable(demo.errorString()));
    // Armed before the update starts, as a visitor would.
    part<QCheckBox>(demo.panel(), "checkBox_PullDuringUpdate")->setChecked(true);
    plugAndUpdate(demo, SampleCatalogue::NewestVersion);
    if (QTest::currentTestFailed())
        return;
    MainWindow *window = demo.window();
    auto *device = window->findChild<DeviceFlash *>();
    QTRY_COMPARE_WITH_TIMEOUT(page(window), 1, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(!device->isBusy(), 10000);
    QTest::qWait(300);
    QVERIFY(!notice(window).contains(QLatin1String("successfully")));
    QVERIFY(part<QLabel>(demo.panel(), "label_Status")->text().contains(QLatin1String("pulled at")));
    QVERIFY(!part<QWidget>(window, "toolButton_Settings")->isEnabled());
}

void TestDemo::unsafeStartSaysWhyAndEnds_data()
{
    QTest::addColumn<bool>("portTaken"); // or the temporary folder is not a folder at all
    QTest::addColumn<QString>("says");
    QTest::addRow("port in use") << true << "cannot serve the sample catalogue on 127.0.0.1:";
    QTest::addRow("temporary folder unusable") << false << "cannot create a private data folder in ";
}

void TestDemo::unsafeStartSaysWhyAndEnds()
{
    QFETCH(bool, portTaken);
    QFETCH(QString, says);

    QTcpServer taken;
    QVERIFY(taken.listen(QHostAddress::LocalHost));
    QTemporaryFile notAFolder;
    QVERIFY(notAFolder.open());
    QProcess demo;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!portTaken) {
        for (const char *variable : {"TMPDIR", "TMP", "TEMP"}) // Linux's, then Windows'
            environment.insert(QLatin1String(variable), QDir::toNativeSeparators(notAFolder.fileName()));
    }
    demo.setProcessEnvironment(environment);
    demo.start(QStringLiteral(DEMO_PATH),
        portTaken ? QStringList {QStringLiteral("--port"), QString::number(taken.serverPort())} : QStringList());
    QVERIFY(demo.waitForFinished(10000));
    QCOMPARE(demo.exitCode(), 1);
    QVERIFY2(QString::fromLocal8Bit(demo.readAllStandardError()).contains(says), qPrintable(says));
}

QTEST_MAIN(TestDemo)
#include "tst_demo.moc"
