// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// What the tool has seen for each catalogue version: the SHA-256 of the first firmware file it accepted
// for it, and when. Nothing signs the catalogue, so a file that later arrives for the same version with
// another digest was swapped somewhere between the maker and this user.
class FirmwareDigests
{
public:
    struct Entry
    {
        QByteArray sha256; // hexadecimal, lower case; empty when the version was never seen
        QDateTime firstSeen; // UTC
    };

    static constexpr const char *FileName = "firmwaredigests.json";

    // The record kept in folder (the settings folder).
    explicit FirmwareDigests(const QString &folder);

    static QByteArray sha256Of(const QByteArray &data);

    // Read afresh each time: the window and the command line share the record.
    Entry entry(const QString &version) const;
    // Records sha256 for version unless the version has an entry already; false when the record could not
    // be written.
    bool remember(const QString &version, const QByteArray &sha256);

private:
    QString m_path;
};
