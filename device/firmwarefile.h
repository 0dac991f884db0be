// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// A firmware file's layers undone and checked (Base64, AES-128, MD5 digest, type marker, version, image
// size), with no adapter involved: the update checks a file this way, and so can anyone who only wants to
// know whether a file would be accepted. The layers are made here too, for a backup of the adapter's
// firmware and for the files the tests and the demo need.
class FirmwareFile
{
public:
    // Why a file is refused, in the order the checks run.
    enum Fault {
        Fault_None,
        Fault_Unreadable, // missing, a directory, or not readable
        Fault_TooLarge, // far larger than any firmware file: not read into memory
        Fault_Empty,
        Fault_Digest, // padding or MD5 digest wrong: damaged, wrong key, or not a firmware file at all
        Fault_Type, // the type marker is not "Tavrune_M4"
        Fault_Version, // the major version is below 2
        Fault_ImageSize, // the image is empty, or larger than a flash region
    };

    // The largest firmware file is about 171 KiB of Base64; this leaves room for any line layout while
    // keeping a huge file, or a device node that never ends, from being read into memory.
    static constexpr qint64 MaxFileSize = 8 * 1024 * 1024;

    static QByteArray typeMarker(); // "Tavrune_M4"
    static QByteArray cipherKey(); // the 16 bytes every firmware file is enciphered with

    // A well-formed file's bytes carrying versionBytes (major, minor, patch) and image: what the maker
    // ships, and what unpack accepts with that image and version.
    static QByteArray pack(const QByteArray &versionBytes, const QByteArray &image);
    // The steps of pack, for files that spoil one layer on purpose. content (marker, version and image)
    // followed by its MD5 digest; plain with its PKCS#7 padding; the Base64 text of padded, whole blocks,
    // enciphered with AES-128-ECB under key (empty when padded is not whole blocks or key not 16 bytes).
    static QByteArray withDigest(const QByteArray &content);
    static QByteArray padded(const QByteArray &plain);
    static QByteArray encipher(const QByteArray &padded, const QByteArray &key = cipherKey());

    // Reads the file at path; fault() tells what went wrong when data() is empty.
    static FirmwareFile read(const QString &path);
    // Undoes and checks the layers of a file's bytes, logging the reason of a refusal.
    static FirmwareFile unpack(const QByteArray &fileData);

    Fault fault() const { return m_fault; }
    QByteArray data() const { return m_data; } // the file's bytes, after read
    QByteArray image() const { return m_image; } // the firmware image, once the checks passed
    // Major, minor and patch, once the digest and marker checks passed (also for a refused version).
    QByteArray versionBytes() const { return m_versionBytes; }
    QString versionText() const; // "major.minor.patch", empty before the version is known

private:
    Fault m_fault = Fault_None;
    QByteArray m_data;
    QByteArray m_image;
    QByteArray m_versionBytes;
};
