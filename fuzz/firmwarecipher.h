// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

// The firmware file's layers made and undone with OpenSSL, independently of the program's own cipher: to
// build well-formed files from fuzzed plain text, and to judge what the program accepted.
namespace FirmwareCipher {

// Base64 text of padded (a whole number of 16-byte blocks) enciphered with the tool's key.
QByteArray encipher(const QByteArray &padded);
// The deciphered blocks of a file, padding still attached; empty when the Base64 text is not whole blocks.
QByteArray decipher(const QByteArray &fileData);
QByteArray md5(const QByteArray &data);
// A well-formed file: plain (marker, version, image) with its digest, PKCS#7 padding and the cipher.
QByteArray makeFile(const QByteArray &plain);

} // namespace FirmwareCipher
