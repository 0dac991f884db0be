#pragma once

#include <QByteArray>
#include <QObject>

// Deciphers AES (128, 192 or 256-bit keys) in ECB, CBC, CFB-128 or OFB mode and strips padding.
// One object runs one operation at a time: it keeps the block being worked on in m_state.
class QAESEncryption : public QObject
{
    Q_OBJECT

public:
    // A fixed underlying type makes every int a valid value, so that callers may pass values outside the
    // lists (a level outside them is taken as AES128).
    enum AesLevel : int { AES128 = 0, AES192 = 1, AES256 = 2 };
    enum AesMode : int { ECB = 0, CBC = 1, CFB = 2, OFB = 3 };
    enum AesPadding : int { ZeroPadding = 0, PKCS7Padding = 1, ISOPadding = 2 };

    QAESEncryption(AesLevel level, AesMode mode, AesPadding padding);

    // The plain text, padding still attached. Empty when the key is shorter than the level's key, the
    // mode needs a 16-byte iv and has none, or ECB/CBC data is not a whole number of blocks.
    QByteArray decode(const QByteArray &rawText, const QByteArray &key, const QByteArray &iv = QByteArray());
    static QByteArray removePadding(const QByteArray &rawText, AesPadding padding);
    // The key schedule, (Nr + 1) * 16 bytes; empty for a key shorter than the level's key.
    QByteArray expandKey(const QByteArray &key);

private:
    void addRoundKey(int round, const quint8 *roundKeys);
    void subBytes();
    void invSubBytes();
    void shiftRows();
    void invShiftRows();
    void mixColumns();
    void invMixColumns();
    // The forward and inverse block cipher, in place on one 16-byte block.
    void cipher(const quint8 *roundKeys, quint8 *block);
    void invCipher(const quint8 *roundKeys, quint8 *block);

    static constexpr int m_blocklen = 16;
    static constexpr int m_nb = 4; // words of the state
    int m_nk; // words of the key
    int m_keyLen;
    int m_nr; // rounds
    AesMode m_mode;
    AesPadding m_padding;
    quint8 *m_state = nullptr; // the block being worked on, during one block operation

    static const quint8 sbox[256];
    static const quint8 rsbox[256];
    static const quint8 Rcon[14];
};
