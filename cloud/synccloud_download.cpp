// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "synccloud.h"

#include "replylimits.h"

#include <QDebug>
#include <QEventLoop>
#include <QFile>
#include <QJsonObject>
#include <QNetworkReply>
#include <QSaveFile>

// The catalogue's version string becomes part of a file name: only a plain name component that no
// platform reads as a path, a drive, a stream or a device may.
static bool isPlainFileNameComponent(const QString &version)
{
    if (version.isEmpty() || version == QLatin1String(".") || version == QLatin1String(".."))
        return false;
    for (const QChar c : version) {
        if (c.category() == QChar::Other_Control || QStringLiteral("/\\:*?\"<>|").contains(c))
            return false;
    }
    return true;
}

QString SyncCloud::firmwareCachePath(int index) const
{
    if (index < 0 || index >= firmwareList.size())
        return QString();
    const QString version = firmwareList.at(index).toObject().value(QStringLiteral("version")).toString();
    if (!isPlainFileNameComponent(version))
        return QString();
    return QStringLiteral("%1/Firmware_V%2.rfw").arg(cacheDirectory, version);
}

QString SyncCloud::getFirmware(int index)
{
    // The version list reports -1 when it is empty: there is nothing to fetch.
    if (index < 0 || index >= firmwareList.size())
        return QString();

    const QJsonObject entry = firmwareList.at(index).toObject();
    const QString version = entry.value(QStringLiteral("version")).toString();
    const QString path = firmwareCachePath(index);
    refusal = FirmwareRefusal();
    if (path.isEmpty()) {
        qWarning() << "getFirmware firmware version is not a file name" << index << version;
        emit syncError(SyncError_ChecksumError);
        return QString();
    }

    const FirmwareFile cached = QFile::exists(path) ? FirmwareFile::read(path) : FirmwareFile();
    qInfo() << "getFirmware firmware file " << index << path;
    if (!cached.data().isEmpty()) {
        if (acceptFirmware(version, cached.data()))
            return path;
        // Kept, it would be offered again and again: the next attempt downloads it afresh.
        QFile::remove(path);
        return QString();
    }

    emit syncError(SyncError_ChecksumError);
    QFile::remove(path);
    qDebug() << "getFirmware firmware downloading...";

    QNetworkReply *reply =
        get(QNetworkRequest(QUrl(entry.value(QStringLiteral("download")).toString(), QUrl::TolerantMode)));
    connect(reply, &QNetworkReply::downloadProgress, this, &SyncCloud::downloadFirmwareProgress);
    ReplyLimits::capBodySize(reply);
    ReplyLimits::setDeadline(reply, downloadDeadlineMs);

    QString result;
    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, [&] {
        result = storeDownload(reply, path, version);
        loop.quit();
    });
    qDebug() << "firmware download...";
    loop.exec();
    // Quitting the application ends every event loop, this one too, possibly before the reply has
    // finished: the download is then abandoned without a report, and the handler, which refers to
    // this call's locals, must never run.
    if (!reply->isFinished()) {
        disconnect(reply, nullptr, &loop, nullptr);
        reply->abort();
    }
    reply->deleteLater();
    qDebug() << "firmware finshed.";
    return result;
}

QString SyncCloud::storeDownload(QNetworkReply *reply, const QString &path, const QString &version)
{
    if (ReplyLimits::exceededBodySize(reply)) {
        qWarning() << "download firmware file error!"
                   << "larger than" << MaxReplySize;
        emit syncError(SyncError_DownloadFail);
        return QString();
    }
    if (!ReplyLimits::isDelivered(reply)) {
        emit syncError(SyncError_NetworkError);
        return QString();
    }

    // Written beside the cache name and moved into place only when whole, so that no interrupted or
    // failed write ever passes for a cached file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning() << "firmware file cannot be created" << path << file.errorString();
        return QString();
    }
    const QByteArray data = reply->readAll();
    qDebug() << "download firmware file data size:" << data.size();
    if (data.isEmpty()) {
        qWarning() << "download firmware file error!";
        emit syncError(SyncError_DownloadFail);
        return QString();
    }
    // A body cut short without a length to tell, or altered on its way, must not pass for the cached file.
    if (!acceptFirmware(version, data))
        return QString();
    if (file.write(data) != data.size() || !file.commit()) {
        qWarning() << "firmware file cannot be created" << path << file.errorString();
        return QString();
    }
    emit firmwareFileListChanged();
    return path;
}

bool SyncCloud::acceptFirmware(const QString &version, const QByteArray &data)
{
    const FirmwareFile file = FirmwareFile::unpack(data);
    FirmwareDigests digests(cacheDirectory);
    refusal.version = version;
    refusal.fileVersion = file.versionText();
    refusal.fault = file.fault();
    refusal.sha256 = FirmwareDigests::sha256Of(data);
    refusal.firstSeen = digests.entry(version);

    if (file.fault() != FirmwareFile::Fault_None) {
        qWarning() << "firmware file refused" << version << file.fault();
        emit syncError(SyncError_DownloadFail);
        return false;
    }
    // The catalogue and the file travel unsigned: a file may claim any version, and the user picked this one.
    if (file.versionText() != version) {
        qWarning() << "firmware file carries another version" << version << file.versionText();
        emit syncError(SyncError_VersionMismatch);
        return false;
    }
    if (!refusal.firstSeen.sha256.isEmpty() && refusal.firstSeen.sha256 != refusal.sha256) {
        qWarning() << "firmware file differs from the one first seen" << version << refusal.sha256
                   << refusal.firstSeen.sha256 << refusal.firstSeen.firstSeen;
        emit syncError(SyncError_DigestChanged);
        return false;
    }
    if (refusal.firstSeen.sha256.isEmpty())
        digests.remember(version, refusal.sha256);
    refusal = FirmwareRefusal();
    return true;
}

SyncCloud::FirmwareRefusal SyncCloud::firmwareRefusal() const
{
    return refusal;
}

FirmwareDigests::Entry SyncCloud::firstSeen(const QString &version) const
{
    return FirmwareDigests(cacheDirectory).entry(version);
}
