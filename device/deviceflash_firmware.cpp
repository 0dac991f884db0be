#include "deviceflash.h"

#include "crypto/qaesencryption.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QFile>
#include <QFileInfo>

namespace {

const QByteArray firmwareKey = QByteArrayLiteral("Lm7#pR2!wQz9&Kx4");
const QByteArray firmwareMarker = QByteArrayLiteral("Tavrune_M4");
constexpr int markerSize = 10;
constexpr int versionSize = 3;
constexpr int headerSize = markerSize + versionSize;
constexpr int digestSize = 16;

// The largest firmware file is about 171 KiB of Base64; this leaves room for any line layout while keeping
// a huge file, or a device node that never ends, from being read into memory.
constexpr qint64 maxFirmwareFileSize = 8 * 1024 * 1024;

} // namespace

QByteArray DeviceFlash::getFirmwareData(const QString &path)
{
    QFile file(path);
    QByteArray data;
    if (file.open(QIODevice::ReadOnly))
        data = file.read(maxFirmwareFileSize + 1);
    if (data.size() > maxFirmwareFileSize) {
        qWarning() << "getFirmwareData is too large!" << path << QFileInfo(path).absoluteFilePath();
        data.clear();
    } else if (data.isEmpty()) {
        qWarning() << "getFirmwareData is Empty!" << path << QFileInfo(path).absoluteFilePath();
    } else {
        return data;
    }
    emit error(DeviceError_FirmwareFileDamage);
    return data;
}

bool DeviceFlash::unpackFirmware(const QByteArray &fileData, QByteArray &image, QByteArray &versionBytes)
{
    QAESEncryption aes(QAESEncryption::AES128, QAESEncryption::ECB, QAESEncryption::PKCS7Padding);
    const QByteArray plain = QAESEncryption::removePadding(
        aes.decode(QByteArray::fromBase64(fileData), firmwareKey), QAESEncryption::PKCS7Padding);
    const int length = plain.size();
    const QByteArray digest =
        QCryptographicHash::hash(plain.left(qMax(0, length - digestSize)), QCryptographicHash::Md5);

    if (!taskHandleIsOpen()) {
        qWarning() << "updateFirmware Device.isOpen" << false;
        return false;
    }
    if (length < digestSize || plain.right(digestSize) != digest) {
        qWarning() << "file md5 error";
        emit error(DeviceError_FirmwareFileDamage);
        return false;
    }
    // A crafted text can carry a good digest and still be too short for marker and version.
    if (length < headerSize + digestSize || !plain.startsWith(firmwareMarker)) {
        qWarning() << "file type error" << plain.left(markerSize);
        emit error(DeviceError_FirmwareFileDamage);
        return false;
    }
    const qint8 major = qint8(plain.at(markerSize));
    if (major < 2) {
        qWarning() << "invalid file" << major;
        emit error(DeviceError_InvalidFile);
        return false;
    }
    // An empty image would erase the firmware and write nothing back; a longer one does not fit a region.
    const int imageSize = length - headerSize - digestSize;
    if (imageSize == 0 || imageSize > FlashRegion::Capacity) {
        qWarning() << "invalid file" << imageSize;
        emit error(DeviceError_InvalidFile);
        return false;
    }
    image = plain.mid(headerSize, imageSize);
    versionBytes = plain.mid(markerSize, versionSize);
    return true;
}
