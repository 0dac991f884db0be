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

// Median of the runs, in milliseconds.
double medianMs(int runs, const std::function<QByteArray()> &work, QByteArray &result)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        result = work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
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

    const int runs = 51;
    QByteArray oursDigest;
    QByteArray opensslDigest;
    const double oursMs = medianMs(runs, ours, oursDigest);
    const double opensslMs = medianMs(runs, openssl, opensslDigest);
    if (oursDigest != opensslDigest || oursDigest != plain.right(16)) {
        std::fprintf(stderr, "the two checks disagree\n");
        return 1;
    }

    // The flash that follows: 2341 image chunks, 5 block chunks, 2 erases and 5 read-back exchanges at the
    // full-speed bus bound of 2 ms each.
    const double flashMs = (2341 + 5 + 2 + 5) * 2.0;
    std::printf("file %d bytes of Base64, image %d bytes, median of %d runs\n", file.size(), imageSize, runs);
    std::printf("check with QAESEncryption: %.3f ms\n", oursMs);
    std::printf("check with OpenSSL:        %.3f ms\n", opensslMs);
    std::printf("ratio QAESEncryption / OpenSSL: %.2f\n", oursMs / opensslMs);
    std::printf("check / flash time (%.0f ms): 1/%.0f (goal: below 1/100)\n", flashMs, flashMs / oursMs);
    return oursMs < flashMs / 100 ? 0 : 2;
}
