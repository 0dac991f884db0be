// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "firmwaredigests.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

const QString sha256Key = QStringLiteral("sha256");
const QString firstSeenKey = QStringLiteral("firstSeen");

// Far more than any catalogue's versions take; a larger file is not ours and is not read into memory.
constexpr qint64 MaxRecordSize = 1024 * 1024;

QJsonObject readRecord(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.read(MaxRecordSize)).object();
}

} // namespace

FirmwareDigests::FirmwareDigests(const QString &folder)
    : m_path(QDir(folder).filePath(QLatin1String(FileName)))
{
}

QByteArray FirmwareDigests::sha256Of(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

FirmwareDigests::Entry FirmwareDigests::entry(const QString &version) const
{
    const QJsonObject seen = readRecord(m_path).value(version).toObject();
    Entry entry;
    entry.sha256 = seen.value(sha256Key).toString().toLatin1();
    entry.firstSeen = QDateTime::fromString(seen.value(firstSeenKey).toString(), Qt::ISODate).toUTC();
    return entry;
}

bool FirmwareDigests::remember(const QString &version, const QByteArray &sha256)
{
    QJsonObject record = readRecord(m_path);
    if (record.contains(version))
        return true;
    record.insert(version,
        QJsonObject {
            {sha256Key, QString::fromLatin1(sha256)},
            {firstSeenKey, QDateTime::currentDateTimeUtc().toString(Qt::ISODate)},
        });
    // Whole or not at all: a record cut short would forget every version it held.
    QSaveFile file(m_path);
    const QByteArray text = QJsonDocument(record).toJson();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        qWarning() << "firmware digest record cannot be written" << m_path << file.errorString();
        return false;
    }
    return true;
}
