// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

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
    };
    Q_ENUM(SyncError)

    // A transfer that delivers no byte for this long is abandoned as a network error.
    static constexpr int TransferTimeoutMs = 30000;
    // Bodies past this size are abandoned unread; a valid firmware file is below 200 KiB.
    static constexpr qint64 MaxReplySize = 16 * 1024 * 1024;

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
    // empty when there is none.
    QString getFirmware(int index);

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
    QString storeDownload(QNetworkReply *reply, const QString &path);

    QSettings *settings = nullptr;
    bool synced = false;
    QJsonArray firmwareList;
    QJsonObject flashTool; // the catalogue's "flashTool" object, from this run's reply only
    QString cacheDirectory;
    QUrl serverUrl; // scheme, host and port of the catalogue server
};
