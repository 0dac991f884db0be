// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "fakeflash.h"

#include <QSocketNotifier>

#include <unistd.h>

FakeFlash::FakeFlash(int deviceFd, QObject *parent)
    : QObject(parent)
    , m_fd(deviceFd)
    , m_notifier(new QSocketNotifier(deviceFd, QSocketNotifier::Read, this))
{
    m_model.setVersion(AdapterModel::DeviceConfig + 1, 1, 2, 3);
    m_model.setVersion(AdapterModel::FirmwareInfo + 5, 2, 4, 1);
    connect(m_notifier, &QSocketNotifier::activated, this, &FakeFlash::receive);
}

void FakeFlash::setHook(std::function<bool(int, const QByteArray &)> hook)
{
    m_hook = std::move(hook);
}

void FakeFlash::stop()
{
    m_notifier->setEnabled(false);
}

void FakeFlash::receive()
{
    QByteArray command(65, '\0');
    if (read(m_fd, command.data(), command.size()) != command.size()) {
        stop();
        return;
    }
    m_commands.append(command);
    if (m_hook && !m_hook(m_commands.size() - 1, command))
        return;

    // The reply is the adapter's 64-byte report: hidapi's reader sees it without a report ID in front.
    unsigned char reply[AdapterModel::ReportBytes];
    m_model.answer(reinterpret_cast<const uchar *>(command.constData()) + 1, reply);
    if (write(m_fd, reply, sizeof reply) != sizeof reply)
        stop();
}
