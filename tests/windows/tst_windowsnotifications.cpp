// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "app/applicationfonts.h"
#include "device/deviceflash.h"
#include "tests/device/logcapture.h"
#include "tests/ui/windowtestenvironment.h"
#include "ui/mainwindow.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStackedWidget>
#include <QtTest>

#include <qt_windows.h>
#include <dbt.h>

#include <vector>

// Device-change messages as Windows sends them, to the real window on Qt's windows platform and to the
// message-only window of a device link without one, with the simulated adapter behind hidapi; and the
// interface's font families as Windows' font database resolves them.
class TestWindowsNotifications : public QObject
{
    Q_OBJECT

    QStringList m_systemFamilies; // before the bundled fonts were registered

private slots:
    void initTestCase();
    void messagesMoveTheWindowBetweenPages();
    void linkWithoutWindowHearsThroughItsOwnWindow();
    void interfaceFamiliesAreTheSystemsOrTheBundledOnes();
};

namespace {

// A DEV_BROADCAST_DEVICEINTERFACE_W with its name, sized as the system sizes it.
std::vector<char> interfaceBroadcast(const wchar_t *name)
{
    const size_t nameBytes = (wcslen(name) + 1) * sizeof(wchar_t);
    std::vector<char> bytes(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + nameBytes);
    auto header = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W *>(bytes.data());
    header->dbcc_size = DWORD(bytes.size());
    header->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    memcpy(header->dbcc_name, name, nameBytes);
    return bytes;
}

void send(HWND window, WPARAM event, std::vector<char> broadcast)
{
    SendMessageW(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(broadcast.data()));
}

const wchar_t adapterB275[] = LR"(\\?\USB#VID_0E3A&PID_B275#6&2b1c3d4e&0&2#{a5dcbf10-6530-11d2-901f-00c04fb951ed})";
const wchar_t adapterB271[] = LR"(\\?\USB#VID_0E3A&PID_B271#6&2b1c3d4e&0&2#{a5dcbf10-6530-11d2-901f-00c04fb951ed})";

} // namespace

void TestWindowsNotifications::initTestCase()
{
    WindowTestEnvironment::instance();
    const QStringList systemFamilies = QFontDatabase().families();
    ApplicationFonts::registerAll(ApplicationFonts::fontPaths());
    m_systemFamilies = systemFamilies;
}

void TestWindowsNotifications::messagesMoveTheWindowBetweenPages()
{
    LogCapture log;
    MainWindow window(WindowTestEnvironment::instance().server());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const auto stack = window.findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
    const auto page = [stack] { return stack->currentWidget()->objectName(); };
    QTRY_COMPARE(page(), QStringLiteral("page_Unconnected"));
    QCOMPARE(log.lines(QStringLiteral("warning registerDevice fail!")), QStringList());
    const auto handle = reinterpret_cast<HWND>(window.winId());

    SimAdapter::plug(0xB275);
    send(handle, DBT_DEVICEARRIVAL, interfaceBroadcast(adapterB275));
    QTRY_COMPARE(page(), QStringLiteral("page_Connected"));

    // A USB stick: its volume is logged, its disk interface does not match, and nothing moves.
    std::vector<char> volume(sizeof(DEV_BROADCAST_VOLUME));
    auto header = reinterpret_cast<DEV_BROADCAST_VOLUME *>(volume.data());
    header->dbcv_size = sizeof(DEV_BROADCAST_VOLUME);
    header->dbcv_devicetype = DBT_DEVTYP_VOLUME;
    header->dbcv_unitmask = 1 << ('E' - 'A');
    send(handle, DBT_DEVICEARRIVAL, volume);
    send(handle, DBT_DEVICEARRIVAL,
         interfaceBroadcast(LR"(\\?\USBSTOR#Disk&Ven_Kingston&Prod_DataTraveler_3.0&Rev_PMAP#0019E06B9C85#{53f56307-b6bf-11d0-94f2-00a0c91efb8b})"));
    QCOMPARE(log.lines(QStringLiteral("debug upan")).size(), 1);
    // Another product of the maker going away is not the adapter.
    send(handle, DBT_DEVICEREMOVECOMPLETE, interfaceBroadcast(adapterB271));
    QTest::qWait(100);
    QCOMPARE(page(), QStringLiteral("page_Connected"));

    SimAdapter::plug(0);
    send(handle, DBT_DEVICEREMOVECOMPLETE, interfaceBroadcast(adapterB275));
    QTRY_COMPARE(page(), QStringLiteral("page_Unconnected"));
}

// The command line's link: no window to address, so the messages go to a window of the link's own.
void TestWindowsNotifications::linkWithoutWindowHearsThroughItsOwnWindow()
{
    QObject frontEnd;
    DeviceFlash link(&frontEnd);
    const HWND own = FindWindowExW(HWND_MESSAGE, nullptr, L"TavruneMessageOnlyWindow", nullptr);
    QVERIFY(own);
    QSignalSpy status(&link, &DeviceFlash::deviceConnectStatusChanged);

    SimAdapter::plug(0xB275);
    send(own, DBT_DEVICEARRIVAL, interfaceBroadcast(adapterB275));
    QTRY_COMPARE(status.count(), 1);
    QCOMPARE(status.at(0).at(0).toBool(), true);
    SimAdapter::plug(0);
    send(own, DBT_DEVICEREMOVECOMPLETE, interfaceBroadcast(adapterB275));
    QTRY_COMPARE(status.count(), 2);
    QCOMPARE(status.at(1).at(0).toBool(), false);
}

// A Windows PC has most of the families the interface asks for, and draws them; where one is missing (Wine has
// none of them) the bundled stand-in is drawn, never a font Windows picks.
void TestWindowsNotifications::interfaceFamiliesAreTheSystemsOrTheBundledOnes()
{
    for (const auto &family : ApplicationFonts::interfaceFamilies()) {
        const QString drawn = QFontInfo(QFont(family.first)).family();
        qInfo().noquote() << family.first << "is drawn as" << drawn;
        QCOMPARE(drawn, m_systemFamilies.contains(family.first) ? family.first : family.second);
    }
}

QTEST_MAIN(TestWindowsNotifications)
#include "tst_windowsnotifications.moc"
