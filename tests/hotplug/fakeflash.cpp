// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "fakeflash.h"

#include <QSocketNotifier>
#include <QtEndian>

#include <cstring>

#include <unistd.h>

namespace {

QByteArray block(std::initializer_list<quint8> head)
{
    QByteArray bytes(256, '\0');
    int i = 0;
    for (quint8 byte : head)
        bytes[i++] = char(byte);
    bytes[255] = char(0xAA);
    return bytes;
}

} // namespace

FakeFlash::FakeFlash(int deviceFd, QObject *parent)
    : QObject(parent)
    , m_fd(deviceFd)
    , m_notifier(new QSocketNotifier(deviceFd, QSocketNotifier::Read, this))
{
    m_blocks.insert(0x08004000, block({0x55, 1, 2, 3, 2, 0, 0}));
    m_blocks.insert(0x08004100, block({0x55, 0x00, 0x50, 0x00, 0x08, 2, 4, 1}));
    m_blocks.insert(0x08004200, block({0x55}));
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
    const auto bytes = reinterpret_cast<const uchar *>(command.constData());
    const quint8 code = bytes[2];
    const quint32 address = qFromLittleEndian<quint32>(bytes + 3);
    const quint16 length = qFromLittleEndian<quint16>(bytes + 7);
    char reply[64];
    std::memcpy(reply, command.constData() + 1, sizeof reply);
    if (code == 0x56 && length <= 56) {
        const quint32 base = address & ~0xFFu;
        const QByteArray content =
            m_blocks.value(base, QByteArray(256, char(0xFF))).mid(int(address - base), length);
        reply[1] = char(0x58);
        std::memcpy(reply + 8, content.leftJustified(length, char(0xFF)).constData(), length);
    }
    // The probe is answered with its own code, as the command itself carries it.
    if (write(m_fd, reply, sizeof reply) != sizeof reply)
        stop();
}
