// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include "cloud/firmwaredigests.h"
#include "device/firmwarefile.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QStringList>
#include <QUrl>

#include <future>

class QNetworkReply;
class QSettings;

// The maker's firmware catalogue: fetches it, keeps it for offline use in the per-user settings file,
// and downloads firmware files into the per-user cache directory on demand.
class SyncCloud : public QNetworkAccessManager
{
    Q_OBJECT

public:
    enum SyncError {
        SyncError_FirstRunError = 0,
        SyncError_LocalCacheUsed = 1,
        SyncError_InformationError = 2,
        SyncError_DownloadFail = 3,
        SyncError_ChecksumError = 4,
        SyncError_NetworkError = 5,
        // The file offered for a catalogue version carries another version; firmwareRefusal() tells which.
        SyncError_VersionMismatch = 6,
        // The file offered for a catalogue version is not the one first seen for it; firmwareRefusal() tells
        // when that was.
        SyncError_DigestChanged = 7,
    };
    Q_ENUM(SyncError)

    // Why the last getFirmware refused the file it downloaded or found in the cache.
    struct FirmwareRefusal
    {
        QString version; // the catalogue's
        QString fileVersion; // the file's own, when its checks got that far
        FirmwareFile::Fault fault = FirmwareFile::Fault_None; // the check it failed, if it failed one
        QByteArray sha256; // of the refused file
        FirmwareDigests::Entry firstSeen; // the file accepted for the version before, if any
    };

    // A transfer that delivers no byte for this long is abandoned as a network error.
    static constexpr int TransferTimeoutMs = 30000;
    // Bodies past this size are abandoned unread; a valid firmware file is below 200 KiB.
    static constexpr qint64 MaxReplySize = 16 * 1024 * 1024;
    // However steadily bytes trickle in, a request ends by these. The largest firmware file (about 171 KiB)
    // takes 88 s at 16 kbit/s, a poor mobile connection; the catalogue, a few KiB, a fraction of that.
    static constexpr int CatalogueDeadlineMs = 60000;
    static constexpr int DownloadDeadlineMs = 120000;

    // Qt sets its network access up once per process, when the first access manager is made: it loads the
    // bearer plugins (NetworkManager's, connman's) and with them D-Bus. This makes and drops one on a worker
    // thread, so that a SyncCloud made meanwhile on the GUI thread finds it done. Call once the application
    // object exists; the future must end before it does.
    static std::future<void> prepareNetworkAccess();

    // Talks to the maker's download server.
    explicit SyncCloud(QObject *parent = nullptr);
    // Talks to another server (a test or demo server): only the scheme, host and port of serverUrl count.
    explicit SyncCloud(const QUrl &serverUrl, QObject *parent = nullptr);

    // Loads the cached firmware list and starts the one catalogue request of this run.
    void getInformation();
    bool isSynced() const;
    QJsonObject flashToolInfo() const;
    // The tool version that this run's catalogue names, when it is not this program's own; empty otherwise.
    QString offeredToolVersion() const;
    QStringList firmwareVersions() const;
    QString firmwareChangeLog(int index) const;
    // Where the file of entry index is cached; empty when there is no such entry or its version cannot name
    // a file.
    QString firmwareCachePath(int index) const;
    // The cached file of entry index, downloaded first when needed (runs a local event loop meanwhile);
    // empty when there is none. A file is kept and returned only when it passes every check of an update,
    // carries the entry's version, and is the file first seen for that version (see FirmwareDigests).
    QString getFirmware(int index);
    FirmwareRefusal firmwareRefusal() const;
    // The file accepted for version before, if any.
    FirmwareDigests::Entry firstSeen(const QString &version) const;
    // Shorter deadlines, for a test world whose server trickles.
    void setDeadlines(int catalogueMs, int downloadMs);

    int currentLanguage() const;
    void setCurrentLanguage(int index);

signals:
    void syncFinshed();
    void isSyncedChanged(bool synced);
    void firmawreInfoChanged(const QJsonArray &info);
    void firmwareFileListChanged();
    void syncError(SyncError error);
    void downloadFirmwareProgress(qint64 bytesReceived, qint64 bytesTotal);

private:
    void onInformationReplyFinished(QNetworkReply *reply);
    // Stores a finished download at path; the path on success, empty otherwise.
    QString storeDownload(QNetworkReply *reply, const QString &path, const QString &version);
    // Whether data may be used as the file of version: every check, the version, the digest first seen.
    // Records the digest of a version seen for the first time; reports a refusal with syncError.
    bool acceptFirmware(const QString &version, const QByteArray &data);

    QSettings *settings = nullptr;
    bool synced = false;
    QJsonArray firmwareList;
    QJsonObject flashTool; // the catalogue's "flashTool" object, from this run's reply only
    QString cacheDirectory;
    QUrl serverUrl; // scheme, host and port of the catalogue server
    FirmwareRefusal refusal;
    int catalogueDeadlineMs = CatalogueDeadlineMs;
    int downloadDeadlineMs = DownloadDeadlineMs;
};
