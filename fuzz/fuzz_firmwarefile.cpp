// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// The firmware file check, from a file's bytes to the image and version it lets through.
//
// The first input byte says how the rest becomes a file. Bit 0 clear: the rest is the file as it stands
// on disk. Bit 0 set: the rest is a plain text (marker, version, image) that the program's own writer
// enciphers, so that the fuzzer reaches the checks behind the cipher; bit 1 appends the text's correct
// digest, bit 3 breaks the Base64 text into CRLF lines, and bits 2 and 4 spoil the PKCS#7 padding with the
// next input bytes: bit 2 all its bytes but the last, bit 4 its last byte, the count.
//
// Invariant: a file is accepted exactly when it is well formed, and then with its own image and version.

#include "device/firmwarefile.h"
#include "device/flashimage.h"
#include "firmwarecipher.h"
#include "fuzzapplication.h"

#include <cstdint>
#include <cstdlib>
#include <cstdio>

namespace {

QByteArray fileFrom(const uint8_t *data, size_t size)
{
    const auto mode = data[0];
    QByteArray rest(reinterpret_cast<const char *>(data + 1), int(size - 1));
    if (!(mode & 1))
        return rest;

    // Bytes that spoil the padding: those before its last one (bit 2), its last one, the count (bit 4).
    QByteArray spoilt;
    for (const int bit : {4, 16}) {
        if (mode & bit && !rest.isEmpty()) {
            spoilt.append(rest.at(0));
            rest.remove(0, 1);
        } else {
            spoilt.append('\0');
        }
    }
    QByteArray padded = rest;
    if (mode & 2)
        padded += FirmwareCipher::md5(rest);
    const int count = 16 - padded.size() % 16;
    padded.append(count, char(count));
    if (mode & 4)
        padded.replace(padded.size() - count, count - 1, QByteArray(count - 1, spoilt.at(0)));
    if (mode & 16)
        padded[padded.size() - 1] = spoilt.at(1);
    QByteArray file = FirmwareFile::encipher(padded);
    if (mode & 8) {
        for (int at = 64; at < file.size(); at += 66)
            file.insert(at, "\r\n");
    }
    return file;
}

// What a well-formed file carries, judged with OpenSSL; false when it is not one.
bool readWellFormed(const QByteArray &file, QByteArray &version, QByteArray &image)
{
    const QByteArray deciphered = FirmwareCipher::decipher(file);
    if (deciphered.isEmpty())
        return false;
    const int count = quint8(deciphered.back());
    if (count < 1 || count > 16 || !deciphered.endsWith(QByteArray(count, char(count))))
        return false;
    const QByteArray plain = deciphered.chopped(count);
    constexpr int header = 13;
    constexpr int digest = 16;
    if (plain.size() <= header + digest)
        return false;
    const QByteArray signedPart = plain.chopped(digest);
    if (FirmwareCipher::md5(signedPart) != plain.right(digest) || !signedPart.startsWith("Tavrune_M4") ||
        qint8(signedPart.at(10)) < 2 || signedPart.size() - header > FlashRegion::Capacity)
        return false;
    version = signedPart.mid(10, 3);
    image = signedPart.mid(header);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    startFuzzApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray file = fileFrom(data, size);
    const FirmwareFile unpacked = FirmwareFile::unpack(file);

    QByteArray version;
    QByteArray image;
    const bool wellFormed = readWellFormed(file, version, image);
    const bool accepted = unpacked.fault() == FirmwareFile::Fault_None;
    if (accepted != wellFormed) {
        std::fprintf(stderr, "firmware file %s although it is %s well formed\n",
                     accepted ? "accepted" : "refused", wellFormed ? "" : "not");
        std::abort();
    }
    if (accepted && (unpacked.versionBytes() != version || unpacked.image() != image)) {
        std::fprintf(stderr, "accepted firmware file gives another image or version\n");
        std::abort();
    }
    if (!accepted && !unpacked.image().isEmpty()) {
        std::fprintf(stderr, "refused firmware file still gives an image\n");
        std::abort();
    }
    return 0;
}
