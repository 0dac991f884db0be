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
    const QString path = firmwareCachePath(index);
    if (path.isEmpty()) {
        qWarning() << "getFirmware firmware version is not a file name" << index
                   << entry.value(QStringLiteral("version")).toString();
        emit syncError(SyncError_ChecksumError);
        return QString();
    }

    QFile cached(path);
    const bool isCached = cached.exists() && cached.open(QIODevice::ReadOnly) && !cached.read(1).isEmpty();
    cached.close();
    qInfo() << "getFirmware firmware file " << index << path;
    if (isCached)
        return path;

    emit syncError(SyncError_ChecksumError);
    QFile::remove(path);
    qDebug() << "getFirmware firmware downloading...";

    QNetworkReply *reply =
        get(QNetworkRequest(QUrl(entry.value(QStringLiteral("download")).toString(), QUrl::TolerantMode)));
    connect(reply, &QNetworkReply::downloadProgress, this, &SyncCloud::downloadFirmwareProgress);
    ReplyLimits::capBodySize(reply);

    QString result;
    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, [&] {
        result = storeDownload(reply, path);
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

QString SyncCloud::storeDownload(QNetworkReply *reply, const QString &path)
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
    if (file.write(data) != data.size() || !file.commit()) {
        qWarning() << "firmware file cannot be created" << path << file.errorString();
        return QString();
    }
    emit firmwareFileListChanged();
    return path;
}
