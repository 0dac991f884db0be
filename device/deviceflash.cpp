// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "deviceflash.h"

#include "qhiddevice.h"

#include <QEventLoop>
#include <QMutexLocker>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent>

DeviceFlash::DeviceFlash(QObject *parent)
    : QObject(parent)
    , hid(new QHidDevice(this))
    , deviceConfig(BlockSize, '\0')
    , extraConfig(BlockSize, '\0')
    , firmwareInfo(BlockSize, '\0')
    , lockPoll(new QTimer(this))
{
    qRegisterMetaType<DeviceFlash::Tavrune>("DeviceFlash::Tavrune");
    qRegisterMetaType<DeviceFlash::Tavrune>("Tavrune");
    qRegisterMetaType<DeviceFlash::DeviceError>("DeviceFlash::DeviceError");
    qRegisterMetaType<DeviceFlash::DeviceError>("DeviceError");
    qRegisterMetaType<DeviceFlash::AccessDenial>("DeviceFlash::AccessDenial");
    qRegisterMetaType<DeviceFlash::UpdateOutcome>("DeviceFlash::UpdateOutcome");
    qRegisterMetaType<DeviceFlash::BackupOutcome>("DeviceFlash::BackupOutcome");
    qRegisterMetaType<FirmwareFile::Fault>("FirmwareFile::Fault");
    // dataBackupProgressChanged carries the caller's buffer; without this it cannot be queued.
    qRegisterMetaType<char *>("char*");

    lockPoll->setInterval(LockPollMs);
    connect(lockPoll, &QTimer::timeout, this, &DeviceFlash::pollAdapterLock, Qt::DirectConnection);

    registerDeviceNotifications();
}

// Nobody waits for tasks while the program runs, but one must not outlive the object it works on. The
// owner waits until the device is no longer busy before destroying it; a task started and not yet running
// then does nothing, and a running one is waited for.
DeviceFlash::~DeviceFlash()
{
    {
        // A task waiting for an open's retry would wait forever: the retry is due in this thread, which
        // is blocked here until the task ends.
        QMutexLocker locker(&retryLock);
        shuttingDown = true;
        for (QEventLoop *wait : qAsConst(retryWaits))
            QMetaObject::invokeMethod(wait, &QEventLoop::quit, Qt::QueuedConnection);
    }
    for (QFuture<void> &task : tasks)
        task.waitForFinished();
}

QThreadPool *DeviceFlash::taskPool()
{
    static QThreadPool pool;
    return &pool;
}

void DeviceFlash::startTask(std::function<void()> work, quint64 handle)
{
    tasks.erase(
        std::remove_if(tasks.begin(), tasks.end(), [](const QFuture<void> &t) { return t.isFinished(); }),
        tasks.end());
    tasks.append(QtConcurrent::run(taskPool(), [this, work = std::move(work), handle] {
        if (shuttingDown)
            return;
        QMutexLocker locker(&deviceLock);
        taskHandle = handle;
        if (handle == 0)
            bindHandle();
        else if (handle != hid->handleId())
            return; // the adapter it was started for has gone, or come back under another handle
        setIsBusy(true);
        work();
        setIsBusy(false);
    }));
}

void DeviceFlash::connected()
{
    startTask([this] { search(); });
}

void DeviceFlash::startArrivalTask(Tavrune product)
{
    startTask([this, product] { arrive(product); }, hid->handleId());
}

void DeviceFlash::bindHandle()
{
    taskHandle = hid->handleId();
}

bool DeviceFlash::taskHandleIsOpen() const
{
    return taskHandle != 0 && hid->handleId() == taskHandle;
}

QString DeviceFlash::version() const
{
    QMutexLocker locker(&stateLock);
    return m_strVersion;
}

bool DeviceFlash::isBusy() const
{
    QMutexLocker locker(&stateLock);
    return m_bIsBusy;
}

QString DeviceFlash::hardwareVersion() const
{
    QMutexLocker locker(&stateLock);
    return versionText(deviceConfig, 1);
}

QString DeviceFlash::bootVersion() const
{
    QMutexLocker locker(&stateLock);
    return versionText(deviceConfig, 4);
}

DeviceFlash::BlockState DeviceFlash::blockState(quint32 address) const
{
    QMutexLocker locker(&stateLock);
    return blockStates.value(address, BlockState_NotRead);
}

QString DeviceFlash::versionText(const QByteArray &block, int offset)
{
    return QStringLiteral("%1.%2.%3")
        .arg(quint8(block.at(offset)))
        .arg(quint8(block.at(offset + 1)))
        .arg(quint8(block.at(offset + 2)));
}

void DeviceFlash::setIsBusy(bool busy)
{
    {
        QMutexLocker locker(&stateLock);
        if (m_bIsBusy == busy)
            return;
        m_bIsBusy = busy;
    }
    qInfo() << "setIsBusy -- " << busy;
    emit isBusyChanged(busy);
}

bool DeviceFlash::open(quint16 vendorId, quint16 productId, const QByteArray &node)
{
    QByteArray path;
    const auto attempt = [&] {
        path = node.isEmpty() ? QHidDevice::firstPath(vendorId, productId) : node;
        return hid->openPath(path);
    };
    bool result = attempt();
    if (!result) {
        qInfo() << "DeviceFlash open try onec more..." << Qt::hex << Qt::showbase << vendorId << productId;
        // The second attempt runs in this object's thread, as the hot-plug handling's opens do, whichever
        // thread waits for it; the waiting thread keeps delivering its own events for that second.
        QEventLoop loop;
        bool waiting = false;
        {
            QMutexLocker locker(&retryLock);
            if (!shuttingDown) {
                retryWaits.insert(&loop);
                waiting = true;
            }
        }
        if (waiting) {
            // When the destructor ends the wait early, this object dies before its thread can deliver the
            // timer (or the call that starts it), so the callback never runs against the loop gone by then.
            // The timer is started in this object's thread: one started in a task's thread is moved there,
            // and Qt frees the move's bookkeeping only when that thread next handles events, which a
            // program ending during the wait never does.
            QMetaObject::invokeMethod(this, [&] {
                QTimer::singleShot(OpenRetryMs, Qt::PreciseTimer, this, [&] {
                    // An arrival may have opened the adapter during the wait: that handle is not this
                    // attempt's to replace, and its own task reads and announces the adapter.
                    result = !hid->isOpen() && attempt();
                    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
                });
            }, Qt::QueuedConnection);
            loop.exec();
            QMutexLocker locker(&retryLock);
            retryWaits.remove(&loop);
        }
    }
    result = claimAdapter(result);
    qInfo() << "DeviceFlash open ..." << Qt::hex << Qt::showbase << vendorId << productId << result;
    if (!result) {
        diagnoseOpenFailure(path);
        return false;
    }
    // Looked up now: once the adapter is pulled, the system no longer knows which device its node was.
    const QByteArray system = systemDeviceOf(path);
    QMutexLocker locker(&stateLock);
    openedHandle = hid->handleId();
    openedDevice = system;
    return true;
}

QByteArray DeviceFlash::adapterPath() const
{
    return hid->path();
}

bool DeviceFlash::namesOpenAdapter(const QString &name) const
{
    const QByteArray path = hid->path();
    if (path.isEmpty() || name.isEmpty())
        return false;
    QByteArray system;
    {
        QMutexLocker locker(&stateLock);
        if (openedHandle == hid->handleId())
            system = openedDevice;
    }
    // Windows spells interface paths in either case.
    return name.compare(QString::fromLocal8Bit(path), Qt::CaseInsensitive) == 0 ||
        (!system.isEmpty() && name == QString::fromLocal8Bit(system));
}

bool DeviceFlash::openAdapterListed() const
{
    const QByteArray path = hid->path();
    return !path.isEmpty() && QHidDevice::isListed(VendorId, path);
}
