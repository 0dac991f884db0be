// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "deviceflash.h"

#include "deviceinterfacename.h"
#include "qhiddevice.h"

#include <QDebug>
#include <QMutexLocker>

#include <algorithm>

// What the platform's arrival and removal notifications lead to. Everything here runs in the GUI thread,
// beside tasks that may be using the adapter at that moment, and without deviceLock: a removal must take
// effect at once even while an update holds the lock for minutes. How that stays safe is told beside
// deviceLock in the header.

void DeviceFlash::volumeArrived(quint16 flags)
{
    if (flags == 0)
        qDebug() << "upan";
    else if (flags == 1)
        qDebug() << "CD_Arrived.";
}

void DeviceFlash::deviceInterfaceArrived(const QString &name)
{
    if (name.isEmpty())
        return;
    const DeviceInterfaceName parsed = DeviceInterfaceName::parse(name);
    deviceArrived(parsed.vendorId, parsed.productId);
}

void DeviceFlash::deviceInterfaceRemoved(const QString &name)
{
    qDebug() << "---" << name << name.size();
    if (name.isEmpty())
        return;
    const DeviceInterfaceName parsed = DeviceInterfaceName::parse(name);
    deviceRemoved(parsed.vendorId, parsed.productId);
}

void DeviceFlash::deviceArrived(quint16 vendorId, quint16 productId, const QString &name)
{
    if (vendorId != VendorId || !productIds.contains(productId))
        return;
    if (flashing.loadAcquire() && hid->isOpen()) {
        // Opening again would replace the handle under the update, cut it short and leave the adapter with
        // its firmware erased. The adapter being written is still there (its removal would have closed the
        // handle), so the update goes on and this arrival, of another adapter, is let go.
        qWarning() << "deviceArrived ignored while flashing" << Qt::hex << Qt::showbase << productId;
        return;
    }
    QByteArray node;
    if (!chosenPath.isEmpty()) {
        // Confined to one adapter: whichever else arrives is not the link's to open.
        const QList<QHidDevice::Listing> listed = adapters();
        if (std::none_of(listed.begin(), listed.end(), [&](const QHidDevice::Listing &adapter) {
                return adapter.path == chosenPath && adapter.productId == productId;
            }))
            return;
        node = chosenPath;
    }
    if (hid->isOpen()) {
        const QString arriving =
            name.isEmpty() ? QString::fromLocal8Bit(QHidDevice::firstPath(vendorId, productId)) : name;
        if (!namesOpenAdapter(arriving) && openAdapterListed()) {
            // The user works with the adapter that is open; a second one plugged in beside it waits.
            qWarning() << "deviceArrived ignored: another adapter is open" << Qt::hex << Qt::showbase
                       << productId << arriving;
            return;
        }
        // The open adapter announced again: open that one again, not whichever is listed first.
        if (namesOpenAdapter(arriving))
            node = hid->path();
    }
    if (open(vendorId, productId, node))
        startArrivalTask(Tavrune(productId));
}

void DeviceFlash::deviceRemoved(quint16 vendorId, quint16 productId, const QString &name)
{
    const bool ourVendor = vendorId == VendorId;
    const bool ourProduct = productIds.contains(productId);
    qDebug() << Qt::hex << Qt::showbase << vendorId << productId << ourVendor << ourProduct;
    if (!ourVendor || !ourProduct)
        return;
    if (hid->isOpen() && !namesOpenAdapter(name) && openAdapterListed()) {
        // Another adapter, another interface of this one, or this one seen again under another ID: closing
        // now would cut short whatever the open adapter is doing.
        qWarning() << "deviceRemoved ignored: the open adapter is still plugged in" << Qt::hex << Qt::showbase
                   << productId << name;
        return;
    }

    qWarning() << "nativeEventFilter closed." << Qt::hex << Qt::showbase << productId;
    {
        // One change, closing first: a task sees the adapter either still there or gone with nothing of
        // it left, its next transfer fails, and it can no longer announce a connection or store a version.
        QMutexLocker locker(&stateLock);
        hid->close();
        m_strVersion.clear();
        m_bConnected = false;
        device = Tavrune(0);
    }
    releaseAdapter();
    setIsBusy(false);
    {
        // A task that found the adapter still there may be announcing it right now: its "connected" must
        // go out before this "disconnected". The lock is not held while emitting, so that a receiver in
        // this thread may wait for that task.
        QMutexLocker announcing(&announceLock);
    }
    emit deviceConnectStatusChanged(false, Tavrune(productId));
}
