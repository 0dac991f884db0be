// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "flashcli.h"
#include "stopguard.h"

#include "cloud/synccloud.h"
#include "device/firmwarefile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonObject>
#include <QSaveFile>

#include <cstdio>
#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// A terminal gets a progress bar and may be asked a question; a pipe or a file gets plain lines.
bool isTerminal(FILE *stream)
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

} // namespace

int FlashCli::prepare(const QString &path, const QString &version, QString &file, FirmwareFile &checked)
{
    int code = Exit_Success;
    file = version.isEmpty() ? path : firmwareOf(version, code);
    if (code != Exit_Success)
        return code;
    code = checkFile(file, checked);
    if (code != Exit_Success)
        return code;
    return findAdapter();
}

int FlashCli::update(const QString &path, const QString &version)
{
    QString file;
    FirmwareFile checked;
    QSaveFile backupFile(m_backupPath);
    int code = m_backupPath.isEmpty() ? int(Exit_Success) : openBackup(m_backupPath, backupFile);
    if (code == Exit_Success)
        code = prepare(path, version, file, checked);
    if (code != Exit_Success)
        return code;
    // The backup would replace the very file the update is about to read.
    if (!m_backupPath.isEmpty() &&
        QFileInfo(m_backupPath).absoluteFilePath() == QFileInfo(file).absoluteFilePath())
        return fail(Exit_Usage,
            QStringLiteral("--backup %1 would overwrite the firmware file to write").arg(m_backupPath));
    if (m_adapter.errors.contains(DeviceFlash::DeviceError_HardwareFailure))
        return fail(Exit_NoAdapter,
            QStringLiteral("the adapter reports a hardware failure (its configuration block is invalid): "
                           "it cannot be updated"));
    code = confirmOldBootLoader();
    if (code != Exit_Success)
        return code;
    if (!m_backupPath.isEmpty()) {
        QJsonObject backedUp {{QStringLiteral("file"), m_backupPath}};
        code = backUp(backupFile, backedUp);
        m_result.insert(QStringLiteral("backup"), backedUp);
        if (code != Exit_Success)
            return code;
    }

    const QString previous = m_device->version();
    say(QStringLiteral("Writing firmware %1 to the adapter (firmware %2 now)...")
            .arg(checked.versionText(), previous.isEmpty() ? QStringLiteral("unknown") : previous));
    m_adapter.updateFinished = false;
    // Held from before the first erase: a request handled only when its queued notice arrived could come
    // too late.
    StopGuard guard;
    connect(&guard, &StopGuard::stopHeld, this, [this] {
        endProgress();
        m_err << "Stopping now would leave the adapter without firmware: tavrune-flash ends as soon as the "
                 "write is done.\n";
        m_err.flush();
        m_progressShown = -1;
    });
    guard.hold();
    m_device->updateFirmware(file);
    waitUntil([this] { return m_adapter.updateFinished; });
    guard.release();
    endProgress();
    const int outcome = updateExitCode(file, checked.versionText());
    if (outcome != Exit_Success || guard.wasRequested())
        return outcome;
    awaitUnplug();
    return Exit_Success;
}

int FlashCli::updateExitCode(const QString &file, const QString &version)
{
    m_result.insert(QStringLiteral("written"), m_adapter.verified);
    m_result.insert(QStringLiteral("total"), m_adapter.total);
    const QString incomplete = QStringLiteral("the adapter's firmware is incomplete; plug it in again and "
                                              "repeat the update");
    if (m_adapter.outcome != DeviceFlash::UpdateOutcome_Success) {
        // What the adapter's block says now: no version once the update has erased it.
        const QString now = m_device->version();
        m_result.insert(QStringLiteral("firmwareVersion"), now.isEmpty() ? QJsonValue() : QJsonValue(now));
    }
    switch (m_adapter.outcome) {
    case DeviceFlash::UpdateOutcome_Success:
        break;
    case DeviceFlash::UpdateOutcome_FileRefused:
        // It passed the same checks a moment ago: it changed on disk since.
        return refuse(m_adapter.refusal, file, version);
    case DeviceFlash::UpdateOutcome_EraseFailed:
        return fail(Exit_EraseFailed,
            QStringLiteral("erasing the adapter's flash failed: its firmware may be incomplete; "
                           "plug it in again and repeat the update"));
    case DeviceFlash::UpdateOutcome_WriteFailed:
        return fail(Exit_WriteFailed,
            QStringLiteral("the update stopped after %1 of %2 bytes: %3")
                .arg(m_adapter.verified)
                .arg(m_adapter.total)
                .arg(incomplete));
    case DeviceFlash::UpdateOutcome_AdapterPulled:
        if (!m_adapter.updateStarted)
            return fail(Exit_NoAdapter, QStringLiteral("the adapter was unplugged before the update began"));
        return fail(Exit_WriteFailed,
            QStringLiteral("the update stopped after %1 of %2 bytes, the adapter unplugged: %3")
                .arg(m_adapter.verified)
                .arg(m_adapter.total)
                .arg(incomplete));
    case DeviceFlash::UpdateOutcome_AdapterInUse:
        return fail(Exit_InUse,
            QStringLiteral("the adapter is in use by %1: close it there, then try again")
                .arg(m_adapter.holder.isEmpty() ? QStringLiteral("another program") : m_adapter.holder));
    }

    // Every chunk was written and its echo verified; the version is what the adapter reads back.
    if (m_device->blockState(DeviceFlash::Address_FirmwareInfo) != DeviceFlash::BlockState_Valid) {
        note(QStringLiteral("The firmware was written and verified, but the adapter's new version could not "
                            "be read back."));
        say(QStringLiteral("Update successful."));
    } else {
        const QString now = m_device->version();
        m_result.insert(QStringLiteral("firmwareVersion"), now);
        say(QStringLiteral("Update successful: the adapter now runs firmware %1.").arg(now));
    }
    return Exit_Success;
}

void FlashCli::awaitUnplug()
{
    if (!m_wait || !m_adapter.connected)
        return;
    note(QStringLiteral("Unplug the adapter to go on."));
    waitUntil([this] { return !m_adapter.connected; });
}

int FlashCli::loadCatalogue()
{
    SyncCloud *catalogue = cloud();
    catalogue->getInformation();
    waitUntil([this] { return m_syncFinished; });
    const bool fetched = catalogue->isSynced() && !m_syncErrors.contains(SyncCloud::SyncError_InformationError);
    m_result.insert(QStringLiteral("source"), fetched ? QStringLiteral("server") : QStringLiteral("cache"));
    if (fetched)
        return Exit_Success;
    if (catalogue->firmwareVersions().isEmpty() && !catalogue->isSynced())
        return fail(Exit_Network,
            QStringLiteral("the firmware catalogue could not be fetched, and there is no cached copy yet"));
    if (catalogue->firmwareVersions().isEmpty())
        return fail(Exit_Network, QStringLiteral("the server's firmware catalogue is damaged"));
    note(catalogue->isSynced()
            ? QStringLiteral("The server's firmware catalogue is damaged: these versions are from the cache.")
            : QStringLiteral("The catalogue server could not be reached: these versions are from the cache."));
    return Exit_Success;
}

QString FlashCli::firmwareOf(const QString &version, int &exitCode)
{
    m_result.insert(QStringLiteral("version"), version);
    exitCode = loadCatalogue();
    if (exitCode != Exit_Success)
        return QString();
    const int index = m_cloud->firmwareVersions().indexOf(version);
    if (index < 0) {
        exitCode = fail(Exit_Usage,
            QStringLiteral("the catalogue has no firmware version %1 (it has: %2)")
                .arg(version, m_cloud->firmwareVersions().join(QStringLiteral(", "))));
        return QString();
    }
    m_syncErrors.clear();
    // Announced before the download starts, so the user knows why there is a pause.
    QMetaObject::Connection downloading = connect(m_cloud, &SyncCloud::syncError, this,
        [this, version](SyncCloud::SyncError error) {
            if (error == SyncCloud::SyncError_ChecksumError)
                note(QStringLiteral("Downloading firmware %1 into the cache...").arg(version));
        },
        Qt::QueuedConnection);
    const QString path = m_cloud->getFirmware(index);
    QCoreApplication::processEvents();
    disconnect(downloading);
    m_result.insert(QStringLiteral("downloaded"), m_syncErrors.contains(SyncCloud::SyncError_ChecksumError));
    if (path.isEmpty()) {
        exitCode = refuseCatalogueFile(version);
        if (exitCode != Exit_Success)
            return QString();
        const QString reason = m_syncErrors.contains(SyncCloud::SyncError_NetworkError)
            ? QStringLiteral("the network failed")
            : m_syncErrors.contains(SyncCloud::SyncError_DownloadFail)
            ? QStringLiteral("the server sent no data")
            : QStringLiteral("the cache folder is not writable");
        exitCode = fail(Exit_Network, QStringLiteral("firmware %1 could not be downloaded: %2").arg(version, reason));
    }
    return path;
}

int FlashCli::findAdapter()
{
    const int chosen = chooseAdapter();
    if (chosen != Exit_Success)
        return chosen;
    const int ended = m_adapter.tasksEnded;
    m_device->connected();
    waitUntil([&] { return m_adapter.tasksEnded > ended; });
    settle();
    if (!m_adapter.connected && !m_adapter.inUse && m_wait) {
        note(QStringLiteral("Waiting for the adapter to be plugged in..."));
        const int timeoutMs = m_waitSeconds < 0 ? -1 : m_waitSeconds * 1000;
        waitUntil([this] { return m_adapter.connected || m_adapter.inUse; }, timeoutMs);
        settle();
    }
    if (m_adapter.inUse)
        return fail(Exit_InUse,
            QStringLiteral("the adapter is in use by %1: close it there, then try again")
                .arg(m_adapter.holder.isEmpty() ? QStringLiteral("another program") : m_adapter.holder));
    if (!m_adapter.connected && !m_devicePath.isEmpty())
        return fail(Exit_NoAdapter,
            QStringLiteral("no Tavrune M4 adapter at %1 (plugged in: %2)")
                .arg(QString::fromLocal8Bit(m_devicePath), pluggedIn(m_device->adapters())));
    if (!m_adapter.connected)
        return fail(Exit_NoAdapter,
            m_wait && m_waitSeconds >= 0
                ? QStringLiteral("no Tavrune M4 adapter was plugged in within %1 seconds").arg(m_waitSeconds)
                : QStringLiteral("no Tavrune M4 adapter found"));
    return Exit_Success;
}

int FlashCli::confirmOldBootLoader()
{
    if (!m_adapter.oldBootLoader || m_yes)
        return Exit_Success;
    const QString risk = QStringLiteral("the adapter's boot loader %1 is older than 2.0.0: a failed update may "
                                        "leave it unable to start")
                             .arg(m_device->bootVersion());
    if (!isTerminal(stdin))
        return fail(Exit_Usage, QStringLiteral("%1; confirm with --yes").arg(risk));
    m_err << risk.at(0).toUpper() << risk.mid(1) << ". Update anyway? [y/N] ";
    m_err.flush();
    QTextStream in(stdin);
    const QString answer = in.readLine().trimmed().toLower();
    if (answer == QLatin1String("y") || answer == QLatin1String("yes"))
        return Exit_Success;
    return fail(Exit_Cancelled, QStringLiteral("update cancelled"));
}

void FlashCli::showProgress(const QString &done, qint64 current, qint64 total)
{
    if (m_json || total <= 0)
        return;
    const int percent = int(current * 100 / total);
    if (isTerminal(stdout)) {
        if (percent == m_progressShown)
            return;
        constexpr int width = 40;
        const int filled = percent * width / 100;
        m_out << "\r[" << QString(filled, QLatin1Char('#')) << QString(width - filled, QLatin1Char('-')) << "] "
              << QString::number(percent).rightJustified(3) << "%  " << current << '/' << total << " bytes";
        m_out.flush();
        m_progressShown = percent;
    } else if (percent / 10 > m_progressShown) {
        // One line for every tenth, so a log file shows the work moving without a line per chunk.
        m_progressShown = percent / 10;
        say(QStringLiteral("%1 %2% (%3 of %4 bytes)").arg(done).arg(percent).arg(current).arg(total));
    }
}

void FlashCli::endProgress()
{
    if (m_progressShown >= 0 && isTerminal(stdout) && !m_json)
        say(QString());
    m_progressShown = -1; // for the next bar: an update's after its backup's
}
