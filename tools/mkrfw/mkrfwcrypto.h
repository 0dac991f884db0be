// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// The three layers of a firmware file, from a library independent of the program's own cipher: OpenSSL, and
// on Windows, which has no OpenSSL of ours, the system's own CNG.
namespace MkrfwCrypto {

using Bytes = std::vector<unsigned char>;

bool md5(const Bytes &data, Bytes &digest);
// AES-128-ECB without padding of its own: padded is a whole number of blocks.
bool encryptEcb(const Bytes &padded, const std::string &key, Bytes &out);
std::string base64(const Bytes &data);

} // namespace MkrfwCrypto
