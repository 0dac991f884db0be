// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "firmwarecipher.h"

#include <openssl/evp.h>

#include <memory>

namespace FirmwareCipher {

namespace {

const unsigned char key[] = "Lm7#pR2!wQz9&Kx4";

} // namespace

QByteArray decipher(const QByteArray &fileData)
{
    const QByteArray in = QByteArray::fromBase64(fileData);
    if (in.size() % 16 != 0)
        return QByteArray();
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    QByteArray out(in.size() + 16, '\0');
    int written = 0;
    int last = 0;
    auto *o = reinterpret_cast<unsigned char *>(out.data());
    if (!EVP_CipherInit_ex(ctx.get(), EVP_aes_128_ecb(), nullptr, key, nullptr, 0) ||
        !EVP_CIPHER_CTX_set_padding(ctx.get(), 0) ||
        !EVP_CipherUpdate(ctx.get(), o, &written, reinterpret_cast<const unsigned char *>(in.constData()),
                          in.size()) ||
        !EVP_CipherFinal_ex(ctx.get(), o + written, &last))
        qFatal("OpenSSL AES failed");
    out.resize(written + last);
    return out;
}

QByteArray md5(const QByteArray &data)
{
    QByteArray digest(EVP_MAX_MD_SIZE, '\0');
    unsigned int length = 0;
    if (!EVP_Digest(data.constData(), size_t(data.size()), reinterpret_cast<unsigned char *>(digest.data()),
                    &length, EVP_md5(), nullptr))
        qFatal("OpenSSL MD5 failed");
    digest.resize(int(length));
    return digest;
}

} // namespace FirmwareCipher
