// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "sandboxpanel.h"
#include "ui_sandboxpanel.h"

#include "device/deviceflash.h"
#include "sim/samplecatalogue.h"
#include "sim/simadapter.h"
#include "sim/simcatalogue.h"
#include "ui/mainwindow.h"

#include <QCloseEvent>

SandboxPanel::SandboxPanel(SimCatalogue *catalogue, MainWindow *window, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::SandboxPanel>())
    , m_catalogue(catalogue)
    , m_window(window)
    , m_device(window->findChild<DeviceFlash *>())
    , m_port(catalogue->server()->serverPort())
{
    ui->setupUi(this);
    ui->label_Server->setText(m_catalogue->server()->baseUrl());
    ui->label_Catalogue->setText(
        QStringLiteral("Catalogue: %1 (largest), %2 (damaged: refused), 2.2.0, %3.")
            .arg(QLatin1String(SampleCatalogue::NewestVersion), QLatin1String(SampleCatalogue::DamagedVersion),
                QLatin1String(SampleCatalogue::SmallestVersion)));

    connect(ui->pushButton_Plug, &QPushButton::clicked, this,
        [this] { m_pluggedProduct ? pull() : plug(); }, Qt::DirectConnection);
    for (QRadioButton *speed : {ui->radioButton_FullSpeed, ui->radioButton_Slow, ui->radioButton_Instant})
        connect(speed, &QRadioButton::toggled, this, &SandboxPanel::applySpeed, Qt::DirectConnection);
    const std::pair<QRadioButton *, ServerMode> modes[] = {{ui->radioButton_Online, ServerMode::Online},
        {ui->radioButton_Failing, ServerMode::Failing}, {ui->radioButton_Stalled, ServerMode::Stalled},
        {ui->radioButton_Offline, ServerMode::Offline}};
    for (const auto &[button, mode] : modes) {
        connect(button, &QRadioButton::toggled, this, [this, mode = mode](bool on) {
            if (on)
                setServerMode(mode);
        }, Qt::DirectConnection);
    }
    // Progress arrives from the update task; the pull must happen in this thread, as a notification would.
    connect(m_device, &DeviceFlash::write2FlashProgressChanged, this, &SandboxPanel::onWriteProgress,
        Qt::QueuedConnection);
    applySpeed();
    report(QStringLiteral("No adapter plugged in. Plug it in to see the tool find it."));
}

SandboxPanel::~SandboxPanel() = default;

quint16 SandboxPanel::selectedProduct() const
{
    if (ui->radioButton_B270->isChecked())
        return DeviceFlash::Tavrune_B270;
    if (ui->radioButton_B274->isChecked())
        return DeviceFlash::Tavrune_B274;
    return DeviceFlash::Tavrune_B275;
}

void SandboxPanel::shapeAdapter()
{
    if (ui->checkBox_OldBootLoader->isChecked())
        SimAdapter::setBootVersion(1, 9, 0);
    else
        SimAdapter::setBootVersion(2, 0, 0);
    const quint8 valid = 0x55;
    SimAdapter::setMarkers(DeviceFlash::Address_DeviceConfig, ui->checkBox_DamagedConfig->isChecked() ? 0 : valid, 0xAA);
    SimAdapter::setMarkers(DeviceFlash::Address_FirmwareInfo, ui->checkBox_DamagedInfo->isChecked() ? 0 : valid, 0xAA);
}

void SandboxPanel::plug()
{
    shapeAdapter();
    m_pluggedProduct = selectedProduct();
    SimAdapter::plug(m_pluggedProduct);
    m_device->deviceArrived(SimAdapter::VendorId, m_pluggedProduct);
    ui->groupBox_Adapter->setEnabled(false);
    ui->pushButton_Plug->setText(QStringLiteral("Pull the adapter"));
    report(QStringLiteral("Plugged in under 0x%1.").arg(QString::number(m_pluggedProduct, 16).toUpper()));
}

void SandboxPanel::pull()
{
    const quint16 product = m_pluggedProduct;
    m_pluggedProduct = 0;
    SimAdapter::plug(0);
    m_device->deviceRemoved(SimAdapter::VendorId, product);
    ui->groupBox_Adapter->setEnabled(true);
    ui->pushButton_Plug->setText(QStringLiteral("Plug the adapter in"));
    report(QStringLiteral("Adapter pulled."));
}

void SandboxPanel::applySpeed()
{
    if (ui->radioButton_Slow->isChecked())
        SimAdapter::setTiming(SimAdapter::Timing::Slow);
    else if (ui->radioButton_Instant->isChecked())
        SimAdapter::setTiming(SimAdapter::Timing::ZeroLatency);
    else
        SimAdapter::setTiming(SimAdapter::Timing::FullSpeed);
}

void SandboxPanel::setServerMode(ServerMode mode)
{
    LoopbackHttpServer *server = m_catalogue->server();
    if (mode == ServerMode::Offline) {
        server->close();
        report(QStringLiteral("Server offline: connections to port %1 are refused.").arg(m_port));
        return;
    }
    if (!server->isListening() && !server->listen(QHostAddress::LocalHost, m_port)) {
        report(QStringLiteral("Cannot serve on port %1 again: %2").arg(m_port).arg(server->errorString()));
        return;
    }
    LoopbackHttpServer::Reply reply;
    switch (mode) {
    case ServerMode::Online:
        server->clearOverride();
        report(QStringLiteral("Server online."));
        return;
    case ServerMode::Failing:
        reply.status = 500;
        reply.body = "internal server error";
        report(QStringLiteral("Server fails every request with HTTP 500."));
        break;
    case ServerMode::Stalled:
        reply.delivery = LoopbackHttpServer::Delivery::Stall;
        reply.body = QByteArray(1000, ' ');
        report(QStringLiteral("Server answers, then stalls: a download gives up after 30 s."));
        break;
    case ServerMode::Offline: break;
    }
    server->setOverride(reply);
}

void SandboxPanel::onWriteProgress(qint64 current, qint64 total)
{
    // A third of the way in: the erase is done and the old firmware is gone.
    if (!ui->checkBox_PullDuringUpdate->isChecked() || !m_pluggedProduct || current * 3 < total || current >= total)
        return;
    ui->checkBox_PullDuringUpdate->setChecked(false);
    pull();
    report(QStringLiteral("Adapter pulled at %1 % of the update.").arg(current * 100 / total));
}

void SandboxPanel::report(const QString &text)
{
    ui->label_Status->setText(text);
}

void SandboxPanel::closeEvent(QCloseEvent *event)
{
    event->ignore();
    m_window->close();
}
