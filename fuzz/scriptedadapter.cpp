// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "scriptedadapter.h"

#include "sim/adaptermodel.h"

#include <hidapi/hidapi.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>

struct hid_device_
{
    quint64 plugging;
};

namespace {

constexpr int ReportBytes = AdapterModel::ReportBytes;
constexpr int MaxChunk = AdapterModel::MaxChunk;

using Report = std::array<unsigned char, ReportBytes>;

struct Reply
{
    Report bytes {};
    int count = ReportBytes; // what the read returns; -1 a read error
    bool late = false; // the first read looking for it times out
};

// The last command the program wrote, judged by the read that follows it.
struct Pending
{
    Report command {};
    bool active = false;
};

struct State
{
    std::mutex lock;
    AdapterModel model; // made once: each input resets only what the last one changed
    quint16 product = 0;
    quint64 plugging = 0;
    bool pulled = false;
    const uint8_t *script = nullptr;
    size_t scriptLeft = 0;
    std::deque<Reply> replies;
    Pending pending;
    bool flashingAllowed = false;
    bool flashingFailed = false;
    qint64 verified = 0;
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

quint16 le16(const unsigned char *p)
{
    return quint16(p[0] | p[1] << 8);
}

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

uint8_t next(State &s)
{
    if (s.scriptLeft == 0)
        return 0;
    --s.scriptLeft;
    return *s.script++;
}

bool isFlashing(const Report &command)
{
    return command[1] == 0x55 || command[1] == 0x57;
}

// Judges the reply the program read (count bytes, zero-filled) to the pending command, as the program's
// checks must: a reply cut short fails whatever its bytes say.
void judge(State &s, int count, const Report &read)
{
    if (!s.pending.active)
        return;
    s.pending.active = false;
    const Report &command = s.pending.command;
    if (!isFlashing(command))
        return;
    const quint16 length = le16(command.data() + 6);
    bool intact = count == ReportBytes;
    if (command[1] == 0x55) {
        intact = intact && read[1] == 0x59;
    } else {
        intact = intact && read[1] == 0x58 && le32(read.data() + 2) == le32(command.data() + 2) &&
            le16(read.data() + 6) == length && length <= MaxChunk &&
            std::memcmp(read.data() + 8, command.data() + 8, length) == 0;
        if (intact)
            s.verified += length;
    }
    if (!intact)
        s.flashingFailed = true;
}

bool live(const State &s, const hid_device *dev)
{
    return dev && !s.pulled && dev->plugging == s.plugging;
}

} // namespace

namespace ScriptedAdapter {

void start(quint16 productId, const uint8_t *script, size_t size)
{
    State &s = state();
    std::lock_guard<std::mutex> locker(s.lock);
    s.model.reset();
    s.product = productId;
    ++s.plugging;
    s.pulled = false;
    s.script = script;
    s.scriptLeft = size;
    s.replies.clear();
    s.pending = Pending();
    s.flashingAllowed = false;
    s.flashingFailed = false;
    s.verified = 0;
}

void allowFlashing(bool allowed)
{
    std::lock_guard<std::mutex> locker(state().lock);
    state().flashingAllowed = allowed;
}

qint64 verifiedBytes()
{
    std::lock_guard<std::mutex> locker(state().lock);
    return state().verified;
}

} // namespace ScriptedAdapter

int hid_init(void)
{
    return 0;
}

namespace {
constexpr char NodePath[] = "/dev/hidraw0";
}

hid_device *hid_open(unsigned short vendor_id, unsigned short product_id, const wchar_t *)
{
    State &s = state();
    std::lock_guard<std::mutex> locker(s.lock);
    if (s.pulled || vendor_id != AdapterModel::VendorId || product_id != s.product)
        return nullptr;
    return new hid_device_ {s.plugging};
}

// The program opens by path what enumeration lists. An open here fails only for another product or a
// pulled adapter, which enumeration does not list either: there is never an adapter present that cannot
// be opened.
hid_device_info *hid_enumerate(unsigned short vendor_id, unsigned short product_id)
{
    State &s = state();
    std::lock_guard<std::mutex> locker(s.lock);
    if (s.pulled || s.product == 0 || (vendor_id != 0 && vendor_id != AdapterModel::VendorId) ||
        (product_id != 0 && product_id != s.product))
        return nullptr;
    auto *info = static_cast<hid_device_info *>(std::calloc(1, sizeof(hid_device_info)));
    info->path = strdup(NodePath);
    info->vendor_id = AdapterModel::VendorId;
    info->product_id = s.product;
    return info;
}

void hid_free_enumeration(hid_device_info *devices)
{
    while (devices) {
        hid_device_info *next = devices->next;
        std::free(devices->path);
        std::free(devices);
        devices = next;
    }
}

hid_device *hid_open_path(const char *path)
{
    State &s = state();
    std::lock_guard<std::mutex> locker(s.lock);
    if (s.pulled || !path || std::strcmp(path, NodePath) != 0) {
        errno = ENOENT;
        return nullptr;
    }
    return new hid_device_ {s.plugging};
}

void hid_close(hid_device *dev)
{
    delete dev;
}

int hid_write(hid_device *dev, const unsigned char *data, size_t length)
{
    State &s = state();
    std::lock_guard<std::mutex> locker(s.lock);
    Report command {};
    std::memcpy(command.data(), data + 1, std::min(length - 1, size_t(ReportBytes)));
    if (isFlashing(command) && (!s.flashingAllowed || s.flashingFailed))
        fail(s.flashingAllowed ? "erase or write command after a failed check" : "erase or write command outside an update");

    // A command the program did not read a reply to has failed, as far as it can tell.
    judge(s, -1, Report {});
    const uint8_t action = next(s) % 10;
    if (action == 9)
        s.pulled = true;
    if (!live(s, dev) || action == 7) {
        s.flashingFailed = s.flashingFailed || isFlashing(command);
        return -1;
    }
    s.pending = {command, true};

    Reply reply;
    s.model.answer(command.data(), reply.bytes.data());
    switch (action) {
    case 3: // edited: up to four bytes replaced
        for (int edits = next(s) % 4 + 1; edits > 0; --edits) {
            const int at = next(s) % ReportBytes;
            reply.bytes[size_t(at)] = next(s);
        }
        break;
    case 4: // raw bytes, possibly fewer than a report
        reply.count = next(s) % (ReportBytes + 1);
        for (int i = 0; i < reply.count; ++i)
            reply.bytes[size_t(i)] = next(s);
        std::fill(reply.bytes.begin() + reply.count, reply.bytes.end(), 0);
        break;
    case 5: // no reply at all
        return int(length);
    case 6:
        reply.count = -1;
        break;
    case 8:
        reply.late = true;
        break;
    default: // 0, 1, 2: honest
        break;
    }
    s.replies.push_back(reply);
    return int(length);
}

int hid_read_timeout(hid_device *dev, unsigned char *data, size_t length, int)
{
    State &s = state();
    std::lock_guard<std::mutex> locker(s.lock);
    const Report none {};
    if (!live(s, dev)) {
        judge(s, -1, none);
        return -1;
    }
    // Time-outs are reported at once: a fuzzed run must not wait out the program's reply window.
    if (s.replies.empty() || s.replies.front().late) {
        if (!s.replies.empty())
            s.replies.front().late = false;
        judge(s, 0, none);
        return 0;
    }
    const Reply reply = s.replies.front();
    s.replies.pop_front();
    if (reply.count < 0) {
        judge(s, -1, none);
        return -1;
    }
    const int count = std::min(reply.count, int(length));
    std::memcpy(data, reply.bytes.data(), size_t(count));
    Report seen {};
    std::memcpy(seen.data(), reply.bytes.data(), size_t(count));
    judge(s, count, seen);
    return count;
}
