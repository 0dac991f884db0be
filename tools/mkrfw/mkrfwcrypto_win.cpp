// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "mkrfwcrypto.h"

#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>

namespace MkrfwCrypto {

bool md5(const Bytes &data, Bytes &digest)
{
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    digest.resize(16);
    const bool ok = BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_MD5_ALGORITHM, nullptr, 0)) &&
        BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0)) &&
        BCRYPT_SUCCESS(BCryptHashData(hash, const_cast<PUCHAR>(data.data()), ULONG(data.size()), 0)) &&
        BCRYPT_SUCCESS(BCryptFinishHash(hash, digest.data(), ULONG(digest.size()), 0));
    if (hash)
        BCryptDestroyHash(hash);
    if (algorithm)
        BCryptCloseAlgorithmProvider(algorithm, 0);
    return ok;
}

bool encryptEcb(const Bytes &padded, const std::string &key, Bytes &out)
{
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_KEY_HANDLE handle = nullptr;
    Bytes secret(key.begin(), key.end());
    out.resize(padded.size());
    ULONG written = 0;
    const bool ok = key.size() == 16 &&
        BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_AES_ALGORITHM, nullptr, 0)) &&
        BCRYPT_SUCCESS(BCryptSetProperty(algorithm, BCRYPT_CHAINING_MODE,
                                         reinterpret_cast<PUCHAR>(const_cast<wchar_t *>(BCRYPT_CHAIN_MODE_ECB)),
                                         sizeof(BCRYPT_CHAIN_MODE_ECB), 0)) &&
        BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(algorithm, &handle, nullptr, 0, secret.data(), ULONG(secret.size()), 0)) &&
        BCRYPT_SUCCESS(BCryptEncrypt(handle, const_cast<PUCHAR>(padded.data()), ULONG(padded.size()), nullptr,
                                     nullptr, 0, out.data(), ULONG(out.size()), &written, 0));
    if (handle)
        BCryptDestroyKey(handle);
    if (algorithm)
        BCryptCloseAlgorithmProvider(algorithm, 0);
    out.resize(written);
    return ok && written == padded.size();
}

std::string base64(const Bytes &data)
{
    if (data.empty())
        return std::string();
    DWORD length = 0;
    const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    if (!CryptBinaryToStringA(data.data(), DWORD(data.size()), flags, nullptr, &length))
        return std::string();
    std::string text(length, '\0');
    if (!CryptBinaryToStringA(data.data(), DWORD(data.size()), flags, &text[0], &length))
        return std::string();
    text.resize(length); // without the terminating NUL it counted before
    return text;
}

} // namespace MkrfwCrypto
