// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

// The firmware file's layers undone with OpenSSL, independently of the program's own cipher: to judge what
// the program accepted.
namespace FirmwareCipher {

// The deciphered blocks of a file, padding still attached; empty when the Base64 text is not whole blocks.
QByteArray decipher(const QByteArray &fileData);
QByteArray md5(const QByteArray &data);

} // namespace FirmwareCipher
