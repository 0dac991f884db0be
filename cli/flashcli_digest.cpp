// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// Why the command line refused a file that the catalogue offered.
#include "flashcli.h"

#include "cloud/synccloud.h"


void FlashCli::setNetworkDeadlines(int catalogueMs, int downloadMs)
{
    m_catalogueDeadlineMs = catalogueMs;
    m_downloadDeadlineMs = downloadMs;
}

int FlashCli::refuseCatalogueFile(const QString &version)
{
    const SyncCloud::FirmwareRefusal refusal = m_cloud->firmwareRefusal();
    if (refusal.sha256.isEmpty())
        return Exit_Success;
    m_result.insert(QStringLiteral("sha256"), QString::fromLatin1(refusal.sha256));
    const QString file = QStringLiteral("the catalogue's file for firmware %1").arg(version);
    if (m_syncErrors.contains(SyncCloud::SyncError_VersionMismatch)) {
        m_result.insert(QStringLiteral("reason"), QStringLiteral("versionMismatch"));
        m_result.insert(QStringLiteral("fileVersion"), refusal.fileVersion);
        return fail(Exit_FileRefused,
            QStringLiteral("%1 carries firmware %2: refused, nothing was written or kept")
                .arg(file, refusal.fileVersion));
    }
    if (m_syncErrors.contains(SyncCloud::SyncError_DigestChanged)) {
        const QString firstSeen = refusal.firstSeen.firstSeen.toString(Qt::ISODate);
        m_result.insert(QStringLiteral("reason"), QStringLiteral("digestChanged"));
        m_result.insert(QStringLiteral("firstSha256"), QString::fromLatin1(refusal.firstSeen.sha256));
        m_result.insert(QStringLiteral("firstSeen"), firstSeen);
        return fail(Exit_FileRefused,
            QStringLiteral("%1 has SHA-256 %2, but the file first seen for it, on %3, had %4: refused, "
                           "nothing was written or kept")
                .arg(file, QString::fromLatin1(refusal.sha256), firstSeen,
                    QString::fromLatin1(refusal.firstSeen.sha256)));
    }
    if (refusal.fault != FirmwareFile::Fault_None)
        return refuse(refusal.fault, file + QStringLiteral(" (not kept)"), refusal.fileVersion);
    return Exit_Success;
}
