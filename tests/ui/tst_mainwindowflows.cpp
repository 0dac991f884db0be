// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// The working main window against the simulated adapter and a catalogue on 127.0.0.1: its pages, its
// messages for every outcome, the update from the catalogue, closing while busy, and the language switch.
#include "cloud/synccloud.h"
#include "device/deviceflash.h"
#include "sim/simadapter.h"
#include "ui/mainwindow.h"
#include "ui/messagedialog.h"
#include "windowtestenvironment.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QtTest>
#include <qpa/qwindowsysteminterface.h>

Q_DECLARE_METATYPE(SimAdapter::Fault)

namespace {

const QString englishSuccess = QStringLiteral("completed successfully!");

template<typename T>
T *child(QWidget *parent, const char *name)
{
    // The window's dialogs reuse some of its object names: a window's own widgets come first.
    for (T *found : parent->findChildren<T *>(QLatin1String(name))) {
        if (found->window() == parent->window())
            return found;
    }
    return nullptr;
}

int page(MainWindow &window)
{
    return child<QStackedWidget>(&window, "stackedWidget")->currentIndex();
}

// The notice a message dialog shows, as "title|text"; empty while it is hidden.
QString shownMessage(MessageDialog *dialog)
{
    if (!dialog || !dialog->isVisible())
        return QString();
    return dialog->findChild<QPushButton *>(QStringLiteral("pushButton_Title"))->text() + QLatin1Char('|') +
        dialog->findChild<QTextBrowser *>(QStringLiteral("textBrowser"))->toPlainText();
}

MessageDialog *windowMessages(MainWindow &window)
{
    return window.findChild<MessageDialog *>(QString(), Qt::FindDirectChildrenOnly);
}

// Presses OK on the first message dialog that window makes on the spot within a few seconds (its own notice
// dialog, made on first use, is never that one), and records what it said.
void answerNextSeparateMessage(MainWindow &window, QString *said)
{
    auto *poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, &window, [&window, poll, said, own = windowMessages(window)] {
        const auto dialogs = window.findChildren<MessageDialog *>(QString(), Qt::FindDirectChildrenOnly);
        // Made on the spot, it is the window's newest dialog.
        MessageDialog *dialog = dialogs.isEmpty() ? nullptr : dialogs.last();
        if (dialog && dialog != own && dialog->isVisible()) {
            *said = shownMessage(dialog);
            dialog->findChild<QPushButton *>(QStringLiteral("pushButton_MsgOK"))->click();
            poll->deleteLater();
        }
    });
    poll->start(20);
}

QString makeFirmware(const QTemporaryDir &dir, int imageSize, const QString &version)
{
    QFile image(dir.filePath(QStringLiteral("image-%1.bin").arg(version)));
    if (!image.open(QIODevice::WriteOnly))
        return QString();
    QByteArray bytes(imageSize, '\0');
    for (int i = 0; i < imageSize; ++i)
        bytes[i] = char(i * 7 + 3);
    image.write(bytes);
    image.close();
    const QString output = dir.filePath(QStringLiteral("firmware-%1.rfw").arg(version));
    QProcess maker;
    maker.start(QStringLiteral(MKRFW_PATH),
        {QStringLiteral("--image"), image.fileName(), QStringLiteral("--version"), version, output});
    return maker.waitForFinished(30000) && maker.exitCode() == 0 ? output : QString();
}

QByteArray fileContent(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestMainWindowFlows : public QObject
{
    Q_OBJECT

public slots:
    // Stands in for the desktop's browser.
    void recordUrl(const QUrl &url) { m_opened.append(url); }

private slots:
    void initTestCase();
    void init();
    void pageFollowsCatalogueThenAdapter_data();
    void pageFollowsCatalogueThenAdapter();
    void deviceErrorShowsItsMessage_data();
    void deviceErrorShowsItsMessage();
    void catalogueErrorShowsItsMessage_data();
    void catalogueErrorShowsItsMessage();
    void updateFromCatalogueEndsInSuccess();
    void pullDuringUpdateNeverClaimsSuccess();
    void failedUpdateEndsInItsMessageWithControlsBack_data();
    void failedUpdateEndsInItsMessageWithControlsBack();
    void toolUpdateOfferDependsOnVersionAndPlatform_data();
    void toolUpdateOfferDependsOnVersionAndPlatform();
    void closeWaitsForRunningUpdate_data();
    void closeWaitsForRunningUpdate();
    void languageSwitchReachesEveryTextAndIsRemembered();
    void unknownStoredLanguageShowsEnglishWithoutSelection();
    void identityNamesTheInstalledDesktopEntry();
    void compareVersionPacksThreeParts_data();
    void compareVersionPacksThreeParts();

private:
    QTemporaryDir m_dir;
    QList<QUrl> m_opened;
};

void TestMainWindowFlows::initTestCase()
{
    WindowTestEnvironment::instance();
    QVERIFY(m_dir.isValid());
}

void TestMainWindowFlows::init()
{
    SimAdapter::reset();
}

void TestMainWindowFlows::pageFollowsCatalogueThenAdapter_data()
{
    QTest::addColumn<QString>("events"); // c: catalogue finished, e: catalogue error, +: adapter, -: pulled
    QTest::addColumn<int>("page");
    QTest::addRow("nothing yet") << "" << 0;
    QTest::addRow("catalogue finished") << "c" << 1;
    QTest::addRow("catalogue failed") << "e" << 1;
    QTest::addRow("adapter before catalogue") << "+" << 2;
    QTest::addRow("catalogue after adapter") << "+c" << 2;
    QTest::addRow("catalogue error after adapter") << "+e" << 2;
    QTest::addRow("adapter pulled") << "c+-" << 1;
    QTest::addRow("pulled before the catalogue ends") << "-" << 1;
    QTest::addRow("adapter back") << "c+-+" << 2;
}

void TestMainWindowFlows::pageFollowsCatalogueThenAdapter()
{
    QFETCH(QString, events);
    QFETCH(int, page);

    // A catalogue that never answers, so that only the events of the row move the window.
    LoopbackHttpServer silent;
    LoopbackHttpServer::Reply stall;
    stall.delivery = LoopbackHttpServer::Delivery::Stall;
    silent.setReply(QLatin1String(SimCatalogue::DocumentPath), stall);
    MainWindow window(QUrl(silent.baseUrl()));
    auto *cloud = window.findChild<SyncCloud *>();
    auto *device = window.findChild<DeviceFlash *>();
    for (QChar event : events) {
        switch (event.toLatin1()) {
        case 'c': emit cloud->syncFinshed(); break;
        case 'e': emit cloud->syncError(SyncCloud::SyncError_ChecksumError); break;
        case '+': emit device->deviceConnectStatusChanged(true, DeviceFlash::Tavrune_B275); break;
        case '-': emit device->deviceConnectStatusChanged(false, DeviceFlash::Tavrune_B275); break;
        }
        QCoreApplication::processEvents();
    }
    QCOMPARE(::page(window), page);
    QCOMPARE(child<QWidget>(&window, "toolButton_Settings")->isEnabled(), page == 2);
}

void TestMainWindowFlows::deviceErrorShowsItsMessage_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("endsRun"); // a separate, waiting message, then the window closes
    QTest::addRow("file damage") << 0 << "Error|Corrupted file !" << false;
    QTest::addRow("erase") << 1 << "Error|flash erase error!" << false;
    QTest::addRow("hardware") << 2 << "Error|Hardware failure!" << true;
    QTest::addRow("firmware lost") << 3 << "Error|Firmware lost! Please update firmware!" << false;
    QTest::addRow("unsupported") << 6 << "Error|Upgrade is not supported!\nRequired Boot Version >= 2.0.0" << false;
    QTest::addRow("invalid file") << 7 << "Error|Invalid file!" << false;
    QTest::addRow("unknown code") << 9 << "Error|" << false;
}

void TestMainWindowFlows::deviceErrorShowsItsMessage()
{
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(bool, endsRun);

    MainWindow window(WindowTestEnvironment::instance().server());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *bar = child<QWidget>(&window, "progressBar");
    bar->show();
    QString separate;
    if (endsRun)
        answerNextSeparateMessage(window, &separate);
    emit window.findChild<DeviceFlash *>()->error(code);

    if (endsRun) {
        QTRY_COMPARE_WITH_TIMEOUT(separate, message, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 10000);
    } else {
        QTRY_COMPARE(shownMessage(windowMessages(window)), message);
        QVERIFY(window.isVisible());
    }
    QVERIFY(bar->isHidden());
}

void TestMainWindowFlows::catalogueErrorShowsItsMessage_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("okEndsRun");
    QTest::addRow("first run") << 0 << "Error|fail to connect to cloud servers" << true;
    QTest::addRow("cache used") << 1 << "Warning|fail to connect to cloud servers" << false;
    QTest::addRow("bad catalogue") << 2 << "Warning|wrong json file!" << false;
    QTest::addRow("download failed") << 3 << "Warning|Firmware file error!" << false;
    QTest::addRow("not cached yet") << 4 << "" << false;
    QTest::addRow("network") << 5 << "Warning|fail to connect to cloud servers" << false;
}

void TestMainWindowFlows::catalogueErrorShowsItsMessage()
{
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(bool, okEndsRun);

    MainWindow window(WindowTestEnvironment::instance().server());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(::page(window), 1); // the catalogue's own request has ended
    emit window.findChild<SyncCloud *>()->syncError(SyncCloud::SyncError(code));
    if (message.isEmpty()) {
        QTest::qWait(100);
        QCOMPARE(shownMessage(windowMessages(window)), QString());
        return;
    }
    QTRY_COMPARE(shownMessage(windowMessages(window)), message);
    windowMessages(window)->findChild<QPushButton *>(QStringLiteral("pushButton_MsgOK"))->click();
    if (okEndsRun)
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 10000);
    else
        QVERIFY(window.isVisible());
}

void TestMainWindowFlows::updateFromCatalogueEndsInSuccess()
{
    const QString file = makeFirmware(m_dir, 4000, QStringLiteral("2.3.4"));
    QVERIFY(!file.isEmpty());
    SimCatalogue catalogue;
    catalogue.setTool(QCoreApplication::applicationVersion());
    catalogue.addFirmware(QStringLiteral("2.2.0"), QStringLiteral("older"), fileContent(file));
    catalogue.addFirmware(QStringLiteral("2.3.4"), QStringLiteral("newest"), fileContent(file));
    SimAdapter::plug(0xB275);

    MainWindow window(catalogue.serverUrl());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *versions = child<QComboBox>(&window, "comboBox_Version");
    QTRY_COMPARE_WITH_TIMEOUT(::page(window), 2, 10000);
    QTRY_COMPARE(versions->count(), 2);
    QTRY_VERIFY(!window.findChild<DeviceFlash *>()->isBusy());

    versions->setCurrentIndex(1);
    child<QPushButton>(&window, "pushButton_Update")->click();
    QTRY_COMPARE_WITH_TIMEOUT(shownMessage(windowMessages(window)),
        QStringLiteral("Tavrune Firmware Tool|") + englishSuccess, 20000);
    QTRY_COMPARE(child<QLabel>(&window, "label_CurrentVersion")->text(),
        QStringLiteral("Current Firmware Version | 2.3.4"));
    QVERIFY(versions->isEnabled());
    QVERIFY(child<QWidget>(&window, "pushButton_Update")->isEnabled());
    QVERIFY(child<QWidget>(&window, "progressBar")->isHidden());
}

void TestMainWindowFlows::pullDuringUpdateNeverClaimsSuccess()
{
    const QString file = makeFirmware(m_dir, 4000, QStringLiteral("2.4.0"));
    QVERIFY(!file.isEmpty());
    SimAdapter::plug(0xB275);
    MainWindow window(WindowTestEnvironment::instance().server());
    window.show();
    auto *device = window.findChild<DeviceFlash *>();
    QTRY_COMPARE_WITH_TIMEOUT(::page(window), 2, 10000);
    QTRY_VERIFY(!device->isBusy());

    // Pulled in the middle of the image, as the system would announce it.
    SimAdapter::setExchangeHook([device](int exchange) {
        if (exchange == 40)
            QMetaObject::invokeMethod(device, [device] {
                SimAdapter::plug(0);
                device->deviceRemoved(0x0E3A, 0xB275);
            });
    });
    QSignalSpy progress(device, &DeviceFlash::write2FlashProgressChanged);
    child<QPushButton>(&window, "pushButton_Update")->setEnabled(true);
    QMetaObject::invokeMethod(&window, [&] { device->updateFirmware(file); });
    QTRY_COMPARE_WITH_TIMEOUT(::page(window), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!device->isBusy(), 10000);
    QTest::qWait(200);
    QVERIFY(!progress.isEmpty());
    QVERIFY(!shownMessage(windowMessages(window)).contains(englishSuccess));
    QVERIFY(!child<QWidget>(&window, "toolButton_Settings")->isEnabled());
}

void TestMainWindowFlows::failedUpdateEndsInItsMessageWithControlsBack_data()
{
    QTest::addColumn<QString>("version"); // one of its own, as the cache outlives a row
    QTest::addColumn<int>("exchange"); // of the update, counted from its first erase; -1 for no fault
    QTest::addColumn<SimAdapter::Fault>("fault");
    QTest::addColumn<QByteArray>("served"); // the catalogue's file; empty for the valid one
    QTest::addColumn<QString>("message");
    const QString incomplete = QStringLiteral("Error|The firmware on the adapter is incomplete: the update stopped "
                                              "before all of it was written.\nKeep the adapter plugged in and run "
                                              "the update again.");
    using F = SimAdapter::Fault;
    QTest::addRow("echo mismatch") << "2.6.1" << 30 << F::DataMismatch << QByteArray() << incomplete;
    QTest::addRow("time-out") << "2.6.2" << 30 << F::NoReply << QByteArray() << incomplete;
    QTest::addRow("erase failed") << "2.6.3" << 1 << F::WrongCode << QByteArray() << "Error|flash erase error!";
    QTest::addRow("failed download") << "2.6.4" << -1 << F::NoReply << QByteArray(" ", 0)
                                     << "Warning|Firmware file error!";
    // Checked before it is kept, a refused download ends as one that failed.
    QTest::addRow("refused download") << "2.6.5" << -1 << F::NoReply << QByteArray("not firmware")
                                      << "Warning|Firmware file error!";
}

void TestMainWindowFlows::failedUpdateEndsInItsMessageWithControlsBack()
{
    QFETCH(QString, version);
    QFETCH(int, exchange);
    QFETCH(SimAdapter::Fault, fault);
    QFETCH(QByteArray, served);
    QFETCH(QString, message);
    const QString file = makeFirmware(m_dir, 4000, version);
    QVERIFY(!file.isEmpty());
    SimCatalogue catalogue;
    catalogue.setTool(QCoreApplication::applicationVersion());
    catalogue.addFirmware(version, QString(), served.isNull() ? fileContent(file) : served);
    SimAdapter::plug(0xB275);
    MainWindow window(catalogue.serverUrl());
    window.show();
    auto *device = window.findChild<DeviceFlash *>();
    QTRY_COMPARE_WITH_TIMEOUT(::page(window), 2, 10000);
    QTRY_COMPARE(child<QComboBox>(&window, "comboBox_Version")->count(), 1);
    QTRY_VERIFY(!device->isBusy());
    if (exchange >= 0)
        SimAdapter::injectFault(SimAdapter::exchangeCount() + exchange, fault);

    child<QPushButton>(&window, "pushButton_Update")->click();
    QTRY_COMPARE_WITH_TIMEOUT(shownMessage(windowMessages(window)), message, 20000);
    QTRY_VERIFY(!device->isBusy());
    QCoreApplication::processEvents();

    QCOMPARE(shownMessage(windowMessages(window)), message);
    QCOMPARE(::page(window), 2);
    for (const char *control : {"comboBox_Version", "pushButton_Update", "toolButton_Settings"})
        QVERIFY2(child<QWidget>(&window, control)->isEnabled(), control);
    QVERIFY(child<QWidget>(&window, "progressBar")->isHidden());
    QVERIFY(child<QLabel>(&window, "label_CurrentVersion")
                ->text()
                .startsWith(QStringLiteral("Current Firmware Version | ")));
}

void TestMainWindowFlows::toolUpdateOfferDependsOnVersionAndPlatform_data()
{
    QTest::addColumn<bool>("windows"); // the Windows build's offer: the download page, then the window closes
    QTest::addColumn<QByteArray>("flashTool"); // the catalogue's "flashTool" value; empty: no such member
    QTest::addColumn<QString>("offer"); // "title|text"; empty: no offer at all
    QTest::addColumn<QString>("opened"); // the address handed to the browser; empty: none

    const QByteArray web = R"("windowsURL": "http://127.0.0.1:9/tool")";
    for (const bool windows : {true, false}) {
        const char *platform = windows ? "Windows" : "elsewhere";
        QTest::addRow("%s: own version", platform) << windows << R"({"version": "3.1.0", )" + web + "}"
                                                   << QString() << QString();
        QTest::addRow("%s: no flashTool", platform) << windows << QByteArray() << QString() << QString();
        QTest::addRow("%s: empty flashTool", platform) << windows << QByteArray("{}") << QString() << QString();
        QTest::addRow("%s: flashTool not an object", platform)
            << windows << QByteArray(R"(["3.2.0"])") << QString() << QString();
    }
    const QString windowsOffer = QStringLiteral("Upgrade V%1|The latest version update!\nfaster");
    QTest::addRow("Windows: newer version") << true << R"({"version": "3.2.0", "info": "faster", )" + web + "}"
                                            << windowsOffer.arg(QStringLiteral("3.2.0")) << "http://127.0.0.1:9/tool";
    QTest::addRow("Windows: older version") << true << R"({"version": "3.0.9", "info": "faster", )" + web + "}"
                                            << windowsOffer.arg(QStringLiteral("3.0.9")) << "http://127.0.0.1:9/tool";
    QTest::addRow("Windows: not a web address")
        << true << QByteArray(R"({"version": "3.2.0", "info": "faster", "windowsURL": "file:///etc/passwd"})")
        << windowsOffer.arg(QStringLiteral("3.2.0")) << QString();

    const QString notice = QStringLiteral(
        "Upgrade V3.2.0|The latest version of Tavrune Firmware Tool is 3.2.0; this one is 3.1.0.");
    for (const char *address : {"http://127.0.0.1:9/tool", "https://127.0.0.1:9/tool", "file:///etc/passwd"}) {
        QTest::addRow("elsewhere: newer version, %s", address)
            << false
            << QByteArray(R"({"version": "3.2.0", "info": "faster", "windowsURL": ")") + address + "\"}"
            << notice + QStringLiteral("\nfaster") << QString();
    }
    QTest::addRow("elsewhere: no info") << false << QByteArray(R"({"version": "3.2.0"})") << notice << QString();
}

void TestMainWindowFlows::toolUpdateOfferDependsOnVersionAndPlatform()
{
    QFETCH(bool, windows);
    QFETCH(QByteArray, flashTool);
    QFETCH(QString, offer);
    QFETCH(QString, opened);

    LoopbackHttpServer server;
    server.setBody(QLatin1String(SimCatalogue::DocumentPath),
        "{" + (flashTool.isEmpty() ? QByteArray() : "\"flashTool\": " + flashTool + ", ") +
            R"("firmware": [{"version": "2.0.0"}]})");
    for (const char *scheme : {"http", "https", "file"})
        QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "recordUrl");

    MainWindow window(QUrl(server.baseUrl()));
    window.setToolUpdateOpensDownloadPage(windows);
    window.show();
    QString windowsOffer;
    if (windows)
        answerNextSeparateMessage(window, &windowsOffer);
    QTRY_COMPARE(child<QComboBox>(&window, "comboBox_Version")->count(), 1);

    if (windows) {
        QTRY_COMPARE(windowsOffer, offer);
        QTRY_VERIFY_WITH_TIMEOUT(window.isVisible() == offer.isEmpty(), 10000);
    } else {
        // A notice in the window's own dialog, once a run, and the window goes on.
        QTRY_COMPARE(shownMessage(windowMessages(window)), offer);
        if (auto *dialog = windowMessages(window))
            dialog->close();
        emit window.findChild<SyncCloud *>()->firmawreInfoChanged(QJsonArray());
        QTest::qWait(200);
        QCOMPARE(shownMessage(windowMessages(window)), QString());
        QVERIFY(window.isVisible());
    }
    for (const char *scheme : {"http", "https", "file"})
        QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    QCOMPARE(m_opened, opened.isEmpty() ? QList<QUrl>() : QList<QUrl>({QUrl(opened)}));
    m_opened.clear();
}

void TestMainWindowFlows::closeWaitsForRunningUpdate_data()
{
    QTest::addColumn<bool>("closeButton"); // or a close request from the window manager
    QTest::addRow("close button") << true;
    QTest::addRow("window manager") << false;
}

void TestMainWindowFlows::closeWaitsForRunningUpdate()
{
    QFETCH(bool, closeButton);

    const QString file = makeFirmware(m_dir, 20000, QStringLiteral("2.5.0"));
    QVERIFY(!file.isEmpty());
    SimAdapter::plug(0xB275);
    MainWindow window(WindowTestEnvironment::instance().server());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *device = window.findChild<DeviceFlash *>();
    QTRY_COMPARE_WITH_TIMEOUT(::page(window), 2, 10000);
    QTRY_VERIFY(!device->isBusy());

    SimAdapter::setTiming(SimAdapter::Timing::FullSpeed);
    QSignalSpy progress(device, &DeviceFlash::write2FlashProgressChanged);
    device->updateFirmware(file);
    QVERIFY(progress.wait(10000));
    if (closeButton)
        child<QAbstractButton>(&window, "toolButton_Close")->click();
    else
        QWindowSystemInterface::handleCloseEvent(window.windowHandle());
    QCoreApplication::processEvents();
    QVERIFY(window.isVisible());
    QVERIFY(!child<QWidget>(&window, "toolButton_Close")->isEnabled());

    // The update runs to its end, then the window goes.
    QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 20000);
    QCOMPARE(progress.last().at(0), progress.last().at(1));
}

void TestMainWindowFlows::languageSwitchReachesEveryTextAndIsRemembered()
{
    {
        MainWindow window(WindowTestEnvironment::instance().server());
        // The window makes its dialogs on first use: the notice dialog before the switch, the settings
        // dialog (through a data operation's progress) after it.
        window.showInstanceMessage(QStringLiteral("Message"), QStringLiteral("hello"));
        QVERIFY(windowMessages(window));
        QVERIFY(!window.findChild<QDialog *>(QStringLiteral("SettingsDialog")));
        auto *languages = child<QComboBox>(&window, "comboBox_Languages");
        languages->setCurrentIndex(4);
        emit window.findChild<DeviceFlash *>()->dataBackupProgressChanged(1, 2, nullptr);
        QCoreApplication::processEvents();

        QCOMPARE(QApplication::font().family(), QStringLiteral("Arbutus Slab"));
        // Also the widgets whose size the style sheet sets, and the dialogs.
        for (QWidget *styled : {child<QWidget>(&window, "pushButton_Title"), child<QWidget>(&window, "label_Version"),
                 windowMessages(window)->findChild<QWidget *>(QStringLiteral("pushButton_MsgOK"))})
            QVERIFY2(styled->font().family() == QLatin1String("Arbutus Slab"), qPrintable(styled->objectName()));
        QCOMPARE(languages->currentIndex(), 4);
        QCOMPARE(languages->itemText(0), QStringLiteral("English"));
        QCOMPARE(languages->itemText(4), QStringLiteral("Français"));
        QCOMPARE(child<QLabel>(&window, "label_Info")->text(), QStringLiteral("connexion aux serveurs cloud"));
        QCOMPARE(child<QPushButton>(&window, "pushButton_Title")->text(),
            QStringLiteral("Tavrune M4 Firmware Tool v3.1.0"));
        QVERIFY(child<QLabel>(&window, "label_CurrentVersion")->text().endsWith(QLatin1String(" | ")));
        QVERIFY(!child<QLabel>(&window, "label_CurrentVersion")->text().startsWith(QLatin1String("Current")));
        QCOMPARE(windowMessages(window)->findChild<QPushButton *>(QStringLiteral("pushButton_MsgOK"))->text(),
            QCoreApplication::translate("MessageDialog", "OK"));
        QCOMPARE(window.findChild<QDialog *>(QStringLiteral("SettingsDialog"))
                     ->findChild<QPushButton *>(QStringLiteral("pushButton_DataBackup"))->text(),
            QCoreApplication::translate("SettingsDialog", "Data Backup"));
        QVERIFY(QCoreApplication::translate("SettingsDialog", "Data Backup") != QLatin1String("Data Backup"));
    }
    const QString ini = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
        QStringLiteral("/tavruneflashtool.ini");
    QCOMPARE(QSettings(ini, QSettings::IniFormat).value(QStringLiteral("CurrentLanguage")).toInt(), 4);

    MainWindow next(WindowTestEnvironment::instance().server());
    QCOMPARE(child<QComboBox>(&next, "comboBox_Languages")->currentIndex(), 4);
    QCOMPARE(child<QLabel>(&next, "label_Info")->text(), QStringLiteral("connexion aux serveurs cloud"));
    child<QComboBox>(&next, "comboBox_Languages")->setCurrentIndex(0);
    QCOMPARE(QApplication::font().family(), QStringLiteral("Microsoft Sans Serif"));
}

void TestMainWindowFlows::unknownStoredLanguageShowsEnglishWithoutSelection()
{
    const QString ini = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
        QStringLiteral("/tavruneflashtool.ini");
    QSettings(ini, QSettings::IniFormat).setValue(QStringLiteral("CurrentLanguage"), 7);

    MainWindow window(WindowTestEnvironment::instance().server());
    QCOMPARE(child<QComboBox>(&window, "comboBox_Languages")->currentIndex(), -1);
    QCOMPARE(child<QLabel>(&window, "label_Info")->text(), QStringLiteral("connecting to cloud servers"));
    QCOMPARE(QApplication::font().family(), QStringLiteral("Microsoft Sans Serif"));
    QSettings(ini, QSettings::IniFormat).setValue(QStringLiteral("CurrentLanguage"), 0);
}

void TestMainWindowFlows::identityNamesTheInstalledDesktopEntry()
{
    // Set through the application's property, which only a GUI application object carries.
    QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("com.tavrune.FirmwareTool"));
}

void TestMainWindowFlows::compareVersionPacksThreeParts_data()
{
    QTest::addColumn<QString>("v1");
    QTest::addColumn<QString>("v2");
    QTest::addColumn<bool>("older");
    QTest::addRow("letters dropped") << "V1.2.3" << "1.2.10" << true;
    QTest::addRow("newer") << "2.0.0" << "1.9.9" << false;
    QTest::addRow("equal") << "1.2.3" << "1.2.3" << false;
    QTest::addRow("two parts") << "1.2" << "1.2.3" << false;
    QTest::addRow("overlapping field") << "1.0.256" << "1.1.0" << false;
    QTest::addRow("bracketed build") << "1.0.0 (beta)" << "1.0.1" << true;
}

void TestMainWindowFlows::compareVersionPacksThreeParts()
{
    QFETCH(QString, v1);
    QFETCH(QString, v2);
    QFETCH(bool, older);

    MainWindow window(WindowTestEnvironment::instance().server());
    bool result = !older;
    QVERIFY(QMetaObject::invokeMethod(&window, "compareVersion", Q_RETURN_ARG(bool, result), Q_ARG(QString, v1),
        Q_ARG(QString, v2)));
    QCOMPARE(result, older);
}

QTEST_MAIN(TestMainWindowFlows)
#include "tst_mainwindowflows.moc"
