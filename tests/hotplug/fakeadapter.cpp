// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include <umockdev.h>

#include "fakeadapter.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Vendor page, 64-byte input and output reports without report IDs: the adapter's command interface.
const unsigned char reportDescriptor[] = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x09, 0x02, 0x15, 0x00,
    0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x81, 0x02, 0x09, 0x03, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75,
    0x08, 0x95, 0x40, 0x91, 0x02, 0xC0};

// Numbers stay unique over the process: umockdev cannot plug a node name twice into one testbed.
int nextDeviceNumber = 1;
int nextHidrawNumber = 0;

// Answers the hidraw requests hidapi makes when it opens a node; runs in umockdev's worker thread.
gboolean answerIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer data)
{
    const auto adapter = static_cast<const FakeAdapter *>(data);
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *argument = umockdev_ioctl_client_get_arg(client);
    UMockdevIoctlData *resolved = nullptr;
    if (request == HIDIOCGRDESCSIZE) {
        resolved = umockdev_ioctl_data_resolve(argument, 0, sizeof(int), nullptr);
        *reinterpret_cast<int *>(resolved->data) = sizeof reportDescriptor;
    } else if (request == HIDIOCGRDESC) {
        resolved = umockdev_ioctl_data_resolve(argument, 0, sizeof(hidraw_report_descriptor), nullptr);
        auto descriptor = reinterpret_cast<hidraw_report_descriptor *>(resolved->data);
        memcpy(descriptor->value, reportDescriptor, sizeof reportDescriptor);
        descriptor->size = sizeof reportDescriptor;
    } else if (request == HIDIOCGRAWINFO) {
        resolved = umockdev_ioctl_data_resolve(argument, 0, sizeof(hidraw_devinfo), nullptr);
        auto info = reinterpret_cast<hidraw_devinfo *>(resolved->data);
        info->bustype = 3;
        info->vendor = static_cast<__s16>(adapter->vendorId());
        info->product = static_cast<__s16>(adapter->productId());
    } else {
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return TRUE;
    }
    umockdev_ioctl_client_complete(client, 0, 0); // copies the resolved buffer back to the caller
    umockdev_ioctl_data_unref(resolved);
    return TRUE;
}

QByteArray hex(const unsigned char *data, int size)
{
    return QByteArray(reinterpret_cast<const char *>(data), size).toHex().toUpper();
}

} // namespace

FakeAdapter::FakeAdapter(UMockdevTestbed *testbed, quint16 vendorId, quint16 productId, int interfaces)
    : m_testbed(testbed)
    , m_vendorId(vendorId)
    , m_productId(productId)
    , m_number(nextDeviceNumber++)
    , m_usbPath(QStringLiteral("/sys/devices/pci0000:00/0000:00:14.0/usb1/1-%1").arg(m_number))
    , m_interfaces(interfaces)
{ }

FakeAdapter::~FakeAdapter()
{
    if (m_plugged)
        unplug();
    for (int fd : qAsConst(m_deviceFds))
        close(fd);
}

bool FakeAdapter::plug()
{
    const QString vendor = QString::number(m_vendorId, 16);
    const QString product = QString::number(m_productId, 16);
    const QString description =
        QStringLiteral("P: %1\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n"
                       "E: PRODUCT=%2/%3/100\nE: BUSNUM=001\nE: DEVNUM=%4\n"
                       "A: idVendor=%5\nA: idProduct=%6\nA: bcdDevice=0100\n"
                       "A: manufacturer=Tavrune\nA: product=M4\nA: serial=SN%4\n")
            .arg(m_usbPath.mid(4), vendor, product)
            .arg(m_number, 3, 10, QLatin1Char('0'))
            .arg(vendor.rightJustified(4, QLatin1Char('0')), product.rightJustified(4, QLatin1Char('0')));
    GError *error = nullptr;
    if (!umockdev_testbed_add_from_string(m_testbed, description.toUtf8().constData(), &error)) {
        qWarning("usb device: %s", error->message);
        g_error_free(error);
        return false;
    }
    m_plugged = true;
    for (int i = 0; i < m_interfaces.size(); ++i) {
        if (!plugInterface(m_interfaces[i], i))
            return false;
    }
    return true;
}

bool FakeAdapter::plugInterface(Interface &interface, int index)
{
    const int hidraw = nextHidrawNumber++;
    const QString ids = QStringLiteral("0003:%1:%2.%3")
                            .arg(m_vendorId, 4, 16, QLatin1Char('0'))
                            .arg(m_productId, 4, 16, QLatin1Char('0'))
                            .arg(hidraw + 1, 4, 16, QLatin1Char('0'))
                            .toUpper();
    const QString interfacePath = QStringLiteral("%1/1-%2:1.%3").arg(m_usbPath).arg(m_number).arg(index);
    const QString hidPath = interfacePath + QLatin1Char('/') + ids;
    interface.hidrawPath = QStringLiteral("%1/hidraw/hidraw%2").arg(hidPath).arg(hidraw);
    interface.node = QStringLiteral("/dev/hidraw%1").arg(hidraw);

    const QString description =
        QStringLiteral("P: %1\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nA: bInterfaceNumber=%2\n"
                       "A: bInterfaceClass=03\n\n"
                       "P: %3\nE: SUBSYSTEM=hid\nE: DRIVER=hid-generic\nE: HID_ID=0003:%4:%5\n"
                       "E: HID_NAME=Tavrune M4\nE: HID_PHYS=usb-0000:00:14.0-%6/input%7\nE: HID_UNIQ=SN%6\n"
                       "H: report_descriptor=%8\n\n"
                       "P: %9\nE: SUBSYSTEM=hidraw\n")
            .arg(interfacePath.mid(4))
            .arg(index, 2, 10, QLatin1Char('0'))
            .arg(hidPath.mid(4))
            .arg(m_vendorId, 8, 16, QLatin1Char('0'))
            .arg(m_productId, 8, 16, QLatin1Char('0'))
            .arg(m_number)
            .arg(index)
            .arg(QString::fromLatin1(hex(reportDescriptor, sizeof reportDescriptor)))
            .arg(interface.hidrawPath.mid(4)) +
        QStringLiteral(
            "E: DEVNAME=%1\nE: MAJOR=243\nE: MINOR=%2\nA: dev=243:%2\nL: device=../../../%3\nN: hidraw%2\n")
            .arg(interface.node)
            .arg(hidraw)
            .arg(ids);

    // The ioctl handler must be in place before the add events go out: a program reacting to them opens
    // the node at once.
    interface.handler = static_cast<UMockdevIoctlBase *>(g_object_new(UMOCKDEV_TYPE_IOCTL_BASE, nullptr));
    g_signal_connect(interface.handler, "handle-ioctl", G_CALLBACK(answerIoctl), this);
    GError *error = nullptr;
    const QByteArray node = interface.node.toUtf8();
    if (!umockdev_testbed_attach_ioctl(m_testbed, node.constData(), interface.handler, &error) ||
        !umockdev_testbed_add_from_string(m_testbed, description.toUtf8().constData(), &error)) {
        qWarning("hid interface: %s", error->message);
        g_error_free(error);
        return false;
    }
    m_deviceFds.append(umockdev_testbed_get_dev_fd(m_testbed, node.constData()));

    // umockdev does not fake fstat() on the opened node, which reports the terminal's real device
    // number; hidapi looks the node up in sysfs by that number, so make sysfs agree with it.
    gchar *root = umockdev_testbed_get_root_dir(m_testbed);
    gchar *sys = umockdev_testbed_get_sys_dir(m_testbed);
    const QString terminal = QFile::symLinkTarget(QString::fromUtf8(root) + interface.node);
    struct stat status = {};
    if (!terminal.isEmpty() && stat(QFile::encodeName(terminal).constData(), &status) == 0) {
        const QByteArray path = interface.hidrawPath.toUtf8();
        const QByteArray number =
            QByteArray::number(major(status.st_rdev)) + ':' + QByteArray::number(minor(status.st_rdev));
        umockdev_testbed_set_attribute(m_testbed, path.constData(), "dev", number.constData());
        umockdev_testbed_set_property_int(m_testbed, path.constData(), "MAJOR", int(major(status.st_rdev)));
        umockdev_testbed_set_property_int(m_testbed, path.constData(), "MINOR", int(minor(status.st_rdev)));
        const QByteArray link = QByteArray(sys) + "/dev/char/" + number;
        unlink(link.constData());
        if (symlink(("../.." + path.mid(4)).constData(), link.constData()) != 0)
            qWarning("symlink %s failed", link.constData());
        interface.ptyMap = QString::fromUtf8(root) + QStringLiteral("/dev/.ptymap/") +
            QString(terminal).replace(QLatin1Char('/'), QLatin1Char('_'));
    }
    g_free(root);
    g_free(sys);
    return true;
}

void FakeAdapter::unplug()
{
    if (!m_plugged)
        return;
    m_plugged = false;
    // A real unplug removes the children first: the hidraw nodes, the HID devices, the interfaces, then
    // the USB device.
    QStringList paths;
    for (const Interface &interface : qAsConst(m_interfaces)) {
        if (interface.hidrawPath.isEmpty())
            continue;
        const QString hid = interface.hidrawPath.section(QLatin1Char('/'), 0, -3);
        paths << interface.hidrawPath << hid << hid.section(QLatin1Char('/'), 0, -2);
    }
    paths << m_usbPath;
    for (const QString &path : qAsConst(paths))
        umockdev_testbed_uevent(m_testbed, path.toUtf8().constData(), "remove");

    // Hanging up the terminal makes the program's open handles fail with EIO, as a pulled device does.
    // The descriptor number is kept (on /dev/null) and closed by the destructor.
    const int devNull = open("/dev/null", O_RDWR);
    for (int fd : qAsConst(m_deviceFds))
        dup2(devNull, fd);
    close(devNull);
    for (Interface &interface : m_interfaces) {
        if (interface.handler) {
            umockdev_testbed_detach_ioctl(m_testbed, interface.node.toUtf8().constData(), nullptr);
            g_clear_object(&interface.handler);
        }
    }
    for (const QString &path : qAsConst(paths))
        umockdev_testbed_remove_device(m_testbed, path.toUtf8().constData());
    for (const Interface &interface : qAsConst(m_interfaces)) {
        if (!interface.ptyMap.isEmpty())
            QFile::remove(interface.ptyMap);
    }
}
