// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include "device/deviceflash.h"

#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <QTextStream>
#include <QUrl>

#include <functional>

class QEventLoop;
class QSaveFile;
class SyncCloud;

// The command line's front end: runs one command (list, info, check, versions, update, verify, backup) on
// the same DeviceFlash and SyncCloud as the window, without widgets, and ends with an exit code that names
// the outcome.
class FlashCli : public QObject
{
    Q_OBJECT

public:
    // One per outcome class; the help text and the README list them.
    enum ExitCode {
        Exit_Success = 0,
        Exit_Cancelled = 1,
        Exit_Usage = 2,
        Exit_NoAdapter = 3,
        Exit_FileRefused = 4,
        Exit_EraseFailed = 5,
        Exit_WriteFailed = 6,
        Exit_Network = 7,
        Exit_InUse = 8,
        Exit_Differs = 9, // verify read everything back, and the adapter's flash is not what the file writes
        Exit_NothingToBackUp = 10, // backup: the firmware read is not what the information block describes
    };
    Q_ENUM(ExitCode)

    // Fetches the catalogue from the maker's download server, or from catalogueServer when it is set.
    explicit FlashCli(const QUrl &catalogueServer = QUrl(), QObject *parent = nullptr);
    ~FlashCli() override;

    // Runs the command that arguments (the program's name first) ask for and returns its exit code.
    int run(const QStringList &arguments);

    // The adapter link, for a test world that plugs and pulls the simulated adapter.
    DeviceFlash *device() const { return m_device; }
    // Shorter network deadlines than the catalogue's own, for a test world whose server trickles.
    void setNetworkDeadlines(int catalogueMs, int downloadMs);

private:
    // What the adapter link has reported so far.
    struct AdapterReport
    {
        bool connected = false;
        DeviceFlash::Tavrune product {};
        int tasksEnded = 0; // times the link went from busy to idle
        bool busy = false;
        QList<int> errors;
        bool oldBootLoader = false; // the adapter's boot loader is below version 2
        bool inUse = false;
        QString holder; // who has the adapter when inUse
        bool updateStarted = false; // the file passed its checks and erasing begins
        qint64 total = 0;
        bool updateFinished = false; // and how, in the three below
        DeviceFlash::UpdateOutcome outcome = DeviceFlash::UpdateOutcome_Success;
        qint64 verified = 0;
        FirmwareFile::Fault refusal = FirmwareFile::Fault_None;
    };

    int parseAndRun(const QStringList &arguments);
    int info();
    int check(const QString &path);
    int versions();
    int update(const QString &path, const QString &version);
    int verify(const QString &path, const QString &version);
    int backup(const QString &path);
    int list();

    // Before a search: confines the link to --device's adapter, or refuses when several are plugged in
    // without it (with --wait, waits until one is left). Exit_Success, or the refusal reported.
    int chooseAdapter();
    // The adapters listed, for a message: "/dev/hidraw0 (0xB275, serial TVR-M4-0001), ..." or "none".
    static QString pluggedIn(const QList<QHidDevice::Listing> &adapters);
    // The product ID as "0xB275".
    static QString productText(int productId);
    // The states of the three blocks as the last configuration read of link found them, for --json.
    static QJsonObject blockStates(const DeviceFlash &link);

    // Opens path to receive a backup, before anything is read from the adapter; Exit_Success, or the
    // refusal reported. Until the backup commits it, path stays as it was.
    int openBackup(const QString &path, QSaveFile &file);
    // Reads the connected adapter's firmware back and commits it to file as a firmware file; the facts for
    // --json go to facts. Exit_Success, or the failure reported, file then discarded.
    int backUp(QSaveFile &file, QJsonObject &facts);

    // Reads and checks a firmware file; Exit_Success, or the failure already reported.
    int checkFile(const QString &path, FirmwareFile &checked);
    // How update and verify begin: file becomes path, or the cached file of the catalogue version when one
    // is given, checked holds it checked, and the adapter is found; Exit_Success, or the failure reported.
    int prepare(const QString &path, const QString &version, QString &file, FirmwareFile &checked);
    // Reports why the file at path (carrying version, when known) was refused; Exit_FileRefused.
    int refuse(FirmwareFile::Fault fault, const QString &path, const QString &version);
    // Fetches the catalogue (or takes the cached one); Exit_Success, or the failure already reported.
    int loadCatalogue();
    // The cached file of a catalogue version, downloaded first when needed; empty on a reported failure.
    QString firmwareOf(const QString &version, int &exitCode);
    // Reports why the catalogue's file for version was refused, when it was; Exit_Success when it was not.
    int refuseCatalogueFile(const QString &version);
    // Searches for the adapter, and waits for it when asked to; Exit_Success once it is connected.
    int findAdapter();
    // Asks whether to update an adapter whose boot loader is below 2; Exit_Success to go on.
    int confirmOldBootLoader();
    // done names what the bytes went through: "Written" or "Read".
    void showProgress(const QString &done, qint64 current, qint64 total);
    void endProgress(); // ends a progress bar's line on a terminal
    // With --wait: until the adapter is unplugged, so that the next run in a loop finds the next adapter.
    void awaitUnplug();

    SyncCloud *cloud();
    // Runs the event loop until done() holds, looking again whenever wake() is called; false when
    // timeoutMs (unless negative) passed first.
    bool waitUntil(const std::function<bool()> &done, int timeoutMs = -1);
    // Called by every handler of what the adapter link and the catalogue report.
    void wake();
    // Until the adapter link is idle: its last task has ended and all its signals have arrived.
    void settle();
    // Reports how the update of file (carrying version) ended, as updateFinished told; its exit code.
    int updateExitCode(const QString &file, const QString &version);

    int fail(ExitCode code, const QString &message);
    void say(const QString &line); // a result line, not written with --json
    void note(const QString &line); // a remark on stderr, not written with --json

    QUrl m_catalogueServer;
    DeviceFlash *m_device = nullptr;
    SyncCloud *m_cloud = nullptr;
    AdapterReport m_adapter;
    QList<int> m_syncErrors; // the catalogue's SyncError reports, in order
    bool m_syncFinished = false;
    QEventLoop *m_waiting = nullptr; // the loop of the waitUntil running now
    int m_catalogueDeadlineMs = -1; // -1: the catalogue's own deadlines
    int m_downloadDeadlineMs = -1;

    // From the command line.
    bool m_json = false;
    bool m_yes = false;
    bool m_wait = false;
    QString m_backupPath; // update --backup: where the adapter's firmware goes before the update
    QByteArray m_devicePath; // --device: the one adapter to use, empty for the only one plugged in
    int m_waitSeconds = -1; // -1: wait as long as it takes
    QJsonObject m_result; // the --json answer
    int m_progressShown = -1; // the last progress step written: a percentage on a terminal, else tens

    QTextStream m_out;
    QTextStream m_err;
};
