// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "synccloud.h"

#include "app/applicationidentity.h"
#include "replylimits.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QSettings>

static const QString languageKey = QStringLiteral("CurrentLanguage");
static const QString firmwareInfoKey = QStringLiteral("FirmwareInfo");

SyncCloud::SyncCloud(QObject *parent)
    : SyncCloud(QUrl(QStringLiteral("http://" TAVRUNE_DOWNLOAD_HOST)), parent)
{ }

SyncCloud::SyncCloud(const QUrl &serverUrl, QObject *parent)
    : QNetworkAccessManager(parent)
    , serverUrl(serverUrl)
{
    qRegisterMetaType<SyncCloud::SyncError>("SyncError");
    // Without it a server that stops sending mid-reply would keep the window waiting for ever.
    setTransferTimeout(TransferTimeoutMs);

    cacheDirectory = ApplicationIdentity::dataFolder();
    if (!QDir(cacheDirectory).exists()) {
        if (QDir().mkpath(cacheDirectory))
            qInfo() << "Created directory. " << cacheDirectory;
        else
            qWarning() << "Failed to create directory. " << cacheDirectory;
    }

    const QString settingsPath =
        QStringLiteral("%1/%2").arg(cacheDirectory, QStringLiteral("tavruneflashtool.ini"));
    qInfo() << "SyncCloud settings_path" << settingsPath;
    settings = new QSettings(settingsPath, QSettings::IniFormat, this);
}

std::future<void> SyncCloud::prepareNetworkAccess()
{
    return std::async(std::launch::async | std::launch::deferred, [] { const QNetworkAccessManager warmUp; });
}

void SyncCloud::getInformation()
{
    const QByteArray cached = settings->value(firmwareInfoKey, QByteArrayLiteral("[]")).toByteArray();
    firmwareList = QJsonDocument::fromJson(cached).array();
    qDebug() << "SyncCloud::getInformation" << firmwareList;

    QUrl url = serverUrl.adjusted(
        QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment);
    url.setPath(QStringLiteral("/download/tavrune-m4/tavrune-m4.json"));
    QNetworkReply *reply = get(QNetworkRequest(url));
    ReplyLimits::capBodySize(reply);
    ReplyLimits::setDeadline(reply, catalogueDeadlineMs);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onInformationReplyFinished(reply); });
}

void SyncCloud::onInformationReplyFinished(QNetworkReply *reply)
{
    if (!ReplyLimits::isDelivered(reply)) {
        if (firmwareList.isEmpty()) {
            emit syncError(SyncError_FirstRunError);
        } else {
            emit syncError(SyncError_LocalCacheUsed);
            emit firmawreInfoChanged(firmwareList);
        }
        qWarning() << "CloudService get information finished error" << reply->errorString()
                   << reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    } else {
        synced = true;
        emit isSyncedChanged(true);

        const QJsonObject catalogue = QJsonDocument::fromJson(reply->readAll()).object();
        if (catalogue.isEmpty()) {
            emit syncError(SyncError_InformationError);
        } else {
            flashTool = catalogue.value(QStringLiteral("flashTool")).toObject();
            const QJsonArray info = catalogue.value(QStringLiteral("firmware")).toArray();
            if (info != firmwareList) {
                qInfo() << "firmawreInfoChanged" << info << firmwareList;
                firmwareList = info;
                settings->setValue(
                    firmwareInfoKey, QJsonDocument(firmwareList).toJson(QJsonDocument::Indented));
            }
            emit firmawreInfoChanged(firmwareList);
        }
    }
    reply->deleteLater();
    emit syncFinshed();
}

bool SyncCloud::isSynced() const
{
    return synced;
}

QJsonObject SyncCloud::flashToolInfo() const
{
    return flashTool;
}

QString SyncCloud::offeredToolVersion() const
{
    const QString version = flashTool.value(QStringLiteral("version")).toString();
    return version == QCoreApplication::applicationVersion() ? QString() : version;
}

QStringList SyncCloud::firmwareVersions() const
{
    QStringList versions;
    versions.reserve(firmwareList.size());
    for (const QJsonValue &entry : firmwareList)
        versions.append(entry.toObject().value(QStringLiteral("version")).toString());
    return versions;
}

QString SyncCloud::firmwareChangeLog(int index) const
{
    if (index < 0 || index >= firmwareList.size())
        return QString();
    return firmwareList.at(index).toObject().value(QStringLiteral("info")).toString();
}

void SyncCloud::setDeadlines(int catalogueMs, int downloadMs)
{
    catalogueDeadlineMs = catalogueMs;
    downloadDeadlineMs = downloadMs;
}

int SyncCloud::currentLanguage() const
{
    return settings->value(languageKey, 0).toInt();
}

void SyncCloud::setCurrentLanguage(int index)
{
    settings->setValue(languageKey, index);
}
