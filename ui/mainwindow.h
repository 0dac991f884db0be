// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include "ui/framelesswidget.h"

#include <QUrl>

class DeviceFlash;
class MessageDialog;
class QTranslator;
class SettingsDialog;
class SyncCloud;

namespace Ui {
class MainWindow;
}

// The program's one top-level window: owns the device link, the catalogue, the dialogs and the translator,
// and turns their signals into pages, enabled controls, version texts, progress and messages.
class MainWindow : public FramelessWidget
{
    Q_OBJECT

public:
    // Talks to the maker's download server.
    explicit MainWindow(QWidget *parent = nullptr);
    // Fetches the catalogue from catalogueServer instead (a test, screenshot or demo server).
    explicit MainWindow(const QUrl &catalogueServer, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Brings the window to the front with a notice; how a second start of the tool speaks to this one.
    void showInstanceMessage(const QString &title, const QString &text);
    // Installs the saved language and its font, and refreshes every text, the title and the version line.
    void applyLanguage();
    // Closes the window, once no device task is running.
    void safeClose();
    // Whether the tool-update offer opens the catalogue's download page and then closes the window. That page
    // offers the Windows tool, so only the Windows build does so; elsewhere the offer is a notice. For tests.
    void setToolUpdateOpensDownloadPage(bool opens) { m_bToolUpdateOpensDownloadPage = opens; }

protected:
    // Every close request waits for a running device task, like the close button.
    void closeEvent(QCloseEvent *event) override;
    // The first paint starts the catalogue request and the adapter search, right after it reaches the screen.
    void paintEvent(QPaintEvent *event) override;

private slots:
    void onDeviceError(int error);
    void onProgressChanged(qint64 current, qint64 total);
    void onPushButtonUpdateClicked();
    void onPushButtonRestoreClicked();
    void onPushButtonVersionInfoClicked();
    void onComboBoxLanguagesChanged(int index);
    void onVersionChanged(QString version);
    void onUpgradeable(bool state);
    bool compareVersion(QString v1, QString v2);

private:
    // The pages of stackedWidget, by index.
    enum Page { Page_Start = 0, Page_Unconnected = 1, Page_Connected = 2 };

    void makeConnections();
    // Fetches the catalogue and searches for the adapter: only once the window is on screen, so that the
    // first paint waits for neither, and a later start, whose window never shows, touches neither.
    void startLink();
    // Plays the busy animation on the start page, drawn for the screen's density.
    void startBusyAnimation();
    // The network button's look and spoken name follow whether the catalogue was fetched.
    void showNetworkState();
    // Tells a screen reader which page the window now shows.
    void announcePage(int index);
    // The window's notice dialog, made with its connections the first time the window has something to say.
    MessageDialog *messageDialog();
    // The settings dialog, made the first time a data operation reports progress.
    SettingsDialog *settingsDialog();
    void onSyncFinished();
    void onSyncError(int error);
    void onFirmwareInfoChanged();
    void onConnectStatusChanged(bool connected);
    // Another program (the command line) has the adapter: the window goes on as if it were not plugged in.
    void onAdapterInUse(const QString &holder);
    void onWriteProgress(qint64 current, qint64 total);
    void onDownloadProgress(qint64 bytesReceived, qint64 bytesTotal);
    void onStoreProgress(qint64 current, qint64 total, bool hideSettings);
    void onOpenFileClicked();
    void onTitleClicked();
    void showVersions();
    // Asks before a risky update when the boot loader is too old to recover from a failed one.
    bool confirmRisk(const QString &text);
    // What the window shows from the moment an update is asked for until its outcome arrives.
    void showUpdateStarting(const QString &text);
    // Every update ends in words, and with the controls usable again while the adapter stays.
    void onUpdateFinished(int outcome); // a DeviceFlash::UpdateOutcome
    void endUpdateDisplay();
    void setUpdateControlsEnabled(bool enabled);
    void offerToolUpdate(const QString &version);
    // Makes the family of language index the application's font, reaching every widget of the window.
    void applyLanguageFont(int index);
    // Tells the user, once a run, why the adapter at node cannot be opened (a DeviceFlash::AccessDenial).
    void showAccessNotice(const QString &node, int cause);

    // Both made on first use: neither shows at start-up, and building and styling them before the first
    // paint cost about 1 MiB and a few milliseconds.
    MessageDialog *m_messageDialog = nullptr;
    SettingsDialog *m_settingsDialog = nullptr;
    DeviceFlash *m_deviceFlash;
    SyncCloud *m_syncCloud;
    QTranslator *m_translator;
    Ui::MainWindow *ui;
    QString m_strFirmwareFilePath; // the path last chosen in the file dialog
    int m_iTitleClickedCount; // clicks on the title so far; the fifth brings back a hidden update button
    bool m_bUpgradeable; // false once the adapter reported a boot loader too old for a safe update
    bool m_bAccessNoticeShown = false; // showAccessNotice has spoken in this run
    bool m_bLinkStarted = false; // startLink has been asked for
    bool m_bToolUpdateOffered = false; // offerToolUpdate has spoken in this run
#ifdef Q_OS_WIN
    bool m_bToolUpdateOpensDownloadPage = true;
#else
    bool m_bToolUpdateOpensDownloadPage = false;
#endif
};
