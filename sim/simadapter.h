// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include "adaptermodel.h"

#include <QByteArray>
#include <QList>
#include <QPair>

#include <functional>

// A simulated Tavrune M4 behind the hidapi functions the program calls (hid_init, hid_enumerate,
// hid_free_enumeration, hid_open, hid_open_path, hid_read_timeout, hid_write, hid_close), so that everything
// above hidapi runs unchanged. It answers the four commands as AdapterModel does, can fail any exchange
// or every open on purpose and records every report it receives. Thread-safe; the control functions may be
// called while a device task is running.
//
// Up to AdapterSlots adapters can be plugged in at once, each at its own node ("/dev/hidraw0",
// "/dev/hidraw1", ... after reset()) with its own flash, product ID and serial number ("TVR-M4-0001", ...);
// enumeration and hid_open list them in slot order. The functions without a slot act on slot 0; faults,
// the exchange count, the hook, the timing and the transcript are shared by all of them.
namespace SimAdapter {

// What goes wrong at an injected exchange (the n-th hid_write on an open handle, counted from 0).
enum class Fault {
    NoReply, // the adapter never answers: the read times out
    ReadError, // the reply read fails with -1
    WriteError, // the command write fails with -1; the adapter never sees the command
    WrongCode, // the reply code has its lowest bit flipped (a read answered with 0x59, ...)
    WrongAddress, // the address echo is one higher
    WrongLength, // the length echo has its lowest bit flipped
    DataMismatch, // the last data byte of the reply is inverted (the write echo, or the data read)
    LateReply, // the reply misses its read's window and is read by the next command instead
    ShortReply, // only the reply's first 10 bytes arrive
    Pulled, // the adapter is unplugged as this command arrives: this write and every later call fail
};

enum class Timing {
    ZeroLatency, // replies are there at once
    FullSpeed, // one report each way per 1 ms USB frame: an exchange takes at least 2 ms
    Slow, // one report each way per 4 ms, as behind a busy hub: an exchange takes at least 8 ms
};

constexpr quint16 VendorId = AdapterModel::VendorId;
constexpr quint32 FlashBase = AdapterModel::FlashBase;
constexpr int FlashSize = int(AdapterModel::FlashSize);
constexpr int AdapterSlots = 4;

// Nothing plugged; the flash of an adapter fresh from the factory (AdapterModel::reset()); no faults; empty transcript; zero latency;
// time-outs reported at once. Handles still held by the program go stale.
void reset();

// Plugs the adapter in under productId (0 unplugs it). Handles opened before a change go stale.
void plug(quint16 productId);
void plug(int slot, quint16 productId);

void setHardwareVersion(quint8 major, quint8 minor, quint8 patch);
void setBootVersion(quint8 major, quint8 minor, quint8 patch);
void setFirmwareVersion(quint8 major, quint8 minor, quint8 patch);
void setFirmwareVersion(int slot, quint8 major, quint8 minor, quint8 patch);
// Start and end marker of the 256-byte block at blockAddress (0x55 and 0xAA are the valid ones).
void setMarkers(quint32 blockAddress, quint8 start, quint8 end);
void setFlash(quint32 address, const QByteArray &bytes);
void setFlash(int slot, quint32 address, const QByteArray &bytes);
QByteArray flash(quint32 address, int length);
QByteArray flash(int slot, quint32 address, int length);

// The node the adapter enumerates at while plugged in ("/dev/hidraw0" after reset()).
void setNodePath(const QByteArray &path);
QByteArray nodePath(int slot);
// Makes every open of the plugged adapter fail, as the system's open(2) of its node would, with errno set
// to error (EACCES: no access for this user; EBUSY: held by another program). 0 lets opens succeed again.
// Enumeration still lists the adapter, as it does without access to the node.
void refuseOpen(int error);

void injectFault(int exchange, Fault fault);
// Runs on the writing thread whenever a command report arrives, before the adapter answers it.
void setExchangeHook(std::function<void(int exchange)> hook);
void setTiming(Timing timing);
// Whether a read with no reply to come waits its whole time-out (true) or reports the time-out at once.
void setRealTimeouts(bool real);

// Every command report the adapter received, as written (65 bytes, report ID first).
QList<QByteArray> transcript();
void clearTranscript();
int exchangeCount();
// Every hid_open call and every enumeration of one pair (both IDs given, as an open by path makes to find
// the device hid_open would take), as (vendor ID, product ID).
QList<QPair<quint16, quint16>> openAttempts();
int openHandleCount(); // opened and not yet closed
int waitingReadCount(); // reads now waiting for a reply
int closedHandleUseCount(); // reads and writes attempted on a handle after hid_close: always a fault
int hidInitCount();

} // namespace SimAdapter
