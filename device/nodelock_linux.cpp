// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "nodelock.h"

#include <QDebug>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

// flock on the hidraw node itself: every user who may open the node may lock it, and nobody else can get
// at the adapter anyway. The lock belongs to this open file, so it ends with it, also when the holder dies.
NodeLock::~NodeLock()
{
    unlock();
}

bool NodeLock::tryLock(const QByteArray &node)
{
    if (m_handle >= 0 && node == m_node)
        return true;
    unlock();
    // Read-only and never read: the node's replies for this descriptor are dropped once its queue is full.
    const int fd = ::open(node.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        qDebug() << "adapter node not lockable" << node << errno;
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_handle = fd;
    m_node = node;
    return true;
}

void NodeLock::unlock()
{
    if (m_handle < 0)
        return;
    ::close(int(m_handle));
    m_handle = -1;
    m_node.clear();
}
