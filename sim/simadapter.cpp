// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "simadapter.h"

#include "adaptermodel.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <hidapi/hidapi.h>

namespace {
constexpr int ReportBytes = AdapterModel::ReportBytes;
using Clock = std::chrono::steady_clock;

struct Reply
{
    unsigned char bytes[ReportBytes];
    bool error = false; // read as -1
    bool late = false; // misses the first read that looks for it
    size_t count = ReportBytes; // how many of its bytes arrive
    Clock::time_point availableAt;
};
} // namespace

// Like a hidraw file, every open handle receives its own copy of the reports that arrive while it is open.
struct hid_device_
{
    int adapter; // the index of the adapter it was opened on
    quint64 plugging; // the plugging it was opened on; stale once the adapter is pulled or plugged again
    bool closed = false;
    std::deque<Reply> replies;
};

namespace {

// The time one report takes each way: a USB frame, or the longer wait a busy hub imposes.
std::chrono::milliseconds frameOf(SimAdapter::Timing timing)
{
    switch (timing) {
    case SimAdapter::Timing::ZeroLatency: return std::chrono::milliseconds(0);
    case SimAdapter::Timing::FullSpeed: return std::chrono::milliseconds(1);
    case SimAdapter::Timing::Slow: return std::chrono::milliseconds(4);
    }
    return std::chrono::milliseconds(0);
}

// One simulated adapter: its flash, what it is plugged in as and where it enumerates.
struct Adapter
{
    AdapterModel model;
    quint16 product = 0;
    quint64 plugging = 1; // counts its plug and pull changes, so that handles of an earlier one go stale
    std::wstring serial;
    std::string nodePath;
    int refusal = 0; // the errno every open of it fails with; 0 while opens succeed
};

struct State
{
    std::mutex lock;
    std::condition_variable replyQueued;
    Adapter adapters[SimAdapter::AdapterSlots];
    std::map<int, SimAdapter::Fault> faults;
    std::function<void(int)> hook;
    SimAdapter::Timing timing = SimAdapter::Timing::ZeroLatency;
    bool realTimeouts = false;
    QList<QByteArray> transcript;
    QList<QPair<quint16, quint16>> openAttempts;
    int exchanges = 0;
    int closedUses = 0;
    int waitingReads = 0;
    int initCount = 0;
    Clock::time_point epoch = Clock::now();
    std::vector<std::unique_ptr<hid_device_>> handles; // kept after hid_close so that a late use is seen
};

State &state()
{
    static State s;
    return s;
}

quint32 le32(const unsigned char *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

void putLe32(unsigned char *p, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uchar(v >> (8 * i));
}

bool live(const State &s, const hid_device *dev)
{
    if (!dev || dev->closed)
        return false;
    const Adapter &adapter = s.adapters[dev->adapter];
    return adapter.product != 0 && dev->plugging == adapter.plugging;
}

// Whether a transfer may go on with dev; one on a handle already passed to hid_close is counted: the
// program must never make it, not even when the close comes while the transfer waits.
bool usable(State &s, const hid_device *dev)
{
    if (dev && dev->closed)
        ++s.closedUses;
    return live(s, dev);
}

void applyFault(SimAdapter::Fault fault, Reply &reply)
{
    using SimAdapter::Fault;
    const quint16 length = quint16(reply.bytes[6] | reply.bytes[7] << 8);
    switch (fault) {
    case Fault::ReadError:
        reply.error = true;
        break;
    case Fault::WrongCode:
        reply.bytes[1] ^= 0x01;
        break;
    case Fault::WrongAddress:
        putLe32(reply.bytes + 2, le32(reply.bytes + 2) + 1);
        break;
    case Fault::WrongLength:
        reply.bytes[6] ^= 0x01;
        break;
    case Fault::DataMismatch:
        if (length >= 1 && length <= AdapterModel::MaxChunk)
            reply.bytes[8 + length - 1] ^= 0xFF;
        break;
    case Fault::LateReply:
        reply.late = true;
        break;
    case Fault::ShortReply:
        reply.count = 10;
        break;
    case Fault::NoReply:
    case Fault::WriteError:
    case Fault::Pulled:
        break;
    }
}

void unplug(State &s, Adapter &adapter)
{
    adapter.product = 0;
    ++adapter.plugging;
    s.replyQueued.notify_all();
}

Adapter &adapterAt(State &s, int index)
{
    return s.adapters[qBound(0, index, SimAdapter::AdapterSlots - 1)];
}

} // namespace

// The hidapi functions the program calls.

int hid_init(void)
{
    std::lock_guard<std::mutex> locker(state().lock);
    ++state().initCount;
    return 0;
}

namespace {

// Copies a text into memory of its own, as hid_free_enumeration frees it.
template<typename Char>
Char *copyOf(const std::basic_string<Char> &text)
{
    auto *copy = static_cast<Char *>(std::calloc(text.size() + 1, sizeof(Char)));
    std::copy(text.begin(), text.end(), copy);
    return copy;
}

// Opens the node of the plugged adapter as open(2) would: failing with errno set, or a new handle.
hid_device *openNode(State &s, int index)
{
    const Adapter &adapter = s.adapters[index];
    if (adapter.refusal != 0) {
        errno = adapter.refusal;
        return nullptr;
    }
    s.handles.push_back(std::make_unique<hid_device_>(hid_device_ {index, adapter.plugging, false, {}}));
    return s.handles.back().get();
}

// The index of the plugged adapter that answers the pair (0 is a wildcard, as in hidapi) and the serial
// number (null for any), from start on in the order enumeration lists them; -1 when none does.
int findAdapter(const State &s, unsigned short vendorId, unsigned short productId, const wchar_t *serial,
    int start = 0)
{
    for (int i = start; i < SimAdapter::AdapterSlots; ++i) {
        const Adapter &adapter = s.adapters[i];
        if (adapter.product != 0 && (vendorId == 0 || vendorId == SimAdapter::VendorId) &&
            (productId == 0 || productId == adapter.product) && (!serial || adapter.serial == serial))
            return i;
    }
    return -1;
}

} // namespace

hid_device_info *hid_enumerate(unsigned short vendor_id, unsigned short product_id)
{
    State &s = state();
    std::lock_guard<std::mutex> locker(s.lock);
    // hid_open looks its pair up this way, and the program opens as hid_open does.
    if (vendor_id != 0 && product_id != 0)
        s.openAttempts.append({vendor_id, product_id});
    hid_device_info *first = nullptr;
    hid_device_info **next = &first;
    for (int i = findAdapter(s, vendor_id, product_id, nullptr); i >= 0;
         i = findAdapter(s, vendor_id, product_id, nullptr, i + 1)) {
        const Adapter &adapter = s.adapters[i];
        auto *info = static_cast<hid_device_info *>(std::calloc(1, sizeof(hid_device_info)));
        info->path = copyOf(adapter.nodePath);
        info->vendor_id = SimAdapter::VendorId;
        info->product_id = adapter.product;
        info->serial_number = copyOf(adapter.serial);
        info->release_number = 0x0100;
        info->manufacturer_string = copyOf(std::wstring(L"Tavrune"));
        info->product_string = copyOf(std::wstring(L"Tavrune M4"));
        info->interface_number = 0;
        info->bus_type = HID_API_BUS_USB;
        *next = info;
        next = &info->next;
    }
    return first;
}

void hid_free_enumeration(hid_device_info *devices)
{
    while (devices) {
        hid_device_info *next = devices->next;
        std::free(devices->path);
        std::free(devices->serial_number);
        std::free(devices->manufacturer_string);
        std::free(devices->product_string);
        std::free(devices);
        devices = next;
    }
}

hid_device *hid_open(unsigned short vendor_id, unsigned short product_id, const wchar_t *serial_number)
{
    State &s = state();
    std::lock_guard<std::mutex> locker(s.lock);
    s.openAttempts.append({vendor_id, product_id});
    const int index = vendor_id == 0 || product_id == 0 ? -1 : findAdapter(s, vendor_id, product_id, serial_number);
    return index < 0 ? nullptr : openNode(s, index);
}

hid_device *hid_open_path(const char *path)
{
    State &s = state();
    std::lock_guard<std::mutex> locker(s.lock);
    for (int i = 0; path && i < SimAdapter::AdapterSlots; ++i) {
        if (s.adapters[i].product != 0 && s.adapters[i].nodePath == path)
            return openNode(s, i);
    }
    errno = ENOENT;
    return nullptr;
}

void hid_close(hid_device *dev)
{
    std::lock_guard<std::mutex> locker(state().lock);
    if (dev)
        dev->closed = true;
    state().replyQueued.notify_all(); // a read still waiting on it must see it at once
}

int hid_write(hid_device *dev, const unsigned char *data, size_t length)
{
    State &s = state();
    std::unique_lock<std::mutex> locker(s.lock);
    if (!usable(s, dev) || length < 1 || length > size_t(ReportBytes) + 1)
        return -1;
    const int exchange = s.exchanges++;
    if (s.hook) {
        const auto hook = s.hook;
        locker.unlock();
        hook(exchange);
        locker.lock();
    }
    if (!usable(s, dev))
        return -1;
    Adapter &adapter = s.adapters[dev->adapter];
    const auto fault = s.faults.find(exchange);
    if (fault != s.faults.end() && fault->second == SimAdapter::Fault::Pulled)
        unplug(s, adapter);
    if (!live(s, dev) || (fault != s.faults.end() && fault->second == SimAdapter::Fault::WriteError))
        return -1;

    unsigned char command[ReportBytes + 1] = {};
    std::memcpy(command, data, length);
    s.transcript.append(QByteArray(reinterpret_cast<const char *>(command), ReportBytes + 1));
    Clock::time_point sent = Clock::now();
    const auto frame = frameOf(s.timing);
    if (frame.count() > 0) {
        sent = s.epoch + ((sent - s.epoch) / frame + 1) * frame;
        locker.unlock();
        std::this_thread::sleep_until(sent);
        locker.lock();
        if (!usable(s, dev))
            return -1;
    }
    Reply reply;
    adapter.model.answer(command + 1, reply.bytes);
    if (fault == s.faults.end() || fault->second != SimAdapter::Fault::NoReply) {
        if (fault != s.faults.end())
            applyFault(fault->second, reply);
        reply.availableAt = sent + frame;
        for (const auto &handle : s.handles)
            if (handle->adapter == dev->adapter && live(s, handle.get()))
                handle->replies.push_back(reply);
        s.replyQueued.notify_all();
    }
    return int(length);
}

int hid_read_timeout(hid_device *dev, unsigned char *data, size_t length, int milliseconds)
{
    State &s = state();
    std::unique_lock<std::mutex> locker(s.lock);
    const bool blocking = milliseconds < 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(qMax(milliseconds, 0));
    for (;;) {
        if (!usable(s, dev))
            return -1;
        const Clock::time_point now = Clock::now();
        const bool pending = !dev->replies.empty() && !dev->replies.front().late;
        if (pending && dev->replies.front().availableAt <= now) {
            const Reply reply = dev->replies.front();
            dev->replies.pop_front();
            if (reply.error)
                return -1;
            const size_t count = std::min(length, reply.count);
            std::memcpy(data, reply.bytes, count);
            return int(count);
        }
        // A reply on its way within the window is waited for; otherwise the time-out is real only when asked.
        const bool inTime = pending && (blocking || dev->replies.front().availableAt <= deadline);
        if ((!inTime && !blocking && !s.realTimeouts) || (!blocking && now >= deadline)) {
            // The window has passed: a reply held back as late is there for the next read.
            if (!dev->replies.empty())
                dev->replies.front().late = false;
            return 0;
        }
        ++s.waitingReads;
        if (pending)
            s.replyQueued.wait_until(locker, inTime ? dev->replies.front().availableAt : deadline);
        else if (blocking)
            s.replyQueued.wait(locker);
        else
            s.replyQueued.wait_until(locker, deadline);
        --s.waitingReads;
    }
}

// The control interface.

namespace SimAdapter {

void reset()
{
    State &s = state();
    std::lock_guard<std::mutex> locker(s.lock);
    for (int i = 0; i < AdapterSlots; ++i) {
        Adapter &adapter = s.adapters[i];
        unplug(s, adapter);
        adapter.model.reset();
        adapter.serial = L"TVR-M4-000" + std::to_wstring(i + 1);
        adapter.nodePath = "/dev/hidraw" + std::to_string(i);
        adapter.refusal = 0;
    }
    s.faults.clear();
    s.hook = nullptr;
    s.timing = Timing::ZeroLatency;
    s.realTimeouts = false;
    s.transcript.clear();
    s.openAttempts.clear();
    s.exchanges = 0;
    s.closedUses = 0;
}

void plug(quint16 productId)
{
    plug(0, productId);
}

void plug(int adapter, quint16 productId)
{
    State &s = state();
    std::lock_guard<std::mutex> locker(s.lock);
    Adapter &plugged = adapterAt(s, adapter);
    unplug(s, plugged);
    plugged.product = productId;
}

void setHardwareVersion(quint8 major, quint8 minor, quint8 patch)
{
    std::lock_guard<std::mutex> locker(state().lock);
    state().adapters[0].model.setVersion(AdapterModel::DeviceConfig + 1, major, minor, patch);
}

void setBootVersion(quint8 major, quint8 minor, quint8 patch)
{
    std::lock_guard<std::mutex> locker(state().lock);
    state().adapters[0].model.setVersion(AdapterModel::DeviceConfig + 4, major, minor, patch);
}

void setFirmwareVersion(quint8 major, quint8 minor, quint8 patch)
{
    setFirmwareVersion(0, major, minor, patch);
}

void setFirmwareVersion(int adapter, quint8 major, quint8 minor, quint8 patch)
{
    std::lock_guard<std::mutex> locker(state().lock);
    adapterAt(state(), adapter).model.setVersion(AdapterModel::FirmwareInfo + 5, major, minor, patch);
}

void setMarkers(quint32 blockAddress, quint8 start, quint8 end)
{
    std::lock_guard<std::mutex> locker(state().lock);
    state().adapters[0].model.setMarkers(blockAddress, start, end);
}

void setFlash(quint32 address, const QByteArray &bytes)
{
    setFlash(0, address, bytes);
}

void setFlash(int adapter, quint32 address, const QByteArray &bytes)
{
    std::lock_guard<std::mutex> locker(state().lock);
    adapterAt(state(), adapter).model.setFlash(address, bytes);
}

QByteArray flash(quint32 address, int length)
{
    return flash(0, address, length);
}

QByteArray flash(int adapter, quint32 address, int length)
{
    std::lock_guard<std::mutex> locker(state().lock);
    return adapterAt(state(), adapter).model.flash(address, length);
}

void setNodePath(const QByteArray &path)
{
    std::lock_guard<std::mutex> locker(state().lock);
    state().adapters[0].nodePath = path.toStdString();
}

QByteArray nodePath(int adapter)
{
    std::lock_guard<std::mutex> locker(state().lock);
    return QByteArray::fromStdString(adapterAt(state(), adapter).nodePath);
}

void refuseOpen(int error)
{
    std::lock_guard<std::mutex> locker(state().lock);
    state().adapters[0].refusal = error;
}

void injectFault(int exchange, Fault fault)
{
    std::lock_guard<std::mutex> locker(state().lock);
    state().faults[exchange] = fault;
}

void setExchangeHook(std::function<void(int)> hook)
{
    std::lock_guard<std::mutex> locker(state().lock);
    state().hook = std::move(hook);
}

void setTiming(Timing timing)
{
    std::lock_guard<std::mutex> locker(state().lock);
    state().timing = timing;
}

void setRealTimeouts(bool real)
{
    std::lock_guard<std::mutex> locker(state().lock);
    state().realTimeouts = real;
}

QList<QByteArray> transcript()
{
    std::lock_guard<std::mutex> locker(state().lock);
    return state().transcript;
}

void clearTranscript()
{
    std::lock_guard<std::mutex> locker(state().lock);
    state().transcript.clear();
}

int exchangeCount()
{
    std::lock_guard<std::mutex> locker(state().lock);
    return state().exchanges;
}

QList<QPair<quint16, quint16>> openAttempts()
{
    std::lock_guard<std::mutex> locker(state().lock);
    return state().openAttempts;
}

int openHandleCount()
{
    std::lock_guard<std::mutex> locker(state().lock);
    int open = 0;
    for (const auto &handle : state().handles)
        open += handle->closed ? 0 : 1;
    return open;
}

int waitingReadCount()
{
    std::lock_guard<std::mutex> locker(state().lock);
    return state().waitingReads;
}

int closedHandleUseCount()
{
    std::lock_guard<std::mutex> locker(state().lock);
    return state().closedUses;
}

int hidInitCount()
{
    std::lock_guard<std::mutex> locker(state().lock);
    return state().initCount;
}

} // namespace SimAdapter
