// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "crypto/qaesencryption.h"

#include <QRandomGenerator>
#include <QtTest>

#include <openssl/evp.h>

Q_DECLARE_METATYPE(QAESEncryption::AesLevel)
Q_DECLARE_METATYPE(QAESEncryption::AesMode)
Q_DECLARE_METATYPE(QAESEncryption::AesPadding)

namespace {

const EVP_CIPHER *opensslCipher(QAESEncryption::AesLevel level, QAESEncryption::AesMode mode)
{
    static const EVP_CIPHER *(*const table[3][4])() = {
        {EVP_aes_128_ecb, EVP_aes_128_cbc, EVP_aes_128_cfb128, EVP_aes_128_ofb},
        {EVP_aes_192_ecb, EVP_aes_192_cbc, EVP_aes_192_cfb128, EVP_aes_192_ofb},
        {EVP_aes_256_ecb, EVP_aes_256_cbc, EVP_aes_256_cfb128, EVP_aes_256_ofb},
    };
    return table[level][mode]();
}

// Enciphers without padding, so that the result is the input of a decode.
QByteArray opensslEncrypt(QAESEncryption::AesLevel level, QAESEncryption::AesMode mode, const QByteArray &key,
    const QByteArray &iv, const QByteArray &plain)
{
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    QByteArray out(plain.size() + 16, '\0');
    int written = 0;
    int finalWritten = 0;
    const bool ok = EVP_EncryptInit_ex(ctx, opensslCipher(level, mode), nullptr,
                        reinterpret_cast<const unsigned char *>(key.constData()),
                        iv.isEmpty() ? nullptr : reinterpret_cast<const unsigned char *>(iv.constData())) &&
        EVP_CIPHER_CTX_set_padding(ctx, 0) &&
        EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char *>(out.data()), &written,
            reinterpret_cast<const unsigned char *>(plain.constData()), plain.size()) &&
        EVP_EncryptFinal_ex(ctx, reinterpret_cast<unsigned char *>(out.data()) + written, &finalWritten);
    EVP_CIPHER_CTX_free(ctx);
    return ok ? out.left(written + finalWritten) : QByteArray();
}

QByteArray randomBytes(int length)
{
    QByteArray bytes(length, '\0');
    for (char &byte : bytes)
        byte = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

const QByteArray fipsPlain = QByteArray::fromHex("00112233445566778899aabbccddeeff");
const QByteArray fipsKey128 = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
const QByteArray fipsKey192 = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f1011121314151617");
const QByteArray fipsKey256 =
    QByteArray::fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");

// The four plain-text blocks shared by every example of the modes-of-operation standard.
const QByteArray nistPlain = QByteArray::fromHex("6bc1bee22e409f96e93d7e117393172a"
                                                 "ae2d8a571e03ac9c9eb76fac45af8e51"
                                                 "30c81c46a35ce411e5fbc1191a0a52ef"
                                                 "f69f2445df4f9b17ad2b417be66c3710");
const QByteArray nistKey128 = QByteArray::fromHex("2b7e151628aed2a6abf7158809cf4f3c");
const QByteArray nistKey192 = QByteArray::fromHex("8e73b0f7da0e6452c810f32b809079e562f8ead2522c6b7b");
const QByteArray nistKey256 =
    QByteArray::fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
const QByteArray nistIv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");

} // namespace

class TestQAESEncryption : public QObject
{
    Q_OBJECT

private slots:
    void decodeGivesStandardPlainText_data();
    void decodeGivesStandardPlainText();
    void expandKeyGivesStandardSchedule_data();
    void expandKeyGivesStandardSchedule();
    void removePaddingStripsOnlyValidPadding_data();
    void removePaddingStripsOnlyValidPadding();
    void decodeRefusesUnusableInput_data();
    void decodeRefusesUnusableInput();
    void decodeReadsOnlyTheLevelsKeyLength();
    void unknownLevelIsTakenAsAes128();
    void decodeMatchesOpenSslOnRandomInput();
};

void TestQAESEncryption::decodeGivesStandardPlainText_data()
{
    QTest::addColumn<QAESEncryption::AesLevel>("level");
    QTest::addColumn<QAESEncryption::AesMode>("mode");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("iv");
    QTest::addColumn<QByteArray>("cipherText");
    QTest::addColumn<QByteArray>("plainText");

    using A = QAESEncryption;
    const auto hex = [](const char *text) { return QByteArray::fromHex(text); };

    QTest::addRow("FIPS-197 C.1 AES-128") << A::AES128 << A::ECB << fipsKey128 << QByteArray()
                                          << hex("69c4e0d86a7b0430d8cdb78070b4c55a") << fipsPlain;
    QTest::addRow("FIPS-197 C.2 AES-192") << A::AES192 << A::ECB << fipsKey192 << QByteArray()
                                          << hex("dda97ca4864cdfe06eaf70a0ec0d7191") << fipsPlain;
    QTest::addRow("FIPS-197 C.3 AES-256") << A::AES256 << A::ECB << fipsKey256 << QByteArray()
                                          << hex("8ea2b7ca516745bfeafc49904b496089") << fipsPlain;

    QTest::addRow("SP 800-38A F.1.2 ECB-AES128")
        << A::AES128 << A::ECB << nistKey128 << QByteArray()
        << hex("3ad77bb40d7a3660a89ecaf32466ef97f5d3d58503b9699de785895a96fdbaaf"
               "43b1cd7f598ece23881b00e3ed0306887b0c785e27e8ad3f8223207104725dd4")
        << nistPlain;
    QTest::addRow("SP 800-38A F.1.4 ECB-AES192")
        << A::AES192 << A::ECB << nistKey192 << QByteArray()
        << hex("bd334f1d6e45f25ff712a214571fa5cc974104846d0ad3ad7734ecb3ecee4eef"
               "ef7afd2270e2e60adce0ba2face6444e9a4b41ba738d6c72fb16691603c18e0e")
        << nistPlain;
    QTest::addRow("SP 800-38A F.1.6 ECB-AES256")
        << A::AES256 << A::ECB << nistKey256 << QByteArray()
        << hex("f3eed1bdb5d2a03c064b5a7e3db181f8591ccb10d410ed26dc5ba74a31362870"
               "b6ed21b99ca6f4f9f153e7b1beafed1d23304b7a39f9f3ff067d8d8f9e24ecc7")
        << nistPlain;

    QTest::addRow("SP 800-38A F.2.2 CBC-AES128")
        << A::AES128 << A::CBC << nistKey128 << nistIv
        << hex("7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
               "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7")
        << nistPlain;
    QTest::addRow("SP 800-38A F.2.4 CBC-AES192")
        << A::AES192 << A::CBC << nistKey192 << nistIv
        << hex("4f021db243bc633d7178183a9fa071e8b4d9ada9ad7dedf4e5e738763f69145a"
               "571b242012fb7ae07fa9baac3df102e008b0e27988598881d920a9e64f5615cd")
        << nistPlain;
    QTest::addRow("SP 800-38A F.2.6 CBC-AES256")
        << A::AES256 << A::CBC << nistKey256 << nistIv
        << hex("f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
               "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b")
        << nistPlain;

    QTest::addRow("SP 800-38A F.3.14 CFB128-AES128")
        << A::AES128 << A::CFB << nistKey128 << nistIv
        << hex("3b3fd92eb72dad20333449f8e83cfb4ac8a64537a0b3a93fcde3cdad9f1ce58b"
               "26751f67a3cbb140b1808cf187a4f4dfc04b05357c5d1c0eeac4c66f9ff7f2e6")
        << nistPlain;
    QTest::addRow("SP 800-38A F.3.16 CFB128-AES192")
        << A::AES192 << A::CFB << nistKey192 << nistIv
        << hex("cdc80d6fddf18cab34c25909c99a417467ce7f7f81173621961a2b70171d3d7a"
               "2e1e8a1dd59b88b1c8e60fed1efac4c9c05f9f9ca9834fa042ae8fba584b09ff")
        << nistPlain;
    QTest::addRow("SP 800-38A F.3.18 CFB128-AES256")
        << A::AES256 << A::CFB << nistKey256 << nistIv
        << hex("dc7e84bfda79164b7ecd8486985d386039ffed143b28b1c832113c6331e5407b"
               "df10132415e54b92a13ed0a8267ae2f975a385741ab9cef82031623d55b1e471")
        << nistPlain;

    QTest::addRow("SP 800-38A F.4.2 OFB-AES128")
        << A::AES128 << A::OFB << nistKey128 << nistIv
        << hex("3b3fd92eb72dad20333449f8e83cfb4a7789508d16918f03f53c52dac54ed825"
               "9740051e9c5fecf64344f7a82260edcc304c6528f659c77866a510d9c1d6ae5e")
        << nistPlain;
    QTest::addRow("SP 800-38A F.4.4 OFB-AES192")
        << A::AES192 << A::OFB << nistKey192 << nistIv
        << hex("cdc80d6fddf18cab34c25909c99a4174fcc28b8d4c63837c09e81700c1100401"
               "8d9a9aeac0f6596f559c6d4daf59a5f26d9f200857ca6c3e9cac524bd9acc92a")
        << nistPlain;
    QTest::addRow("SP 800-38A F.4.6 OFB-AES256")
        << A::AES256 << A::OFB << nistKey256 << nistIv
        << hex("dc7e84bfda79164b7ecd8486985d38604febdc6740d20b3ac88f6ad82a4fb08d"
               "71ab47a086e86eedf39d1c5bba97c4080126141d67f37be8538f5a8be740e484")
        << nistPlain;
}

void TestQAESEncryption::decodeGivesStandardPlainText()
{
    QFETCH(QAESEncryption::AesLevel, level);
    QFETCH(QAESEncryption::AesMode, mode);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, iv);
    QFETCH(QByteArray, cipherText);
    QFETCH(QByteArray, plainText);

    // The vectors were typed in by hand: an independent implementation must agree with them first.
    QCOMPARE(opensslEncrypt(level, mode, key, iv, plainText).toHex(), cipherText.toHex());

    QAESEncryption aes(level, mode, QAESEncryption::PKCS7Padding);
    QCOMPARE(aes.decode(cipherText, key, iv).toHex(), plainText.toHex());
    QCOMPARE(
        aes.encode(plainText, key).toHex(), mode == QAESEncryption::ECB ? cipherText.toHex() : QByteArray());

    // The stream modes also decipher a cut-off text, as far as it goes.
    if (mode == QAESEncryption::CFB || mode == QAESEncryption::OFB)
        QCOMPARE(aes.decode(cipherText.left(37), key, iv).toHex(), plainText.left(37).toHex());
}

void TestQAESEncryption::expandKeyGivesStandardSchedule_data()
{
    QTest::addColumn<QAESEncryption::AesLevel>("level");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("lastRoundKey");

    QTest::addRow("AES-128") << QAESEncryption::AES128 << nistKey128
                             << QByteArray::fromHex("d014f9a8c9ee2589e13f0cc8b6630ca6");
    QTest::addRow("AES-192") << QAESEncryption::AES192 << nistKey192
                             << QByteArray::fromHex("e98ba06f448c773c8ecc720401002202");
    QTest::addRow("AES-256") << QAESEncryption::AES256 << nistKey256
                             << QByteArray::fromHex("fe4890d1e6188d0b046df344706c631e");
}

void TestQAESEncryption::expandKeyGivesStandardSchedule()
{
    QFETCH(QAESEncryption::AesLevel, level);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, lastRoundKey);

    QAESEncryption aes(level, QAESEncryption::ECB, QAESEncryption::PKCS7Padding);
    const QByteArray expanded = aes.expandKey(key);
    const int rounds = 10 + 2 * int(level);
    QCOMPARE(expanded.size(), (rounds + 1) * 16);
    QCOMPARE(expanded.left(key.size()).toHex(), key.toHex());
    QCOMPARE(expanded.right(16).toHex(), lastRoundKey.toHex());
}

void TestQAESEncryption::removePaddingStripsOnlyValidPadding_data()
{
    QTest::addColumn<QAESEncryption::AesPadding>("padding");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("expected");

    using A = QAESEncryption;
    const auto hex = [](const char *text) { return QByteArray::fromHex(text); };
    const QByteArray fullBlock(16, '\x10');

    QTest::addRow("PKCS7 whole padding block")
        << A::PKCS7Padding << hex("41424344") + fullBlock << hex("41424344");
    QTest::addRow("PKCS7 one byte") << A::PKCS7Padding << hex("414201") << hex("4142");
    QTest::addRow("PKCS7 whole array") << A::PKCS7Padding << hex("030303") << QByteArray();
    QTest::addRow("PKCS7 count zero") << A::PKCS7Padding << hex("414200") << hex("414200");
    QTest::addRow("PKCS7 count negative") << A::PKCS7Padding << hex("414290") << hex("414290");
    QTest::addRow("PKCS7 count above length") << A::PKCS7Padding << hex("0606060606") << hex("0606060606");
    QTest::addRow("PKCS7 empty") << A::PKCS7Padding << QByteArray() << QByteArray();

    QTest::addRow("ISO marker and zeros") << A::ISOPadding << hex("4142800000") << hex("4142");
    QTest::addRow("ISO marker last") << A::ISOPadding << hex("414280") << hex("4142");
    QTest::addRow("ISO wrong marker") << A::ISOPadding << hex("41428100") << hex("41428100");
    QTest::addRow("ISO all zeros") << A::ISOPadding << hex("000000") << hex("000000");

    QTest::addRow("zero trailing zeros") << A::ZeroPadding << hex("4100420000") << hex("410042");
    QTest::addRow("zero all zeros") << A::ZeroPadding << hex("00000000") << QByteArray();
    QTest::addRow("zero none") << A::ZeroPadding << hex("4142") << hex("4142");

    QTest::addRow("unknown padding") << A::AesPadding(7) << hex("414201") << hex("414201");
}

void TestQAESEncryption::removePaddingStripsOnlyValidPadding()
{
    QFETCH(QAESEncryption::AesPadding, padding);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, expected);

    QCOMPARE(QAESEncryption::removePadding(data, padding).toHex(), expected.toHex());
}

void TestQAESEncryption::decodeRefusesUnusableInput_data()
{
    QTest::addColumn<QAESEncryption::AesLevel>("level");
    QTest::addColumn<QAESEncryption::AesMode>("mode");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("iv");

    using A = QAESEncryption;
    const QByteArray block(32, 'x');

    QTest::addRow("CBC iv of 15 bytes") << A::AES128 << A::CBC << block << nistKey128 << nistIv.left(15);
    QTest::addRow("CBC iv of 17 bytes") << A::AES128 << A::CBC << block << nistKey128 << nistIv + 'x';
    QTest::addRow("CFB without iv") << A::AES192 << A::CFB << block << nistKey192 << QByteArray();
    QTest::addRow("OFB without iv") << A::AES256 << A::OFB << block << nistKey256 << QByteArray();
    QTest::addRow("AES-128 key of 15 bytes")
        << A::AES128 << A::ECB << block << nistKey128.left(15) << QByteArray();
    QTest::addRow("AES-192 key of 16 bytes") << A::AES192 << A::CBC << block << nistKey128 << nistIv;
    QTest::addRow("AES-256 key of 24 bytes") << A::AES256 << A::OFB << block << nistKey192 << nistIv;
    QTest::addRow("AES-128 empty key") << A::AES128 << A::CFB << block << QByteArray() << nistIv;
    QTest::addRow("ECB partial block") << A::AES128 << A::ECB << block.left(31) << nistKey128 << QByteArray();
    QTest::addRow("CBC partial block") << A::AES256 << A::CBC << block + 'x' << nistKey256 << nistIv;
    QTest::addRow("ECB less than a block")
        << A::AES128 << A::ECB << block.left(5) << nistKey128 << QByteArray();
    QTest::addRow("unknown mode") << A::AES128 << A::AesMode(9) << block << nistKey128 << nistIv;

    for (A::AesMode mode : {A::ECB, A::CBC, A::CFB, A::OFB})
        QTest::addRow("empty data, mode %d", int(mode))
            << A::AES128 << mode << QByteArray() << nistKey128 << nistIv;
}

void TestQAESEncryption::decodeRefusesUnusableInput()
{
    QFETCH(QAESEncryption::AesLevel, level);
    QFETCH(QAESEncryption::AesMode, mode);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, iv);

    QAESEncryption aes(level, mode, QAESEncryption::PKCS7Padding);
    QVERIFY(aes.decode(data, key, iv).isEmpty());
}

void TestQAESEncryption::decodeReadsOnlyTheLevelsKeyLength()
{
    QAESEncryption aes(QAESEncryption::AES128, QAESEncryption::ECB, QAESEncryption::PKCS7Padding);
    const QByteArray cipherText = QByteArray::fromHex("69c4e0d86a7b0430d8cdb78070b4c55a");
    QCOMPARE(aes.decode(cipherText, fipsKey256).toHex(), fipsPlain.toHex());
    QCOMPARE(aes.expandKey(fipsKey256), aes.expandKey(fipsKey128));
    QVERIFY(aes.expandKey(fipsKey128.left(15)).isEmpty());
}

void TestQAESEncryption::unknownLevelIsTakenAsAes128()
{
    QAESEncryption aes(QAESEncryption::AesLevel(5), QAESEncryption::ECB, QAESEncryption::PKCS7Padding);
    QCOMPARE(aes.expandKey(fipsKey128).size(), 176);
    QCOMPARE(aes.decode(QByteArray::fromHex("69c4e0d86a7b0430d8cdb78070b4c55a"), fipsKey128).toHex(),
        fipsPlain.toHex());
}

void TestQAESEncryption::decodeMatchesOpenSslOnRandomInput()
{
    using A = QAESEncryption;
    const int keyLengths[] = {16, 24, 32};
    for (int run = 0; run < 300; ++run) {
        const auto level = A::AesLevel(QRandomGenerator::global()->bounded(3));
        const auto mode = A::AesMode(QRandomGenerator::global()->bounded(4));
        const bool blockMode = mode == A::ECB || mode == A::CBC;
        const int length = blockMode ? 16 * QRandomGenerator::global()->bounded(0, 65)
                                     : QRandomGenerator::global()->bounded(0, 1025);
        const QByteArray key = randomBytes(keyLengths[level]);
        const QByteArray iv = mode == A::ECB ? QByteArray() : randomBytes(16);
        const QByteArray plain = randomBytes(length);
        const QByteArray cipherText = opensslEncrypt(level, mode, key, iv, plain);
        QCOMPARE(cipherText.size(), length);

        A aes(level, mode, A::PKCS7Padding);
        const QByteArray decoded = aes.decode(cipherText, key, iv);
        if (decoded != plain || (mode == A::ECB && aes.encode(plain, key) != cipherText))
            QFAIL(qPrintable(QStringLiteral("level %1 mode %2 length %3 key %4 iv %5")
                                 .arg(level)
                                 .arg(mode)
                                 .arg(length)
                                 .arg(QString::fromLatin1(key.toHex()), QString::fromLatin1(iv.toHex()))));
    }
}

QTEST_APPLESS_MAIN(TestQAESEncryption)
#include "tst_qaesencryption.moc"
