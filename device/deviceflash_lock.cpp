// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "deviceflash.h"

#include "qhiddevice.h"

#include <QDebug>
#include <QMutexLocker>
#include <QTimer>

// The window and the command line share the user's lock of each adapter: whichever opens it second gets
// a refusal naming the holder, treats the adapter as absent, and searches again once the lock is free.
// The node lock does the same between users (root included), whose user locks never meet; it names no
// holder. Opening the HID device itself sends nothing to the adapter, so the locks are taken right after.

bool DeviceFlash::claimAdapter(bool opened)
{
    if (!opened) {
        releaseAdapter();
        return false;
    }
    QString holder;
    {
        QMutexLocker locker(&claimLock);
        const QByteArray node = hid->path();
        // A removal that closed hid meanwhile found the locks not yet taken.
        if (node.isEmpty())
            return false;
        const bool ours = adapterLock.tryLock(node);
        // The user's lock first, which names its holder; then the node's, which any user's copy may hold.
        if (ours && nodeLock.tryLock(node)) {
            adapterRefused = false;
            return true;
        }
        hid->close();
        if (ours)
            adapterLock.unlock();
        if (adapterRefused)
            return false;
        adapterRefused = true;
        refusedNode = node;
        holder = ours ? QString() : adapterLock.holder();
    }
    qWarning() << "adapter in use by" << holder;
    QMetaObject::invokeMethod(lockPoll, [this] { lockPoll->start(); }, Qt::QueuedConnection);
    emit adapterInUse(holder);
    return false;
}

void DeviceFlash::releaseAdapter()
{
    QMutexLocker locker(&claimLock);
    if (!hid->isOpen()) {
        adapterLock.unlock();
        nodeLock.unlock();
    }
}

void DeviceFlash::pollAdapterLock()
{
    {
        QMutexLocker locker(&claimLock);
        // Both taken only to look, apart from those of an adapter open meanwhile: the search claims them
        // again once it has the adapter open.
        AdapterLock user;
        NodeLock node;
        if (!user.tryLock(refusedNode) || !node.tryLock(refusedNode))
            return;
        adapterRefused = false;
    }
    lockPoll->stop();
    connected();
}

DeviceFlash::UpdateOutcome DeviceFlash::adapterGone()
{
    QMutexLocker locker(&claimLock);
    return adapterRefused ? UpdateOutcome_AdapterInUse : UpdateOutcome_AdapterPulled;
}
