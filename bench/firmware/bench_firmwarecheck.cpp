// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// Time to check the largest firmware file (Base64 decode, AES-128-ECB, PKCS#7, MD5 of a 131072-byte image)
// with the program's own cipher, next to the same work with OpenSSL's, and against the flash time it
// precedes.

#include "crypto/qaesencryption.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <openssl/evp.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

const QByteArray key = QByteArrayLiteral("Lm7#pR2!wQz9&Kx4");
constexpr int imageSize = 131072;

QByteArray opensslEcb(bool encrypt, const QByteArray &in)
{
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    QByteArray out(in.size() + 16, '\0');
    int n = 0;
    int m = 0;
    EVP_CipherInit_ex(ctx, EVP_aes_128_ecb(), nullptr,
        reinterpret_cast<const unsigned char *>(key.constData()), nullptr, encrypt ? 1 : 0);
    EVP_CipherUpdate(ctx, reinterpret_cast<unsigned char *>(out.data()), &n,
        reinterpret_cast<const unsigned char *>(in.constData()), in.size());
    EVP_CipherFinal_ex(ctx, reinterpret_cast<unsigned char *>(out.data()) + n, &m);
    EVP_CIPHER_CTX_free(ctx);
    return out.left(n + m);
}

double medianOf(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Runs the two sides alternately, so that neither gains from running first (warm caches, a clock that is
// still rising, an allocator that has settled), and gives the median of each side, in milliseconds.
std::pair<double, double> medianMs(int runs, const std::function<QByteArray()> &ours,
    const std::function<QByteArray()> &theirs, QByteArray &oursResult, QByteArray &theirsResult)
{
    std::vector<double> oursTimes;
    std::vector<double> theirsTimes;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        timer.start();
        oursResult = ours();
        oursTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
        timer.start();
        theirsResult = theirs();
        theirsTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return {medianOf(oursTimes), medianOf(theirsTimes)};
}

} // namespace

int main(int argc, char **argv)
{
    // Compare with OpenSSL's software AES, not with the processor's AES instructions. OpenSSL reads this
    // mask as it is loaded, so the benchmark starts itself again with it.
    if (qEnvironmentVariableIsEmpty("OPENSSL_ia32cap")) {
        qputenv("OPENSSL_ia32cap", "~0x200000200000000");
        execv("/proc/self/exe", argv);
    }
    QCoreApplication app(argc, argv);

    QByteArray plain = QByteArrayLiteral("Tavrune_M4") + QByteArray::fromHex("020304");
    QByteArray image(imageSize, '\0');
    for (char &byte : image)
        byte = char(QRandomGenerator::global()->bounded(256));
    plain += image;
    plain += QCryptographicHash::hash(plain, QCryptographicHash::Md5);
    const QByteArray file = opensslEcb(true, plain).toBase64();

    const auto ours = [&] {
        QAESEncryption aes(QAESEncryption::AES128, QAESEncryption::ECB, QAESEncryption::PKCS7Padding);
        const QByteArray p = QAESEncryption::removePadding(
            aes.decode(QByteArray::fromBase64(file), key), QAESEncryption::PKCS7Padding);
        return QCryptographicHash::hash(p.left(p.size() - 16), QCryptographicHash::Md5);
    };
    const auto openssl = [&] {
        const QByteArray p = opensslEcb(false, QByteArray::fromBase64(file));
        return QCryptographicHash::hash(p.left(p.size() - 16), QCryptographicHash::Md5);
    };

    // The cipher alone, on the Base64-decoded file.
    const QByteArray cipherText = QByteArray::fromBase64(file);
    const auto oursCipher = [&] {
        QAESEncryption aes(QAESEncryption::AES128, QAESEncryption::ECB, QAESEncryption::PKCS7Padding);
        return aes.decode(cipherText, key);
    };
    const auto opensslCipher = [&] { return opensslEcb(false, cipherText); };

    const int runs = 51;
    QByteArray oursDigest;
    QByteArray opensslDigest;
    const auto [oursMs, opensslMs] = medianMs(runs, ours, openssl, oursDigest, opensslDigest);
    QByteArray oursPlain;
    QByteArray opensslPlain;
    const auto [oursCipherMs, opensslCipherMs] =
        medianMs(runs, oursCipher, opensslCipher, oursPlain, opensslPlain);
    if (oursDigest != opensslDigest || oursDigest != plain.right(16) ||
        QAESEncryption::removePadding(oursPlain, QAESEncryption::PKCS7Padding) != opensslPlain) {
        std::fprintf(stderr, "the two checks disagree\n");
        return 1;
    }

    // The flash that follows: 2341 image chunks, 5 block chunks, 2 erases and 5 read-back exchanges at the
    // full-speed bus bound of 2 ms each.
    const double flashMs = (2341 + 5 + 2 + 5) * 2.0;
    std::printf("file %d bytes of Base64, image %d bytes, median of %d runs\n", file.size(), imageSize, runs);
    std::printf("check with QAESEncryption: %.3f ms\n", oursMs);
    std::printf("check with OpenSSL (software AES): %.3f ms\n", opensslMs);
    std::printf("ratio QAESEncryption / OpenSSL: %.2f\n", oursMs / opensslMs);
    std::printf("deciphering alone: QAESEncryption %.3f ms, OpenSSL %.3f ms, ratio %.2f\n", oursCipherMs,
        opensslCipherMs, oursCipherMs / opensslCipherMs);
    std::printf("check / flash time (%.0f ms): 1/%.0f (goal: below 1/100)\n", flashMs, flashMs / oursMs);
    return oursMs < flashMs / 100 ? 0 : 2;
}
