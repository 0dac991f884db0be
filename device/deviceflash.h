// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include "adapterlock.h"
#include "firmwarefile.h"
#include "flashimage.h"
#include "nodelock.h"
#include "qhiddevice.h"

#include <QAbstractNativeEventFilter>
#include <QAtomicInteger>
#include <QByteArray>
#include <QFuture>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

class QEventLoop;
class QThreadPool;
class QTimer;

// The Tavrune M4 adapter as the rest of the program knows it: finds and opens it, reads its versions and
// flash blocks, talks its command protocol, and publishes everything as signals. Lives in the GUI thread;
// its device work runs as tasks on a thread pool of its own.
class DeviceFlash : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    enum DeviceStatus {
        DeviceStatus_Play = 0,
        DeviceStatus_FlashUpgrade = 1,
        DeviceStatus_Factory = 2,
        DeviceStatus_ForceFactory = 3,
        DeviceStatus_Init = 4,
        DeviceStatus_FlashUpgradeImmediately = 5,
        DeviceStatus_Config = 6,
        DeviceStatus_ForceApp = 7,
        DeviceStatus_Unknow = 8,
    };
    Q_ENUM(DeviceStatus)

    enum DeviceError {
        DeviceError_FirmwareFileDamage = 0,
        DeviceError_EraseFlash = 1,
        DeviceError_HardwareFailure = 2,
        DeviceError_FirmwareLost = 3,
        DeviceError_ConfigurationLost = 4,
        DeviceError_Read_DEV_INFO = 5,
        DeviceError_Unsupported = 6,
        DeviceError_InvalidFile = 7,
    };
    Q_ENUM(DeviceError)

    // How the last read found one of the three flash blocks.
    enum BlockState {
        BlockState_NotRead,
        BlockState_Unreadable,
        BlockState_Invalid, // read, but its start or end marker is wrong
        BlockState_Valid, // read with valid markers; the extra block, whose content is not examined, once read
    };
    Q_ENUM(BlockState)

    // The adapter's USB product IDs. Under Tavrune_B274 it is only probed, never reported connected.
    enum Tavrune {
        Tavrune_B274 = 0xB274,
        Tavrune_B275 = 0xB275,
        Tavrune_B270 = 0xB270,
    };

    // Why an adapter that is plugged in could not be opened.
    enum AccessDenial {
        AccessDenial_Permission, // this user may not open its node
        AccessDenial_Busy, // another program holds its node
    };
    Q_ENUM(AccessDenial)

    // How an updateFirmware call ended, as updateFinished reports it.
    enum UpdateOutcome {
        UpdateOutcome_Success, // every chunk written and its echo verified
        UpdateOutcome_FileRefused, // a check of the file failed; the adapter was not touched
        UpdateOutcome_EraseFailed, // whatever made it fail, a pull among others
        UpdateOutcome_WriteFailed, // a chunk failed to write or verify: the firmware is incomplete
        // No adapter open when the update began, or its removal had been handled when a write failed; a
        // removal handled only after that leaves UpdateOutcome_WriteFailed.
        UpdateOutcome_AdapterPulled,
        UpdateOutcome_AdapterInUse, // another program holds the adapter; the adapter was not touched
    };
    Q_ENUM(UpdateOutcome)

    // How a backupFirmware call ended, as firmwareBackedUp reports it.
    enum BackupOutcome {
        BackupOutcome_Success, // read whole, and its MD5 digest is the one the information block carries
        // The information block describes no firmware: its markers are wrong, or its start address is not
        // Address_Firmware, or its length is 0 or larger than a flash region. Nothing else was read.
        BackupOutcome_InvalidBlock,
        BackupOutcome_DigestMismatch, // read whole, but not what the information block describes
        BackupOutcome_ReadFailed, // a read failed or the adapter was pulled or taken: nothing was compared
    };
    Q_ENUM(BackupOutcome)

    static constexpr quint16 VendorId = 0x0E3A;

    // The protocol: 65-byte reports (report ID 0 in front of the adapter's 64 bytes), 56 data bytes a chunk.
    static constexpr int ReportSize = 65;
    static constexpr int ChunkSize = 56;
    static constexpr int ReadTimeoutMs = 3000;
    static constexpr int OpenRetryMs = 1000;
    static constexpr int LockPollMs = 1000; // how often a refused front end looks whether the lock is free
    static constexpr quint8 Command_Erase = 0x55;
    static constexpr quint8 Command_Read = 0x56;
    static constexpr quint8 Command_Write = 0x57;
    static constexpr quint8 Command_Probe = 0x5B;
    static constexpr quint8 Reply_Erase = 0x59;
    static constexpr quint8 Reply_ReadWrite = 0x58;
    static constexpr quint8 Reply_Probe = 0x5B;

    // The flash map: three 256-byte blocks and the firmware area.
    static constexpr int BlockSize = 256;
    static constexpr quint32 Address_DeviceConfig = 0x08004000;
    static constexpr quint32 Address_FirmwareInfo = 0x08004100;
    static constexpr quint32 Address_ExtraConfig = 0x08004200;
    static constexpr quint32 Address_Firmware = 0x08005000;

    // The threads of every device task. A task may wait for the GUI thread (an open's retry) and for another
    // task (the device lock); in Qt's global pool such tasks could hold every thread while the GUI thread waits
    // for Qt's own work there (a large image converted as it is drawn, as at twice the pixel density): the
    // window would freeze for good.
    static QThreadPool *taskPool();

    explicit DeviceFlash(QObject *parent = nullptr);
    ~DeviceFlash() override;

    // Starts the search for the adapter on the device tasks' pool and returns at once.
    void connected();

    QString version() const;
    bool isBusy() const;
    QString hardwareVersion() const;
    QString bootVersion() const;
    // The block at Address_DeviceConfig, Address_FirmwareInfo or Address_ExtraConfig as the last
    // configuration read (or, for the information block, an update's read-back) found it.
    BlockState blockState(quint32 address) const;
    void setIsBusy(bool busy);

    // Opens the adapter, trying once more after OpenRetryMs; events are delivered meanwhile. By its path:
    // node when given (a path enumeration lists for the pair), else the device hid_open would take, the
    // first that enumeration lists for the pair. The link remembers which device it opened, and only that
    // device's removal closes it.
    bool open(quint16 vendorId, quint16 productId, const QByteArray &node = QByteArray());
    // The adapters plugged in (every product ID the link knows), in the order enumeration lists them.
    QList<QHidDevice::Listing> adapters() const;
    // Confines the link to the adapter at path: the search opens only that one, and only its arrival is
    // opened. Empty, as the window keeps it, for the first one listed. Set before the search starts.
    void setAdapterPath(const QByteArray &path);
    // The path the adapter is open at (its hidraw node on Linux, its HID interface path on Windows), as
    // enumeration lists it; empty while none is open.
    QByteArray adapterPath() const;
    // Reads the three flash blocks and publishes versions, upgradeability and errors.
    void readDeviceConfig();

    // Starts the update task on the device tasks' pool with the firmware file at path and returns at once;
    // outcomes arrive as signals, the last of them updateFinished.
    void updateFirmware(const QString &path);
    // Starts a task that checks the firmware file at path as the update does and reads the firmware area
    // and the information block back, without erasing or writing anything, to compare them with what
    // updating with that file writes. The read's progress arrives as dataBackupProgressChanged, one region
    // after the other; the outcome as firmwareVerified.
    void verifyFirmware(const QString &path);
    // Starts a task that reads the firmware information block and then the firmware area for the length it
    // gives, and compares the area's MD5 digest with the block's, erasing and writing nothing. The area's
    // progress arrives as dataBackupProgressChanged, the outcome as firmwareBackedUp.
    void backupFirmware();
    // The file's bytes. Empty, and reported as DeviceError_FirmwareFileDamage, when the file is missing,
    // unreadable, empty or far larger than any firmware file.
    QByteArray getFirmwareData(const QString &path);

    // Starts the arrival task for an adapter that the hot-plug handling has just opened under product.
    void startArrivalTask(Tavrune product);

    // Ties the calling task's transfers to the handle open now. Every task does it when it starts and after
    // it opens the adapter itself; once that handle is closed or replaced, its transfers fail.
    void bindHandle();

    // The command transport; called only with deviceLock held (inside a task).
    bool writeCMDData(const QByteArray &report);
    bool readCMDData(QByteArray &reply);
    bool readFlash(quint8 command, quint32 address, quint32 length, char *destination, quint8 progress);
    int eraseFlash(const FlashImage &image); // the regions in table order
    bool eraseRegion(const FlashRegion &region); // one erase exchange
    qint64 write2Flash(const FlashImage &image, quint8 kind); // the bytes written and verified
    int probeDevice();

    // Entry points of the platform's arrival and removal notifications, GUI thread only. A volume's
    // flags word; a device interface's name (parsed for its IDs); or the IDs themselves with the system's
    // name of the device: the udev key of the USB device on Linux (UdevMonitor's), the interface name on
    // Windows, or the path enumeration lists it at. An empty name stands for a source that cannot tell:
    // an arrival is then taken for the device an open would take, a removal for the open adapter's when
    // enumeration no longer lists it.
    // While an adapter is open, the removal of another device with the adapter's IDs is logged and
    // ignored, and so is the arrival of another adapter; the open adapter arriving again is opened again.
    void volumeArrived(quint16 flags);
    void deviceInterfaceArrived(const QString &name);
    void deviceInterfaceRemoved(const QString &name);
    void deviceArrived(quint16 vendorId, quint16 productId, const QString &name = QString());
    void deviceRemoved(quint16 vendorId, quint16 productId, const QString &name = QString());

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;

signals:
    void error(int error);
    void deviceRunStateChanged(DeviceFlash::DeviceStatus state);
    void versionChanged(const QString &version);
    void isBusyChanged(bool isBusy);
    void upgradeable(bool state);
    void deviceConnectStatusChanged(bool connected, DeviceFlash::Tavrune device);
    void write2FlashProgressChanged(qint64 current, qint64 total);
    void dataBackupProgressChanged(qint64 current, qint64 total, char *backupData);
    void dataStoreProgressChanged(qint64 current, qint64 total);
    void settingProgressChanged(qint64 current, qint64 total);
    void settingChanged();
    // The adapter is plugged in at node (its system device path) but could not be opened, for cause.
    void accessDenied(const QString &node, DeviceFlash::AccessDenial cause);
    // Another program, this user's or any user's, has the adapter open (holder names it, empty when
    // unknown): it is treated as absent until that program lets go of it, and then searched for again.
    // Once per refusal.
    void adapterInUse(const QString &holder);
    // Once per verifyFirmware call (unless this object is destroyed before its task runs): whether
    // everything was read back (false too for a refused file), and then the lowest address whose byte
    // differs from what the update writes (-1 when none does) and how many bytes differ.
    void firmwareVerified(bool readBack, qint64 firstDifference, qint64 differingBytes);
    // Once per updateFirmware call (unless this object is destroyed before its task runs), after its last
    // progress signal and its read-back of the version. verified: the bytes written and verified; refusal:
    // the check the file failed (Fault_None unless outcome is UpdateOutcome_FileRefused).
    void updateFinished(DeviceFlash::UpdateOutcome outcome, qint64 verified, FirmwareFile::Fault refusal);
    // Once per backupFirmware call (unless this object is destroyed before its task runs): on success the
    // version bytes (major, minor, patch) and the image, else both empty.
    void firmwareBackedUp(
        DeviceFlash::BackupOutcome outcome, const QByteArray &versionBytes, const QByteArray &image);

private:
    // Runs work on the device tasks' pool as a device task: deviceLock held and busy set for its whole run,
    // its transfers bound to handle, or to the handle open when it starts if handle is 0. A task bound to a
    // handle that is no longer open when its turn comes does nothing at all.
    void startTask(std::function<void()> work, quint64 handle = 0);
    void search();
    void arrive(Tavrune product);
    // The update task's work; verified and refusal as updateFinished carries them.
    UpdateOutcome runUpdate(const QString &path, qint64 &verified, FirmwareFile::Fault &refusal);
    bool runVerify(const QString &path); // false when nothing was compared: the file refused or a read failed
    BackupOutcome runBackup(QByteArray &versionBytes, QByteArray &image);
    // Reads length bytes of flash from address into area, with dataBackupProgressChanged after every chunk.
    bool readArea(quint32 address, quint32 length, QByteArray &area);
    // What updating with the checked file writes (its image at Address_Firmware, then the information block
    // that describes it), set in flashImage, which the update and verify tasks share.
    FlashImage &imageFor(const FirmwareFile &file);
    // Reads a firmware file as getFirmwareData does, reporting what fails.
    FirmwareFile readFirmwareFile(const QString &path);
    // Deciphers and checks a firmware file's bytes, reporting what fails with error.
    FirmwareFile unpackFirmware(const QByteArray &fileData);
    // Why the running task's adapter is gone: in use by another program, or pulled.
    UpdateOutcome adapterGone();
    // Whether the running task's handle is still the open one. The removal closes under stateLock, so a
    // caller that holds it may rely on the answer until it lets go.
    bool taskHandleIsOpen() const;

    // Reads one 256-byte block and stores it in block only when all of it arrived and passed the checks.
    bool readBlock(quint32 address, QByteArray &block);
    // Stores a version read from the adapter and emits versionChanged when it differs from the last one.
    void publishVersion(const QString &text);
    static bool isValidBlock(const QByteArray &block); // start marker 0x55, end marker 0xAA
    static QString versionText(const QByteArray &block, int offset);

    // Finds out why the open of node (empty when nothing was listed to open) failed although the adapter
    // may be plugged in, logs the remedy and emits accessDenied; open's last step when it fails.
    void diagnoseOpenFailure(const QByteArray &node);
    // The platform's lasting name of the device at node, as the removal notifications name it (the udev
    // key of its USB device on Linux); empty where the path is that name already, or when it is unknown.
    static QByteArray systemDeviceOf(const QByteArray &node);
    // Whether name, as deviceArrived and deviceRemoved take it, is the adapter open now.
    bool namesOpenAdapter(const QString &name) const;
    // Whether the adapter open now is still listed by enumeration, so still plugged in.
    bool openAdapterListed() const;
    // Keeps the user's adapter lock and the node lock exactly while hid is open. Called by open with whether
    // it opened the adapter: a handle that another program's lock forbids is closed again. Whether the
    // adapter is ours.
    bool claimAdapter(bool opened);
    // Lets the lock go when hid is not open.
    void releaseAdapter();
    // While another program holds the lock: once it is free, searches for the adapter again.
    void pollAdapterLock();

    // Asks the operating system for the adapter's arrival and removal notifications; the constructor's last
    // step.
    void registerDeviceNotifications();

    // Device access across threads. Tasks make every transfer under deviceLock; the hot-plug handling opens
    // and closes hid in the GUI thread without it, even while a task is in the middle of a transfer.
    // - hid never hands a closed handle to hidapi: a transfer pins the handle it uses, so a close or a
    //   replacing open only lets go of it, and hid_close runs when that transfer has returned.
    // - Each task's transfers name the handle they belong to (taskHandle, set by bindHandle when the task
    //   starts and after it opens the adapter). Once that handle is closed or replaced, every later transfer
    //   of the task fails at once, as on a pulled adapter, and never reaches a newer handle: a task that
    //   began on one adapter never goes on writing to the next one plugged in.
    // - The published state (busy, connected, device, version, the three blocks) changes only under
    //   stateLock, one whole change at a time. A task announces a connection only if its handle is still the
    //   open one, checked under the same lock. The removal therefore closes hid and clears version,
    //   connected and device in one stateLock section, and emits afterwards.
    // - A task holds announceLock from its check of the handle to the end of its "connected" signal; the
    //   removal takes and releases it after its close, before its own signal. So queued receivers get the
    //   announcements in the order of the changes: a task's "connected" can never arrive after the
    //   removal's "disconnected" that followed it, leaving the window connected to a pulled adapter. The
    //   GUI thread never holds announceLock while emitting, so its direct receivers may wait for a task.
    // - An arrival's task is bound to the handle that arrival opened, not to whatever is open when the
    //   task's turn comes: if the adapter was pulled or plugged again meanwhile, the task does nothing,
    //   instead of reading (and announcing) the next adapter under the product ID of the previous one.

    bool m_bIsBusy = false;
    bool m_bConnected = false;
    Tavrune device = Tavrune(0);
    DeviceStatus runState = DeviceStatus_Unknow;
    const QList<quint16> productIds {Tavrune_B274, Tavrune_B275, Tavrune_B270};
    QHidDevice *hid;
    QMutex deviceLock;
    // Guards the published state (busy, connected, device, the three blocks and the version) for short,
    // complete updates; never held across a transfer or an emit.
    mutable QMutex stateLock;
    // Held by a task across its announcement of a connection; the removal waits for it before its own.
    QMutex announceLock;
    QByteArray deviceConfig;
    QByteArray extraConfig;
    QByteArray firmwareInfo;
    QString m_strVersion;
    quint64 taskHandle = 0; // the handle the running task's transfers go to; written only by tasks
    QByteArray chosenPath; // the one adapter the link may open, empty for any; set before any task runs
    // The system's name of the device that open opened, for the handle named openedHandle; stateLock.
    quint64 openedHandle = 0;
    QByteArray openedDevice;
    QList<QFuture<void>> tasks; // started and not known to be finished; touched only in the GUI thread
    QAtomicInteger<bool> shuttingDown = false; // set by the destructor: tasks not yet running do nothing
    QAtomicInteger<bool> flashing = false; // an update is between its erase and its last verified chunk
    // The local loops of opens waiting for their retry, which the destructor ends; it sets shuttingDown
    // under the same lock, so that no open starts waiting after that.
    QMutex retryLock;
    QSet<QEventLoop *> retryWaits;
    QHash<quint32, BlockState> blockStates; // guarded by stateLock
    std::unique_ptr<FlashImage> flashImage; // what an update erases and writes; used only by update and verify tasks
    // The user's adapter lock and the node's, with the refusal and the poll for their release; claimLock
    // guards them all. Both are held exactly while hid is open.
    QMutex claimLock;
    AdapterLock adapterLock;
    NodeLock nodeLock;
    bool adapterRefused = false; // refused since the locks were last seen free
    QByteArray refusedNode; // the node whose lock refused us last
    QTimer *lockPoll; // GUI thread: runs pollAdapterLock while refused
};

Q_DECLARE_METATYPE(DeviceFlash::Tavrune)
Q_DECLARE_METATYPE(FirmwareFile::Fault)
