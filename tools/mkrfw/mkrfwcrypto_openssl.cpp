// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "mkrfwcrypto.h"

#include <openssl/evp.h>

namespace MkrfwCrypto {

bool md5(const Bytes &data, Bytes &digest)
{
    digest.resize(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    if (!EVP_Digest(data.data(), data.size(), digest.data(), &length, EVP_md5(), nullptr))
        return false;
    digest.resize(length);
    return true;
}

bool encryptEcb(const Bytes &padded, const std::string &key, Bytes &out)
{
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    out.resize(padded.size() + 16);
    int written = 0;
    int finalWritten = 0;
    const bool ok = EVP_EncryptInit_ex(ctx, EVP_aes_128_ecb(), nullptr,
                        reinterpret_cast<const unsigned char *>(key.data()), nullptr) &&
        EVP_CIPHER_CTX_set_padding(ctx, 0) &&
        EVP_EncryptUpdate(ctx, out.data(), &written, padded.data(), int(padded.size())) &&
        EVP_EncryptFinal_ex(ctx, out.data() + written, &finalWritten);
    EVP_CIPHER_CTX_free(ctx);
    out.resize(size_t(written + finalWritten));
    return ok;
}

std::string base64(const Bytes &data)
{
    std::string text(4 * ((data.size() + 2) / 3) + 1, '\0');
    const int length =
        EVP_EncodeBlock(reinterpret_cast<unsigned char *>(&text[0]), data.data(), int(data.size()));
    text.resize(size_t(length));
    return text;
}

} // namespace MkrfwCrypto
