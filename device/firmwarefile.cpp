// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "firmwarefile.h"

#include "crypto/qaesencryption.h"
#include "flashimage.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr int markerSize = 10;
constexpr int versionSize = 3;
constexpr int headerSize = markerSize + versionSize;
constexpr int digestSize = 16;
constexpr int blockSize = 16;

// The cipher's padding removal trusts the last byte alone; a file whose padding is not whole (count 1 to
// 16, every padding byte equal to it) did not come from the maker, whatever its digest says.
bool hasWholePadding(const QByteArray &deciphered)
{
    if (deciphered.isEmpty())
        return false;
    const int count = quint8(deciphered.back());
    if (count < 1 || count > blockSize || count > deciphered.size())
        return false;
    for (int i = deciphered.size() - count; i < deciphered.size(); ++i) {
        if (quint8(deciphered.at(i)) != count)
            return false;
    }
    return true;
}

} // namespace

QByteArray FirmwareFile::typeMarker()
{
    return QByteArrayLiteral("Tavrune_M4");
}

QByteArray FirmwareFile::cipherKey()
{
    return QByteArrayLiteral("Lm7#pR2!wQz9&Kx4");
}

QByteArray FirmwareFile::pack(const QByteArray &versionBytes, const QByteArray &image)
{
    return encipher(padded(withDigest(typeMarker() + versionBytes + image)));
}

QByteArray FirmwareFile::withDigest(const QByteArray &content)
{
    return content + QCryptographicHash::hash(content, QCryptographicHash::Md5);
}

QByteArray FirmwareFile::padded(const QByteArray &plain)
{
    const int count = blockSize - plain.size() % blockSize;
    return plain + QByteArray(count, char(count));
}

QByteArray FirmwareFile::encipher(const QByteArray &padded, const QByteArray &key)
{
    if (key.size() != blockSize)
        return QByteArray();
    QAESEncryption aes(QAESEncryption::AES128, QAESEncryption::ECB, QAESEncryption::PKCS7Padding);
    return aes.encode(padded, key).toBase64();
}

FirmwareFile FirmwareFile::read(const QString &path)
{
    FirmwareFile file;
    QFile input(path);
    // Unbuffered: the file is read in a few large pieces, which the device's buffer would only copy.
    if (input.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        // QIODevice::read(MaxFileSize + 1) would reserve the whole limit for every file: a regular file is
        // read at its size (and a byte more, to see it grown meanwhile), a device in pieces.
        const qint64 piece = input.isSequential() ? 64 * 1024 : qMin(input.size(), MaxFileSize) + 1;
        while (file.m_data.size() <= MaxFileSize) {
            const QByteArray read = input.read(qMin(piece, MaxFileSize + 1 - file.m_data.size()));
            if (read.isEmpty())
                break;
            file.m_data += read;
        }
    } else {
        file.m_fault = Fault_Unreadable;
    }
    if (file.m_data.size() > MaxFileSize) {
        qWarning() << "getFirmwareData is too large!" << path << QFileInfo(path).absoluteFilePath();
        file.m_data.clear();
        file.m_fault = Fault_TooLarge;
    } else if (file.m_data.isEmpty()) {
        qWarning() << "getFirmwareData is Empty!" << path << QFileInfo(path).absoluteFilePath();
        if (file.m_fault == Fault_None)
            file.m_fault = Fault_Empty;
    }
    return file;
}

FirmwareFile FirmwareFile::unpack(const QByteArray &fileData)
{
    FirmwareFile file;
    file.m_data = fileData;
    QAESEncryption aes(QAESEncryption::AES128, QAESEncryption::ECB, QAESEncryption::PKCS7Padding);
    const QByteArray deciphered = aes.decode(QByteArray::fromBase64(fileData), cipherKey());
    const QByteArray plain = QAESEncryption::removePadding(deciphered, QAESEncryption::PKCS7Padding);
    const int length = plain.size();
    const QByteArray digest =
        QCryptographicHash::hash(plain.left(qMax(0, length - digestSize)), QCryptographicHash::Md5);

    if (!hasWholePadding(deciphered) || length < digestSize || plain.right(digestSize) != digest) {
        qWarning() << "file md5 error";
        file.m_fault = Fault_Digest;
        return file;
    }
    // A crafted text can carry a good digest and still be too short for marker and version.
    if (length < headerSize + digestSize || !plain.startsWith(typeMarker())) {
        qWarning() << "file type error" << plain.left(markerSize);
        file.m_fault = Fault_Type;
        return file;
    }
    file.m_versionBytes = plain.mid(markerSize, versionSize);
    const qint8 major = qint8(plain.at(markerSize));
    if (major < 2) {
        qWarning() << "invalid file" << major;
        file.m_fault = Fault_Version;
        return file;
    }
    // An empty image would erase the firmware and write nothing back; a longer one does not fit a region.
    const int imageSize = length - headerSize - digestSize;
    if (imageSize == 0 || imageSize > FlashRegion::Capacity) {
        qWarning() << "invalid file" << imageSize;
        file.m_fault = Fault_ImageSize;
        return file;
    }
    file.m_image = plain.mid(headerSize, imageSize);
    return file;
}

QString FirmwareFile::versionText() const
{
    if (m_versionBytes.size() != versionSize)
        return QString();
    return QStringLiteral("%1.%2.%3")
        .arg(quint8(m_versionBytes.at(0)))
        .arg(quint8(m_versionBytes.at(1)))
        .arg(quint8(m_versionBytes.at(2)));
}
