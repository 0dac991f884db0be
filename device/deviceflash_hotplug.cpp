#include "deviceflash.h"

// The seam of the hot-plug handling: the operating system's arrival and removal notifications are asked
// for here, at the end of the constructor, and seen in nativeEventFilter. Until that handling is in, the
// adapter is found only by the start-up search.
void DeviceFlash::registerDeviceNotifications() { }

bool DeviceFlash::nativeEventFilter(const QByteArray &, void *, long *)
{
    return false;
}
