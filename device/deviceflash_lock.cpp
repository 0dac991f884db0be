// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "deviceflash.h"

#include "qhiddevice.h"

#include <QDebug>
#include <QMutexLocker>
#include <QTimer>

// The window and the command line share the user's adapter lock: whichever opens the adapter second gets
// a refusal naming the holder, treats the adapter as absent, and searches again once the lock is free.
// Opening the HID device itself sends nothing to the adapter, so the lock is taken right after it.

bool DeviceFlash::claimAdapter(bool opened)
{
    if (!opened) {
        releaseAdapter();
        return false;
    }
    QString holder;
    {
        QMutexLocker locker(&claimLock);
        if (adapterLock.tryLock()) {
            adapterRefused = false;
            // A removal that closed hid meanwhile found the lock not yet taken.
            if (hid->isOpen())
                return true;
            adapterLock.unlock();
            return false;
        }
        hid->close();
        if (adapterRefused)
            return false;
        adapterRefused = true;
        holder = adapterLock.holder();
    }
    qWarning() << "adapter in use by" << holder;
    QMetaObject::invokeMethod(lockPoll, [this] { lockPoll->start(); }, Qt::QueuedConnection);
    emit adapterInUse(holder);
    return false;
}

void DeviceFlash::releaseAdapter()
{
    QMutexLocker locker(&claimLock);
    if (!hid->isOpen())
        adapterLock.unlock();
}

void DeviceFlash::pollAdapterLock()
{
    {
        QMutexLocker locker(&claimLock);
        if (!adapterLock.tryLock())
            return;
        // Taken only to look: the search claims it again once it has the adapter open.
        if (!hid->isOpen())
            adapterLock.unlock();
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
