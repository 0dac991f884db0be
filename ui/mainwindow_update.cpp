// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// The main window's commands on the connected page and its messages for their outcomes.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "cloud/synccloud.h"
#include "device/deviceflash.h"
#include "ui/messagedialog.h"
#include "ui/settingsdialog.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStandardPaths>

bool MainWindow::confirmRisk(const QString &text)
{
    if (m_bUpgradeable)
        return true;
    return QMessageBox::question(nullptr, tr("Waring"), text, QMessageBox::Yes | QMessageBox::No,
               QMessageBox::Yes)
        == QMessageBox::Yes;
}

void MainWindow::showUpdateStarting(const QString &text)
{
    ui->label_CurrentVersion->setText(text + QStringLiteral("..."));
    ui->progressBar->setToolTip(text);
    ui->progressBar->setValue(0);
    ui->progressBar->show();
    // The controls that started the update are about to be disabled: the keyboard, and a screen reader with
    // it, follow the progress rather than whichever control Qt would move on to.
    if (ui->page_Connected->isAncestorOf(focusWidget()))
        ui->progressBar->setFocus(Qt::OtherFocusReason);
    setUpdateControlsEnabled(false);
}

void MainWindow::onUpdateFinished(int outcome)
{
    // A pulled adapter has sent the window to its unconnected page; its next connection resets the controls.
    if (outcome == DeviceFlash::UpdateOutcome_AdapterPulled)
        return;
    // The other outcomes have had their message already: the success, the file's or the erase's error, or
    // the in-use notice.
    if (outcome == DeviceFlash::UpdateOutcome_WriteFailed)
        messageDialog()->showMessage(tr("Error"),
            tr("The firmware on the adapter is incomplete: the update stopped before all of it was written.\n"
               "Keep the adapter plugged in and run the update again."));
    endUpdateDisplay();
}

void MainWindow::endUpdateDisplay()
{
    ui->progressBar->setValue(0);
    ui->progressBar->hide();
    if (m_settingsDialog)
        m_settingsDialog->setProgress(0, 0);
    setUpdateControlsEnabled(true);
    // The version line again, in place of the update's "...".
    applyLanguage();
}

void MainWindow::onOpenFileClicked()
{
    m_strFirmwareFilePath = QFileDialog::getOpenFileName(this, tr("Open Firmware"),
        QStandardPaths::writableLocation(QStandardPaths::DownloadLocation), tr("Firmware Files (*.bin *.rfw)"));
    if (m_strFirmwareFilePath.isEmpty())
        return;
    if (!confirmRisk(tr("Firmware upgrade is risky!\r\nCaution, Please!")))
        return;
    showUpdateStarting(ui->pushButton_Update->text());
    m_deviceFlash->updateFirmware(m_strFirmwareFilePath);
}

void MainWindow::onPushButtonUpdateClicked()
{
    if (!confirmRisk(tr("Firmware upgrade is risky!")))
        return;
    const QString path = m_syncCloud->getFirmware(ui->comboBox_Version->currentIndex());
    qDebug() << "firmware_file_path" << path << m_deviceFlash->version() << ui->comboBox_Version->currentText();
    // The download failed (its message is out already) and left its progress and disabled controls behind.
    if (path.isEmpty()) {
        endUpdateDisplay();
        return;
    }
    showUpdateStarting(ui->pushButton_Update->text());
    m_deviceFlash->updateFirmware(path);
}

// The restore button stays hidden and the adapter has no restore operation: the command only prepares.
void MainWindow::onPushButtonRestoreClicked()
{
    const QString path = m_syncCloud->getFirmware(ui->comboBox_Version->currentIndex());
    qDebug() << "firmware_file_path" << path;
    if (!path.isEmpty())
        showUpdateStarting(ui->pushButton_Restore->text());
}

void MainWindow::onPushButtonVersionInfoClicked()
{
    QString changeLog = m_syncCloud->firmwareChangeLog(ui->comboBox_Version->currentIndex());
    changeLog.replace(QLatin1Char(';'), QLatin1Char('\n'));
    messageDialog()->showMessage(tr("Version Change LOG"), changeLog);
}

void MainWindow::onDeviceError(int error)
{
    qDebug() << "MainWindow::onDeviceError" << error;
    if (m_settingsDialog)
        m_settingsDialog->setProgress(0, 0);
    ui->progressBar->hide();

    QString text;
    switch (error) {
    case DeviceFlash::DeviceError_FirmwareFileDamage: text = tr("Firmware file damage!"); break;
    case DeviceFlash::DeviceError_EraseFlash: text = tr("Erase flash failure!"); break;
    case DeviceFlash::DeviceError_HardwareFailure: {
        // The adapter cannot go on: the user reads why, then the tool ends.
        MessageDialog dialog(this);
        dialog.showModalMessage(tr("Error"), tr("Hardware failure!"));
        safeClose();
        return;
    }
    case DeviceFlash::DeviceError_FirmwareLost: text = tr("Firmware lost! Please update firmware!"); break;
    case DeviceFlash::DeviceError_ConfigurationLost: text = tr("Configuration lost! Please restore defaults!"); break;
    case DeviceFlash::DeviceError_Read_DEV_INFO: text = tr("Failed to read device information!"); break;
    case DeviceFlash::DeviceError_Unsupported: text = tr("Upgrade is not supported"); break;
    case DeviceFlash::DeviceError_InvalidFile: text = tr("Invalid file!"); break;
    default: break;
    }
    messageDialog()->showMessage(tr("Error"), text);
    applyLanguage();
}

void MainWindow::onSyncError(int error)
{
    qWarning() << "SyncCloud::error" << SyncCloud::SyncError(error);
    const QString waring = tr("Waring");
    switch (error) {
    case SyncCloud::SyncError_FirstRunError:
        // Without any catalogue the tool has nothing to offer: acknowledging the message ends the run.
        connect(messageDialog(), &MessageDialog::okButtonClicked, this, &MainWindow::safeClose);
        messageDialog()->showMessage(tr("Error"),
            tr("When you first install Tavrune Firmware Tool must connect network, and restart Tavrune "
               "Firmware Tool."));
        break;
    case SyncCloud::SyncError_LocalCacheUsed:
        messageDialog()->showMessage(waring, tr("Connect server error, will only use local cache firmware."));
        break;
    case SyncCloud::SyncError_InformationError:
        messageDialog()->showMessage(waring, tr("The information of server error, contact Tavrune for help."));
        break;
    case SyncCloud::SyncError_DownloadFail:
        messageDialog()->showMessage(waring, tr("The firmware downloaded and checksum error."));
        break;
    case SyncCloud::SyncError_NetworkError:
        messageDialog()->showMessage(waring, tr("The network error, checking connect and retry."));
        break;
    case SyncCloud::SyncError_VersionMismatch: {
        const SyncCloud::FirmwareRefusal refusal = m_syncCloud->firmwareRefusal();
        messageDialog()->showMessage(tr("Error"),
            tr("The firmware file offered for version %1 carries version %2. It was not written and not "
               "kept.")
                .arg(refusal.version, refusal.fileVersion));
        break;
    }
    case SyncCloud::SyncError_DigestChanged: {
        const SyncCloud::FirmwareRefusal refusal = m_syncCloud->firmwareRefusal();
        messageDialog()->showMessage(tr("Error"),
            tr("The firmware file offered for version %1 is not the one first seen for that version, on %2. "
               "It was not written and not kept.")
                .arg(refusal.version,
                    refusal.firstSeen.firstSeen.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
        break;
    }
    default: break; // a checksum error is reported as the download's failure
    }
    if (ui->stackedWidget->currentIndex() == Page_Start)
        ui->stackedWidget->setCurrentIndex(Page_Unconnected);
    applyLanguage();
}

void MainWindow::onFirmwareInfoChanged()
{
    const QString toolVersion = m_syncCloud->offeredToolVersion();
    if (!toolVersion.isEmpty() && !m_bToolUpdateOffered)
        offerToolUpdate(toolVersion);
    ui->comboBox_Version->clear();
    ui->comboBox_Version->addItems(m_syncCloud->firmwareVersions());
}

void MainWindow::offerToolUpdate(const QString &version)
{
    m_bToolUpdateOffered = true;
    const QJsonObject tool = m_syncCloud->flashToolInfo();
    const QString title = QStringLiteral("%1 V%2").arg(tr("Upgrade"), version);
    const QString info = tool.value(QStringLiteral("info")).toString();
    if (!m_bToolUpdateOpensDownloadPage) {
        // Nothing to download for this system there: the user learns of the release and goes on working.
        QString text = tr("The latest version of Tavrune Firmware Tool is %1; this one is %2.")
                           .arg(version, QCoreApplication::applicationVersion());
        if (!info.isEmpty())
            text += QLatin1Char('\n') + info;
        messageDialog()->showMessage(title, text);
        return;
    }

    MessageDialog dialog(this);
    dialog.showModalMessage(title, QStringLiteral("%1\n%2").arg(tr("The latest version update!"), info));

    // The catalogue travels over plain HTTP: only a web page may be opened from it, never a local file
    // or another program's scheme.
    const QUrl url(tool.value(QStringLiteral("windowsURL")).toString(), QUrl::TolerantMode);
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        QDesktopServices::openUrl(url);
    else
        qWarning() << "tool download address refused, not a web address:" << url.toString();
    safeClose();
}

bool MainWindow::compareVersion(QString v1, QString v2)
{
    static const QRegularExpression ignored(QStringLiteral("[a-zA-Z() ]"));
    const QStringList parts1 = v1.remove(ignored).split(QLatin1Char('.'));
    const QStringList parts2 = v2.remove(ignored).split(QLatin1Char('.'));
    if (parts1.size() != 3 || parts2.size() != 3)
        return false;
    // Eight bits a field, unmasked: a part above 255 overlaps its neighbour. Packed unsigned, so that no part
    // can overflow, and compared as the signed number that gives.
    auto packed = [](const QStringList &parts) {
        const quint32 major = quint32(parts.at(0).toInt());
        const quint32 minor = quint32(parts.at(1).toInt());
        const quint32 patch = quint32(parts.at(2).toInt());
        return qint32((((major << 8) | minor) << 8) | patch);
    };
    return packed(parts1) < packed(parts2);
}
