// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "crypto/qaesencryption.h"

#include <QtEndian>

#include <array>
#include <cstring>
#include <utility>

namespace {

constexpr quint8 xtime(quint8 x)
{
    return quint8((x << 1) ^ ((x & 0x80) ? 0x1b : 0x00));
}

// The GF(2^8) product built from repeated doubling, the way the cipher defines it.
constexpr quint8 multiply(quint8 x, quint8 y)
{
    quint8 product = 0;
    for (; y != 0; y >>= 1) {
        if (y & 1)
            product ^= x;
        x = xtime(x);
    }
    return product;
}

constexpr std::array<quint8, 256> mul2 = [] {
    std::array<quint8, 256> table {};
    for (int i = 0; i < 256; ++i)
        table[i] = xtime(quint8(i));
    return table;
}();

constexpr quint32 rotateRight8(quint32 word)
{
    return (word >> 8) | (word << 24);
}

// An inverse round's InvSubBytes and InvMixColumns merged into four tables, one per row of the state: entry x
// of table r is the column that a byte x in row r adds to InvMixColumns(InvSubBytes(state)), packed
// big-endian (row 0 in the top byte). A round is then 16 look-ups and XORs, which is what makes deciphering
// fast.
constexpr std::array<std::array<quint32, 256>, 4> invRoundTablesFrom(const quint8 (&invSbox)[256])
{
    std::array<std::array<quint32, 256>, 4> tables {};
    for (int x = 0; x < 256; ++x) {
        const quint8 s = invSbox[x];
        quint32 column = quint32(multiply(s, 14)) << 24 | quint32(multiply(s, 9)) << 16 |
            quint32(multiply(s, 13)) << 8 | multiply(s, 11);
        for (auto &table : tables) {
            table[x] = column;
            column = rotateRight8(column);
        }
    }
    return tables;
}

void xorBlock(quint8 *target, const quint8 *source, int length)
{
    for (int i = 0; i < length; ++i)
        target[i] ^= source[i];
}

} // namespace

// clang-format off
constexpr quint8 QAESEncryption::sbox[256] = {
    0x63, 0x7c, 0x77, 0x7b, 0xf2, 0x6b, 0x6f, 0xc5, 0x30, 0x01, 0x67, 0x2b, 0xfe, 0xd7, 0xab, 0x76,
    0xca, 0x82, 0xc9, 0x7d, 0xfa, 0x59, 0x47, 0xf0, 0xad, 0xd4, 0xa2, 0xaf, 0x9c, 0xa4, 0x72, 0xc0,
    0xb7, 0xfd, 0x93, 0x26, 0x36, 0x3f, 0xf7, 0xcc, 0x34, 0xa5, 0xe5, 0xf1, 0x71, 0xd8, 0x31, 0x15,
    0x04, 0xc7, 0x23, 0xc3, 0x18, 0x96, 0x05, 0x9a, 0x07, 0x12, 0x80, 0xe2, 0xeb, 0x27, 0xb2, 0x75,
    0x09, 0x83, 0x2c, 0x1a, 0x1b, 0x6e, 0x5a, 0xa0, 0x52, 0x3b, 0xd6, 0xb3, 0x29, 0xe3, 0x2f, 0x84,
    0x53, 0xd1, 0x00, 0xed, 0x20, 0xfc, 0xb1, 0x5b, 0x6a, 0xcb, 0xbe, 0x39, 0x4a, 0x4c, 0x58, 0xcf,
    0xd0, 0xef, 0xaa, 0xfb, 0x43, 0x4d, 0x33, 0x85, 0x45, 0xf9, 0x02, 0x7f, 0x50, 0x3c, 0x9f, 0xa8,
    0x51, 0xa3, 0x40, 0x8f, 0x92, 0x9d, 0x38, 0xf5, 0xbc, 0xb6, 0xda, 0x21, 0x10, 0xff, 0xf3, 0xd2,
    0xcd, 0x0c, 0x13, 0xec, 0x5f, 0x97, 0x44, 0x17, 0xc4, 0xa7, 0x7e, 0x3d, 0x64, 0x5d, 0x19, 0x73,
    0x60, 0x81, 0x4f, 0xdc, 0x22, 0x2a, 0x90, 0x88, 0x46, 0xee, 0xb8, 0x14, 0xde, 0x5e, 0x0b, 0xdb,
    0xe0, 0x32, 0x3a, 0x0a, 0x49, 0x06, 0x24, 0x5c, 0xc2, 0xd3, 0xac, 0x62, 0x91, 0x95, 0xe4, 0x79,
    0xe7, 0xc8, 0x37, 0x6d, 0x8d, 0xd5, 0x4e, 0xa9, 0x6c, 0x56, 0xf4, 0xea, 0x65, 0x7a, 0xae, 0x08,
    0xba, 0x78, 0x25, 0x2e, 0x1c, 0xa6, 0xb4, 0xc6, 0xe8, 0xdd, 0x74, 0x1f, 0x4b, 0xbd, 0x8b, 0x8a,
    0x70, 0x3e, 0xb5, 0x66, 0x48, 0x03, 0xf6, 0x0e, 0x61, 0x35, 0x57, 0xb9, 0x86, 0xc1, 0x1d, 0x9e,
    0xe1, 0xf8, 0x98, 0x11, 0x69, 0xd9, 0x8e, 0x94, 0x9b, 0x1e, 0x87, 0xe9, 0xce, 0x55, 0x28, 0xdf,
    0x8c, 0xa1, 0x89, 0x0d, 0xbf, 0xe6, 0x42, 0x68, 0x41, 0x99, 0x2d, 0x0f, 0xb0, 0x54, 0xbb, 0x16
};

constexpr quint8 QAESEncryption::rsbox[256] = {
    0x52, 0x09, 0x6a, 0xd5, 0x30, 0x36, 0xa5, 0x38, 0xbf, 0x40, 0xa3, 0x9e, 0x81, 0xf3, 0xd7, 0xfb,
    0x7c, 0xe3, 0x39, 0x82, 0x9b, 0x2f, 0xff, 0x87, 0x34, 0x8e, 0x43, 0x44, 0xc4, 0xde, 0xe9, 0xcb,
    0x54, 0x7b, 0x94, 0x32, 0xa6, 0xc2, 0x23, 0x3d, 0xee, 0x4c, 0x95, 0x0b, 0x42, 0xfa, 0xc3, 0x4e,
    0x08, 0x2e, 0xa1, 0x66, 0x28, 0xd9, 0x24, 0xb2, 0x76, 0x5b, 0xa2, 0x49, 0x6d, 0x8b, 0xd1, 0x25,
    0x72, 0xf8, 0xf6, 0x64, 0x86, 0x68, 0x98, 0x16, 0xd4, 0xa4, 0x5c, 0xcc, 0x5d, 0x65, 0xb6, 0x92,
    0x6c, 0x70, 0x48, 0x50, 0xfd, 0xed, 0xb9, 0xda, 0x5e, 0x15, 0x46, 0x57, 0xa7, 0x8d, 0x9d, 0x84,
    0x90, 0xd8, 0xab, 0x00, 0x8c, 0xbc, 0xd3, 0x0a, 0xf7, 0xe4, 0x58, 0x05, 0xb8, 0xb3, 0x45, 0x06,
    0xd0, 0x2c, 0x1e, 0x8f, 0xca, 0x3f, 0x0f, 0x02, 0xc1, 0xaf, 0xbd, 0x03, 0x01, 0x13, 0x8a, 0x6b,
    0x3a, 0x91, 0x11, 0x41, 0x4f, 0x67, 0xdc, 0xea, 0x97, 0xf2, 0xcf, 0xce, 0xf0, 0xb4, 0xe6, 0x73,
    0x96, 0xac, 0x74, 0x22, 0xe7, 0xad, 0x35, 0x85, 0xe2, 0xf9, 0x37, 0xe8, 0x1c, 0x75, 0xdf, 0x6e,
    0x47, 0xf1, 0x1a, 0x71, 0x1d, 0x29, 0xc5, 0x89, 0x6f, 0xb7, 0x62, 0x0e, 0xaa, 0x18, 0xbe, 0x1b,
    0xfc, 0x56, 0x3e, 0x4b, 0xc6, 0xd2, 0x79, 0x20, 0x9a, 0xdb, 0xc0, 0xfe, 0x78, 0xcd, 0x5a, 0xf4,
    0x1f, 0xdd, 0xa8, 0x33, 0x88, 0x07, 0xc7, 0x31, 0xb1, 0x12, 0x10, 0x59, 0x27, 0x80, 0xec, 0x5f,
    0x60, 0x51, 0x7f, 0xa9, 0x19, 0xb5, 0x4a, 0x0d, 0x2d, 0xe5, 0x7a, 0x9f, 0x93, 0xc9, 0x9c, 0xef,
    0xa0, 0xe0, 0x3b, 0x4d, 0xae, 0x2a, 0xf5, 0xb0, 0xc8, 0xeb, 0xbb, 0x3c, 0x83, 0x53, 0x99, 0x61,
    0x17, 0x2b, 0x04, 0x7e, 0xba, 0x77, 0xd6, 0x26, 0xe1, 0x69, 0x14, 0x63, 0x55, 0x21, 0x0c, 0x7d
};
// clang-format on

constexpr std::array<std::array<quint32, 256>, 4> QAESEncryption::invRoundTables = invRoundTablesFrom(rsbox);

// Index 0 is never used: round constants count from 1.
const quint8 QAESEncryption::Rcon[14] = {
    0x8d, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80, 0x1b, 0x36, 0x6c, 0xd8, 0xab};

QAESEncryption::QAESEncryption(AesLevel level, AesMode mode, AesPadding padding)
    : m_mode(mode)
    , m_padding(padding)
{
    switch (level) {
    case AES192:
        m_nk = 6;
        m_keyLen = 24;
        m_nr = 12;
        break;
    case AES256:
        m_nk = 8;
        m_keyLen = 32;
        m_nr = 14;
        break;
    default:
        m_nk = 4;
        m_keyLen = 16;
        m_nr = 10;
        break;
    }
}

QByteArray QAESEncryption::expandKey(const QByteArray &key)
{
    // The schedule reads exactly the level's key length; a shorter key would be read past its end.
    if (key.size() < m_keyLen)
        return QByteArray();

    const int words = m_nb * (m_nr + 1);
    QByteArray expanded(words * 4, '\0');
    auto *w = reinterpret_cast<quint8 *>(expanded.data());
    std::memcpy(w, key.constData(), size_t(m_keyLen));

    for (int i = m_nk; i < words; ++i) {
        quint8 temp[4] = {w[4 * (i - 1)], w[4 * (i - 1) + 1], w[4 * (i - 1) + 2], w[4 * (i - 1) + 3]};
        if (i % m_nk == 0) {
            const quint8 first = temp[0];
            temp[0] = quint8(sbox[temp[1]] ^ Rcon[i / m_nk]);
            temp[1] = sbox[temp[2]];
            temp[2] = sbox[temp[3]];
            temp[3] = sbox[first];
        } else if (m_nk == 8 && i % m_nk == 4) {
            for (quint8 &byte : temp)
                byte = sbox[byte];
        }
        for (int k = 0; k < 4; ++k)
            w[4 * i + k] = quint8(w[4 * (i - m_nk) + k] ^ temp[k]);
    }
    return expanded;
}

QByteArray QAESEncryption::decode(const QByteArray &rawText, const QByteArray &key, const QByteArray &iv)
{
    if (m_mode != ECB && iv.size() != m_blocklen)
        return QByteArray();
    const QByteArray expandedKey = expandKey(key);
    if (expandedKey.isEmpty())
        return QByteArray();
    const auto *roundKeys = reinterpret_cast<const quint8 *>(expandedKey.constData());

    const int length = rawText.size();
    if ((m_mode == ECB || m_mode == CBC) && length % m_blocklen != 0)
        return QByteArray();
    const auto *in = reinterpret_cast<const quint8 *>(rawText.constData());
    QByteArray result(length, Qt::Uninitialized);
    auto *out = reinterpret_cast<quint8 *>(result.data());

    switch (m_mode) {
    case ECB:
    case CBC: {
        quint32 invRoundKeys[m_nb * (maxRounds + 1)];
        inverseKeySchedule(roundKeys, invRoundKeys);
        const auto *previous = reinterpret_cast<const quint8 *>(iv.constData());
        for (int offset = 0; offset < length; offset += m_blocklen) {
            invCipher(invRoundKeys, in + offset, out + offset);
            if (m_mode == CBC) {
                xorBlock(out + offset, previous, m_blocklen);
                previous = in + offset;
            }
        }
        break;
    }
    case CFB:
    case OFB: {
        // Both run the forward cipher over a 16-byte register: CFB feeds back the ciphertext, OFB the
        // key stream itself. A short last block takes only as much of the key stream as it needs.
        std::memcpy(out, in, size_t(length));
        quint8 stream[m_blocklen];
        std::memcpy(stream, iv.constData(), m_blocklen);
        for (int offset = 0; offset < length; offset += m_blocklen) {
            cipher(roundKeys, stream);
            const int n = qMin(m_blocklen, length - offset);
            xorBlock(out + offset, stream, n);
            if (m_mode == CFB && n == m_blocklen)
                std::memcpy(stream, in + offset, m_blocklen);
        }
        break;
    }
    default:
        return QByteArray();
    }
    return result;
}

QByteArray QAESEncryption::encode(const QByteArray &rawText, const QByteArray &key)
{
    const QByteArray expandedKey = expandKey(key);
    if (m_mode != ECB || expandedKey.isEmpty() || rawText.size() % m_blocklen != 0)
        return QByteArray();
    const auto *roundKeys = reinterpret_cast<const quint8 *>(expandedKey.constData());
    QByteArray result(rawText);
    auto *block = reinterpret_cast<quint8 *>(result.data());
    for (int offset = 0; offset < result.size(); offset += m_blocklen)
        cipher(roundKeys, block + offset);
    return result;
}

// The round keys as big-endian column words, with InvMixColumns applied to those of rounds 1 to Nr - 1, so
// that the inverse cipher can add them after its combined table step.
void QAESEncryption::inverseKeySchedule(const quint8 *roundKeys, quint32 *invRoundKeys) const
{
    const int words = m_nb * (m_nr + 1);
    for (int i = 0; i < words; ++i) {
        const quint32 w = qFromBigEndian<quint32>(roundKeys + 4 * i);
        if (i < m_nb || i >= m_nb * m_nr) {
            invRoundKeys[i] = w;
            continue;
        }
        // The tables include InvSubBytes; SubBytes first leaves InvMixColumns alone.
        invRoundKeys[i] = invRoundTables[0][sbox[w >> 24]] ^ invRoundTables[1][sbox[(w >> 16) & 0xff]] ^
            invRoundTables[2][sbox[(w >> 8) & 0xff]] ^ invRoundTables[3][sbox[w & 0xff]];
    }
}

QByteArray QAESEncryption::removePadding(const QByteArray &rawText, AesPadding padding)
{
    QByteArray result(rawText);
    if (result.isEmpty())
        return result;

    switch (padding) {
    case ZeroPadding: {
        int end = result.size();
        while (end > 0 && result.at(end - 1) == '\0')
            --end;
        result.truncate(end);
        break;
    }
    case PKCS7Padding: {
        const int count = qint8(result.at(result.size() - 1));
        if (count >= 1 && count <= result.size())
            result.chop(count);
        break;
    }
    case ISOPadding: {
        int last = result.size() - 1;
        while (last >= 0 && result.at(last) == '\0')
            --last;
        if (last >= 0 && quint8(result.at(last)) == 0x80)
            result.truncate(last);
        break;
    }
    default:
        break;
    }
    return result;
}

inline void QAESEncryption::addRoundKey(int round, const quint8 *roundKeys)
{
    xorBlock(m_state, roundKeys + round * m_blocklen, m_blocklen);
}

inline void QAESEncryption::subBytes()
{
    quint8 *const s = m_state;
    for (int i = 0; i < m_blocklen; ++i)
        s[i] = sbox[s[i]];
}

// Byte i of the state is row i % 4 of column i / 4; row r turns left by r columns.
inline void QAESEncryption::shiftRows()
{
    quint8 *const s = m_state;
    quint8 t = s[1];
    s[1] = s[5];
    s[5] = s[9];
    s[9] = s[13];
    s[13] = t;

    std::swap(s[2], s[10]);
    std::swap(s[6], s[14]);

    t = s[15];
    s[15] = s[11];
    s[11] = s[7];
    s[7] = s[3];
    s[3] = t;
}

inline void QAESEncryption::mixColumns()
{
    quint8 *const s = m_state;
    for (int c = 0; c < m_nb; ++c) {
        quint8 *a = s + 4 * c;
        const quint8 a0 = a[0], a1 = a[1], a2 = a[2], a3 = a[3];
        a[0] = quint8(mul2[a0] ^ mul2[a1] ^ a1 ^ a2 ^ a3);
        a[1] = quint8(a0 ^ mul2[a1] ^ mul2[a2] ^ a2 ^ a3);
        a[2] = quint8(a0 ^ a1 ^ mul2[a2] ^ mul2[a3] ^ a3);
        a[3] = quint8(mul2[a0] ^ a0 ^ a1 ^ a2 ^ mul2[a3]);
    }
}

void QAESEncryption::cipher(const quint8 *roundKeys, quint8 *block)
{
    m_state = block;
    addRoundKey(0, roundKeys);
    for (int round = 1; round < m_nr; ++round) {
        subBytes();
        shiftRows();
        mixColumns();
        addRoundKey(round, roundKeys);
    }
    subBytes();
    shiftRows();
    addRoundKey(m_nr, roundKeys);
    m_state = nullptr;
}

// The equivalent inverse cipher: with InvMixColumns applied to round keys 1 to Nr - 1 (invRoundKeys), every
// middle round is InvShiftRows, InvSubBytes and InvMixColumns in one table step, then the round key.
void QAESEncryption::invCipher(const quint32 *invRoundKeys, const quint8 *in, quint8 *out) const
{
    const auto &t0 = invRoundTables[0];
    const auto &t1 = invRoundTables[1];
    const auto &t2 = invRoundTables[2];
    const auto &t3 = invRoundTables[3];
    const quint32 *k = invRoundKeys + m_nb * m_nr;
    quint32 s0 = qFromBigEndian<quint32>(in) ^ k[0];
    quint32 s1 = qFromBigEndian<quint32>(in + 4) ^ k[1];
    quint32 s2 = qFromBigEndian<quint32>(in + 8) ^ k[2];
    quint32 s3 = qFromBigEndian<quint32>(in + 12) ^ k[3];
    // InvShiftRows turns row r right by r columns: column c takes row r from column c - r.
    for (int round = m_nr - 1; round > 0; --round) {
        k -= m_nb;
        const quint32 c0 = t0[s0 >> 24] ^ t1[(s3 >> 16) & 0xff] ^ t2[(s2 >> 8) & 0xff] ^ t3[s1 & 0xff] ^ k[0];
        const quint32 c1 = t0[s1 >> 24] ^ t1[(s0 >> 16) & 0xff] ^ t2[(s3 >> 8) & 0xff] ^ t3[s2 & 0xff] ^ k[1];
        const quint32 c2 = t0[s2 >> 24] ^ t1[(s1 >> 16) & 0xff] ^ t2[(s0 >> 8) & 0xff] ^ t3[s3 & 0xff] ^ k[2];
        const quint32 c3 = t0[s3 >> 24] ^ t1[(s2 >> 16) & 0xff] ^ t2[(s1 >> 8) & 0xff] ^ t3[s0 & 0xff] ^ k[3];
        s0 = c0;
        s1 = c1;
        s2 = c2;
        s3 = c3;
    }
    // The last round has no InvMixColumns.
    k -= m_nb;
    const auto lastColumn = [](quint32 r0, quint32 r1, quint32 r2, quint32 r3, quint32 key) {
        return (quint32(rsbox[r0 >> 24]) << 24 | quint32(rsbox[(r1 >> 16) & 0xff]) << 16 |
                   quint32(rsbox[(r2 >> 8) & 0xff]) << 8 | rsbox[r3 & 0xff]) ^
            key;
    };
    qToBigEndian(lastColumn(s0, s3, s2, s1, k[0]), out);
    qToBigEndian(lastColumn(s1, s0, s3, s2, k[1]), out + 4);
    qToBigEndian(lastColumn(s2, s1, s0, s3, k[2]), out + 8);
    qToBigEndian(lastColumn(s3, s2, s1, s0, k[3]), out + 12);
}
