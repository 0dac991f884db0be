// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <vector>

// The Tavrune M4 as its command protocol shows it to the host: a flash with its three blocks and the
// answers to the four commands. No transport, no timing and no faults: the simulated adapter, the fuzzed
// adapter and the emulated hidraw node each carry their own and answer every honest reply through this.
// Not thread-safe; its owner serialises the calls.
//
// What the adapter does is its firmware's business; where the host relies on nothing, these are the
// decisions, each made once here:
// - Every command gets exactly one reply, so that an exchange is always one report each way. The reply is
//   the command's first 8 bytes with the reply code in place of the command code, then 56 data bytes.
// - A command the adapter cannot carry out (an unknown code, a length outside 1 to 56, a range outside
//   the flash, an erase whose length field is not 8) is answered with reply code 0x00 and zero data: it
//   changes nothing, and every reply check of the host rejects it.
// - Erase (0x55) sets its range to 0xFF and answers 0x59 with zero data.
// - Read (0x56) answers 0x58 with the flash content.
// - Write (0x57) programs as flash does: it can only clear bits, so each flash byte becomes the AND of
//   what it held and what was sent. The echo is what the flash holds afterwards, so a write over flash
//   that was not erased comes back different from what was sent, and the host's echo check catches it.
// - Probe (0x5B) answers 0x5B with zero data, whatever its data byte.
// - The product ID the adapter enumerates under does not change its answers; under a probe-only ID the
//   host sends nothing but the probe.
class AdapterModel
{
public:
    static constexpr quint16 VendorId = 0x0E3A;
    static constexpr quint16 ProductIds[] = {0xB274, 0xB275, 0xB270};
    static constexpr int ReportBytes = 64; // without the report ID
    static constexpr int MaxChunk = 56;
    static constexpr quint32 FlashBase = 0x08000000;
    static constexpr quint32 FlashSize = 0x40000;
    static constexpr quint32 DeviceConfig = 0x08004000;
    static constexpr quint32 FirmwareInfo = 0x08004100;
    static constexpr quint32 ExtraConfig = 0x08004200;
    static constexpr quint32 FirmwareArea = 0x08005000;
    static constexpr int BlockSize = 256;

    // Fresh from the factory: see reset().
    AdapterModel();

    // Whether the host only probes the adapter under productId, never reading or writing its flash.
    static bool isProbeOnly(quint16 productId);
    // Whether [address, address + length) lies inside the flash.
    static bool inFlash(quint32 address, quint32 length);

    // Back to the factory's flash: 0xFF everywhere but the three blocks, which are zero but for their
    // valid markers (0x55 first, 0xAA last), hardware 1.0.0 and boot 2.0.0 in the configuration block,
    // and the firmware area's address and firmware 2.1.0 in the information block. Restores only what
    // changed since the last reset, so that it costs little however often it runs.
    void reset();

    // Answers one command (ReportBytes bytes, without the report ID) into reply (ReportBytes bytes).
    void answer(const unsigned char *command, unsigned char *reply);

    // The flash as stored, outside the protocol: a range outside the flash reads as empty and is not stored.
    QByteArray flash(quint32 address, int length) const;
    void setFlash(quint32 address, const QByteArray &bytes);
    // Three version bytes at address (hardware at DeviceConfig + 1, boot at + 4, firmware at FirmwareInfo + 5).
    void setVersion(quint32 address, quint8 major, quint8 minor, quint8 patch);
    // Start and end marker of the block at blockAddress.
    void setMarkers(quint32 blockAddress, quint8 start, quint8 end);

private:
    unsigned char *at(quint32 address);
    void touch(quint32 address, quint32 length); // widens the range that reset() restores

    std::vector<unsigned char> m_flash;
    quint32 m_touchedFrom; // offsets into m_flash; empty when equal
    quint32 m_touchedTo;
};
