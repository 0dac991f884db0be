// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "cloud/synccloud.h"
#include "device/deviceflash.h"
#include "ui/enterkeyactivation.h"
#include "ui/messagedialog.h"
#include "ui/progressdisplay.h"
#include "ui/settingsdialog.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QDebug>
#include <QFile>
#include <QListView>
#include <QMovie>
#include <QTranslator>

MainWindow::MainWindow(QWidget *parent)
    : MainWindow(QUrl(), parent)
{ }

MainWindow::MainWindow(const QUrl &catalogueServer, QWidget *parent)
    : FramelessWidget(parent)
    , ui(new Ui::MainWindow)
    , m_iTitleClickedCount(0)
    , m_bUpgradeable(true)
{
    ui->setupUi(this);
    // Before DeviceFlash exists: on Windows it registers its notifications on the native window, which a
    // change of these flags would re-create, silently dropping the registrations.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);

    m_translator = new QTranslator(this);
    m_syncCloud = catalogueServer.isEmpty() ? new SyncCloud(this) : new SyncCloud(catalogueServer, this);
    m_deviceFlash = new DeviceFlash(this);

    ui->pushButton_Restore->hide();
    showNetworkState();
    startBusyAnimation();

    ui->toolButton_Settings->setEnabled(false);

    // Before the sheet, which fixes the family of every widget it gives a font size to.
    applyLanguageFont(m_syncCloud->currentLanguage());

    // Without its sheet the window still works, unstyled; there is nothing the user could do about it.
    QFile styleSheet(QStringLiteral(":/ui/style.qss"));
    if (styleSheet.open(QIODevice::ReadOnly))
        setStyleSheet(QString::fromUtf8(styleSheet.readAll()));

    ui->progressBar->hide();
    // The default popup draws its items with a menu delegate that ignores the style sheet's item rules
    // (height, rounding, padding); a plain list view comes with a delegate that honours them.
    ui->comboBox_Version->setView(new QListView(ui->comboBox_Version));
    ui->comboBox_Version->addItems(m_syncCloud->firmwareVersions());
    // The sheet fixes the language list's width. Sized to its contents it would shape every language's own
    // name before the first paint, and with them load a CJK fallback font: 2 MB and some milliseconds.
    ui->comboBox_Languages->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    makeConnections();
    EnterKeyActivation::install(this);
    // The window itself holds the focus when it opens, so that no control shows its focus look before the
    // keyboard is used; the first Tab goes to the close button, the first control from the top.
    setFocus(Qt::OtherFocusReason);
    applyLanguage();
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::paintEvent(QPaintEvent *event)
{
    FramelessWidget::paintEvent(event);
    if (m_bLinkStarted)
        return;
    m_bLinkStarted = true;
    // Queued: the backing store flushes this paint to the screen before the event loop comes back.
    QMetaObject::invokeMethod(this, &MainWindow::startLink, Qt::QueuedConnection);
}

void MainWindow::startLink()
{
    m_syncCloud->getInformation();
    m_deviceFlash->connected();
}

void MainWindow::startBusyAnimation()
{
    // Owned by the window: the animation runs as long as the window lives and goes with it.
    const qreal ratio = devicePixelRatioF();
    if (ratio <= 1) {
        auto *movie = new QMovie(QStringLiteral(":/images/loading.gif"), QByteArray(), this);
        ui->label_Busying->setMovie(movie);
        movie->setScaledSize(QSize(168, 168));
        movie->start();
        return;
    }
    // A movie knows nothing of @2x files or of device pixels: the frames drawn at twice the size are brought to
    // the screen's own density and marked with it, so that they cover the same 168 x 168 as at 1x, sharply.
    auto *movie = new QMovie(QStringLiteral(":/images/loading@2x.gif"), QByteArray(), this);
    movie->setScaledSize(QSize(168, 168) * ratio);
    connect(movie, &QMovie::frameChanged, ui->label_Busying, [this, movie, ratio] {
        QPixmap frame = movie->currentPixmap();
        frame.setDevicePixelRatio(ratio);
        ui->label_Busying->setPixmap(frame);
    });
    movie->start();
}

void MainWindow::showNetworkState()
{
    const bool synced = m_syncCloud->isSynced();
    ui->toolButton_Network->setEnabled(synced);
    // The picture alone says it only to those who see it.
    ui->toolButton_Network->setAccessibleName(
        synced ? tr("Firmware server reached") : tr("Firmware server not reached"));
    ui->toolButton_Network->setAccessibleDescription(
        tr("Whether the list of firmware versions was fetched from the firmware server in this run"));
}

void MainWindow::announcePage(int index)
{
    // A screen reader follows the focus, which stays where it was when the page changes under it.
    QAccessibleEvent event(ui->stackedWidget->widget(index), QAccessible::Alert);
    QAccessible::updateAccessibility(&event);
}

void MainWindow::makeConnections()
{
    connect(m_syncCloud, &SyncCloud::firmawreInfoChanged, this, &MainWindow::onFirmwareInfoChanged,
        Qt::QueuedConnection);
    connect(m_syncCloud, &SyncCloud::syncFinshed, this, &MainWindow::onSyncFinished, Qt::QueuedConnection);
    connect(m_deviceFlash, &DeviceFlash::error, this, &MainWindow::onDeviceError, Qt::QueuedConnection);
    connect(m_deviceFlash, &DeviceFlash::upgradeable, this, &MainWindow::onUpgradeable, Qt::QueuedConnection);
    connect(m_syncCloud, &SyncCloud::downloadFirmwareProgress, this, &MainWindow::onDownloadProgress,
        Qt::QueuedConnection);
    connect(m_syncCloud, &SyncCloud::syncError, this, &MainWindow::onSyncError, Qt::QueuedConnection);
    connect(m_deviceFlash, &DeviceFlash::deviceConnectStatusChanged, this, &MainWindow::onConnectStatusChanged,
        Qt::QueuedConnection);
    connect(m_deviceFlash, &DeviceFlash::versionChanged, this, &MainWindow::onVersionChanged,
        Qt::QueuedConnection);
    connect(m_deviceFlash, &DeviceFlash::dataBackupProgressChanged, this,
        [this](qint64 current, qint64 total) { settingsDialog()->setProgress(current, total); },
        Qt::QueuedConnection);
    connect(m_deviceFlash, &DeviceFlash::settingProgressChanged, this,
        [this](qint64 current, qint64 total) { onStoreProgress(current, total, false); }, Qt::QueuedConnection);
    connect(m_deviceFlash, &DeviceFlash::dataStoreProgressChanged, this,
        [this](qint64 current, qint64 total) { onStoreProgress(current, total, true); }, Qt::QueuedConnection);
    connect(m_deviceFlash, &DeviceFlash::updateFinished, this,
        [this](DeviceFlash::UpdateOutcome outcome) { onUpdateFinished(outcome); }, Qt::QueuedConnection);
    connect(m_deviceFlash, &DeviceFlash::write2FlashProgressChanged, this, &MainWindow::onWriteProgress,
        Qt::QueuedConnection);
    connect(ui->pushButton_Update, &QPushButton::clicked, this, &MainWindow::onPushButtonUpdateClicked,
        Qt::QueuedConnection);
    connect(ui->pushButton_Restore, &QPushButton::clicked, this, &MainWindow::onPushButtonRestoreClicked,
        Qt::QueuedConnection);
    connect(ui->toolButton_VersionInfo, &QToolButton::clicked, this, &MainWindow::onPushButtonVersionInfoClicked);
    connect(ui->toolButton_OpenFile, &QToolButton::clicked, this, &MainWindow::onOpenFileClicked);
    connect(ui->toolButton_Settings, &QToolButton::clicked, this, &MainWindow::showVersions);
    connect(ui->toolButton_Close, &QToolButton::clicked, this, [this] {
        ui->toolButton_Close->setEnabled(false);
        safeClose();
    });
    connect(ui->pushButton_Title, &QPushButton::clicked, this, &MainWindow::onTitleClicked);
    connect(ui->comboBox_Languages, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &MainWindow::onComboBoxLanguagesChanged);
    connect(ui->stackedWidget, &QStackedWidget::currentChanged, this, &MainWindow::announcePage);

    // Why an adapter that is plugged in is not shown: this user may not open it, or another program has it.
    connect(m_deviceFlash, &DeviceFlash::accessDenied, this, &MainWindow::showAccessNotice, Qt::QueuedConnection);
    connect(m_deviceFlash, &DeviceFlash::adapterInUse, this, &MainWindow::onAdapterInUse, Qt::QueuedConnection);
}

MessageDialog *MainWindow::messageDialog()
{
    if (m_messageDialog)
        return m_messageDialog;
    m_messageDialog = new MessageDialog(this);
    connect(m_messageDialog, &MessageDialog::restoreDefaultsButtonClicked, this, [this] {
        qDebug() << "on restoreDefaultsButtonClicked " << m_strFirmwareFilePath.isEmpty()
                 << m_strFirmwareFilePath << m_deviceFlash->version();
    });
    // The dialog never shows its update button, and the version it would flash is never chosen: the
    // reaction ends with its log line.
    connect(m_messageDialog, &MessageDialog::updateFirmwareButtonClicked, this, [this] {
        qDebug() << "on updateFirmwareButtonClicked " << m_strFirmwareFilePath.isEmpty()
                 << m_strFirmwareFilePath;
    });
    return m_messageDialog;
}

SettingsDialog *MainWindow::settingsDialog()
{
    if (!m_settingsDialog)
        m_settingsDialog = new SettingsDialog(this);
    return m_settingsDialog;
}

void MainWindow::showInstanceMessage(const QString &title, const QString &text)
{
    raise();
    activateWindow();
    messageDialog()->showMessage(title, text);
}

void MainWindow::showAccessNotice(const QString &node, int cause)
{
    // Every search and every arrival finds the same closed node again; the remedy is told once.
    if (m_bAccessNoticeShown)
        return;
    m_bAccessNoticeShown = true;
    const QString text = cause == DeviceFlash::AccessDenial_Busy
        ? tr("The adapter is plugged in (%1), but another program is using it. Close that program, then "
             "unplug and replug the adapter.")
        : tr("The adapter is plugged in (%1), but this user may not open it. Install the Tavrune M4 Firmware "
             "Tool package or its udev rule, then unplug and replug the adapter.");
    messageDialog()->showMessage(tr("Tavrune Firmware Tool"), text.arg(node));
}

void MainWindow::onAdapterInUse(const QString &holder)
{
    messageDialog()->showMessage(tr("Waring"),
        holder.isEmpty()
            ? tr("The adapter is in use by another program.\nIt will be found here once that program is done.")
            : tr("The adapter is in use by %1.\nIt will be found here once that program is done.").arg(holder));
}

void MainWindow::safeClose()
{
    if (!m_deviceFlash->isBusy()) {
        close();
        return;
    }
    connect(m_deviceFlash, &DeviceFlash::isBusyChanged, this, [this](bool busy) {
        if (busy)
            return;
        qInfo() << "safe close...";
        safeClose();
    });
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A close that bypasses the close button (the window manager, a shortcut, the session ending) must not
    // take the window away while the adapter is being written: it waits like the close button does.
    if (m_deviceFlash->isBusy()) {
        event->ignore();
        ui->toolButton_Close->setEnabled(false);
        safeClose();
        return;
    }
    FramelessWidget::closeEvent(event);
}

void MainWindow::onSyncFinished()
{
    qWarning() << "SyncCloud::syncFinshed";
    showNetworkState();
    if (ui->stackedWidget->currentIndex() == Page_Start)
        ui->stackedWidget->setCurrentIndex(Page_Unconnected);
}

void MainWindow::onConnectStatusChanged(bool connected)
{
    if (connected) {
        ui->progressBar->setValue(0);
        ui->progressBar->hide();
        // A dialog not made yet has no progress to reset.
        if (m_settingsDialog)
            m_settingsDialog->setProgress(0, 0);
        setUpdateControlsEnabled(true);
        ui->stackedWidget->setCurrentIndex(Page_Connected);
    } else {
        if (m_messageDialog)
            m_messageDialog->close();
        if (m_settingsDialog)
            m_settingsDialog->close();
        ui->toolButton_Settings->setEnabled(false);
        ui->stackedWidget->setCurrentIndex(Page_Unconnected);
    }
}

void MainWindow::onVersionChanged(QString)
{
    applyLanguage();
}

void MainWindow::onUpgradeable(bool state)
{
    ui->pushButton_Update->setVisible(state);
    m_bUpgradeable = state;
}

void MainWindow::onTitleClicked()
{
    ++m_iTitleClickedCount;
    if (m_iTitleClickedCount >= 5)
        ui->pushButton_Update->show();
    qDebug() << "m_iTitleClickedCount" << m_iTitleClickedCount;
}

void MainWindow::showVersions()
{
    messageDialog()->showMessage(tr("Versions"),
        QStringLiteral("%1%2\n%3%4").arg(tr("Hardware Version:"), m_deviceFlash->hardwareVersion(),
            tr("Boot Version:"), m_deviceFlash->bootVersion()));
}

void MainWindow::onProgressChanged(qint64 current, qint64 total)
{
    ProgressDisplay::show(ui->progressBar, current, total);
}

void MainWindow::onWriteProgress(qint64 current, qint64 total)
{
    onProgressChanged(current, total);
    const bool done = current == total;
    if (done) {
        messageDialog()->showMessage(tr("Tavrune Firmware Tool"), tr("successfully!"));
        applyLanguage();
    }
    setUpdateControlsEnabled(done);
}

void MainWindow::onDownloadProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    if (bytesReceived != bytesTotal) {
        ui->label_CurrentVersion->setText(tr("Firmware downloading..."));
        ui->comboBox_Version->setEnabled(false);
        ui->pushButton_Update->setEnabled(false);
        ui->pushButton_Restore->setEnabled(false);
    }
    onProgressChanged(bytesReceived, bytesTotal);
}

void MainWindow::onStoreProgress(qint64 current, qint64 total, bool hideSettings)
{
    settingsDialog()->setProgress(current, total);
    const bool done = current == total;
    if (done) {
        if (hideSettings)
            m_settingsDialog->hide();
        messageDialog()->showMessage(tr("Tavrune Firmware Tool"), tr("successfully!"));
    }
    m_settingsDialog->setEnabled(done);
}

void MainWindow::setUpdateControlsEnabled(bool enabled)
{
    ui->comboBox_Version->setEnabled(enabled);
    ui->pushButton_Update->setEnabled(enabled);
    ui->pushButton_Restore->setEnabled(enabled);
    ui->toolButton_Settings->setEnabled(enabled);
}
