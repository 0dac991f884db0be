// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QObject>

#include <array>

// Deciphers AES (128, 192 or 256-bit keys) in ECB, CBC, CFB-128 or OFB mode and strips padding; enciphers
// in ECB, the mode of firmware files, which the tool writes too (a backup of the adapter's firmware).
// One object runs one operation at a time: the forward cipher keeps the block it works on in m_state.
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
    // The cipher text of whole blocks, padding already attached. Empty in the other modes, when the key is
    // shorter than the level's key, or when rawText is not a whole number of blocks.
    QByteArray encode(const QByteArray &rawText, const QByteArray &key);
    static QByteArray removePadding(const QByteArray &rawText, AesPadding padding);
    // The key schedule, (Nr + 1) * 16 bytes; empty for a key shorter than the level's key.
    QByteArray expandKey(const QByteArray &key);

private:
    void addRoundKey(int round, const quint8 *roundKeys);
    void subBytes();
    void shiftRows();
    void mixColumns();
    // The forward block cipher, in place on one 16-byte block; the inverse one from in to out.
    void cipher(const quint8 *roundKeys, quint8 *block);
    void invCipher(const quint32 *invRoundKeys, const quint8 *in, quint8 *out) const;
    // The schedule as the inverse cipher adds it: column words, InvMixColumns applied to the middle rounds.
    void inverseKeySchedule(const quint8 *roundKeys, quint32 *invRoundKeys) const;

    static constexpr int m_blocklen = 16;
    static constexpr int m_nb = 4; // words of the state
    static constexpr int maxRounds = 14; // AES256's
    int m_nk; // words of the key
    int m_keyLen;
    int m_nr; // rounds
    AesMode m_mode;
    AesPadding m_padding;
    quint8 *m_state = nullptr; // the block being worked on, during one block operation

    static const quint8 sbox[256];
    static const quint8 rsbox[256];
    static const quint8 Rcon[14];
    // InvSubBytes and InvMixColumns of a byte in row 0, 1, 2 or 3, as the column it contributes.
    static const std::array<std::array<quint32, 256>, 4> invRoundTables;
};
