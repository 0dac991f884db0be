// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "app/applicationidentity.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <qt_windows.h>

// The Windows executables as a user starts them, as separate processes of the same Windows user: the
// window (its build against the simulated adapter, and the shipping one with the real libhidapi.dll), the
// demo and tavrune-flash.exe.
class TestWindowsProcesses : public QObject
{
    Q_OBJECT

    QTemporaryDir m_firmware;

private slots:
    void initTestCase();
    void secondStartHandsOverAndExitsZero();
    void shippingWindowStartsWithoutAdapter();
    void demoKeepsItsDataInItsOwnFolder();
    void commandLineFindsNoAdapterAndChecksFiles_data();
    void commandLineFindsNoAdapterAndChecksFiles();
};

namespace {

// Starts program with the window's debug log on standard error.
void start(QProcess &process, const QString &program, const QStringList &arguments = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("default.debug=true"));
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    QVERIFY2(process.waitForStarted(), qPrintable(process.errorString()));
}

// Reads the log until it holds text or the process ends; whether it came.
bool awaitLog(QProcess &process, QByteArray &log, const QByteArray &text)
{
    QDeadlineTimer deadline(60000);
    while (!log.contains(text) && process.state() == QProcess::Running && !deadline.hasExpired()) {
        process.waitForReadyRead(200);
        log += process.readAllStandardError();
    }
    return log.contains(text);
}

bool hasVisibleWindow(qint64 pid)
{
    struct Search { DWORD pid; bool found; } search = {DWORD(pid), false};
    EnumWindows([](HWND window, LPARAM parameter) -> BOOL {
        auto search = reinterpret_cast<Search *>(parameter);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        search->found = search->found || (owner == search->pid && IsWindowVisible(window));
        return !search->found;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void stop(QProcess &process)
{
    process.kill();
    process.waitForFinished();
}

} // namespace

// A good firmware file and one with a bit of its image flipped after the digest was made.
void TestWindowsProcesses::initTestCase()
{
    const QString pattern = QStringLiteral("--pattern 4096 --version 2.2.0 %1 %2");
    for (const auto &file : {pattern.arg(QString(), m_firmware.filePath(QStringLiteral("good.rfw"))),
                             pattern.arg(QStringLiteral("--flip-bit 1000"), m_firmware.filePath(QStringLiteral("damaged.rfw")))}) {
        QProcess maker;
        maker.start(QStringLiteral(MKRFW_PATH), file.split(QLatin1Char(' '), Qt::SkipEmptyParts));
        QVERIFY(maker.waitForFinished(60000));
        QCOMPARE(maker.exitCode(), 0);
    }
}

void TestWindowsProcesses::secondStartHandsOverAndExitsZero()
{
    QProcess first;
    start(first, QStringLiteral(SIM_TOOL));
    QByteArray log;
    // The window searches for the adapter only once it is the primary and on screen.
    QVERIFY2(awaitLog(first, log, "Device open!"), log.constData());

    QProcess second;
    start(second, QStringLiteral(SIM_TOOL));
    QVERIFY(second.waitForFinished(60000));
    const QByteArray secondLog = second.readAllStandardError();
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    // It never reached the adapter: the primary holds it.
    QVERIFY2(secondLog.contains("simulated adapter opens: 0"), secondLog.constData());
    QCOMPARE(first.state(), QProcess::Running);
    stop(first);
}

void TestWindowsProcesses::shippingWindowStartsWithoutAdapter()
{
    QProcess tool;
    start(tool, QStringLiteral(TAVRUNE_EXECUTABLE));
    QByteArray log;
    QVERIFY2(awaitLog(tool, log, "App Font Families"), log.constData());
    QTRY_VERIFY_WITH_TIMEOUT(hasVisibleWindow(tool.processId()), 30000);
    log += tool.readAllStandardError();
    QCOMPARE(tool.state(), QProcess::Running);
    QVERIFY2(!log.contains("Device open!"), log.constData());
    stop(tool);
}

void TestWindowsProcesses::demoKeepsItsDataInItsOwnFolder()
{
    // The shell's application data folder of this Wine user, as the tool finds it.
    ApplicationIdentity::apply();
    const QFileInfo userSettings(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
        QStringLiteral("/tavruneflashtool.ini"));
    const QDateTime userSettingsModified = userSettings.lastModified(); // invalid while there is none

    QTemporaryDir temp;
    QProcess demo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *variable : {"TMP", "TEMP"})
        env.insert(QLatin1String(variable), QDir::toNativeSeparators(temp.path()));
    demo.setProcessEnvironment(env);
    demo.start(QStringLiteral(DEMO_EXECUTABLE), QStringList());
    QVERIFY2(demo.waitForStarted(), qPrintable(demo.errorString()));

    // It lists the sample catalogue, which it keeps in the settings file of its private folder.
    const auto privateSettings = [&temp] {
        const QStringList found = QDir(temp.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QFile settings(found.size() == 1
                ? temp.filePath(found.first() +
                      QStringLiteral("/Tavrune/Tavrune M4 Firmware Tool/tavruneflashtool.ini"))
                : QString());
        return settings.open(QIODevice::ReadOnly) ? settings.readAll() : QByteArray();
    };
    QTRY_VERIFY_WITH_TIMEOUT(privateSettings().contains("FirmwareInfo"), 60000);
    QCOMPARE(demo.state(), QProcess::Running);

    // Closed as Windows closes a program: it ends well and takes its folder with it.
    demo.terminate();
    QVERIFY(demo.waitForFinished(30000));
    QCOMPARE(demo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(demo.exitCode(), 0);
    QVERIFY(QDir(temp.path()).isEmpty());
    QCOMPARE(QFileInfo(userSettings.filePath()).lastModified(), userSettingsModified);
}

void TestWindowsProcesses::commandLineFindsNoAdapterAndChecksFiles_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output");
    const QString good = m_firmware.filePath(QStringLiteral("good.rfw"));
    const QString damaged = m_firmware.filePath(QStringLiteral("damaged.rfw"));
    QTest::addRow("info without adapter") << QStringList{QStringLiteral("info")} << 3
                                          << QByteArray("tavrune-flash: no Tavrune M4 adapter found");
    QTest::addRow("check good file") << QStringList{QStringLiteral("check"), good} << 0
                                     << QByteArray("2.2.0");
    QTest::addRow("check damaged file") << QStringList{QStringLiteral("check"), damaged} << 4
                                        << QByteArray("tavrune-flash:");
}

void TestWindowsProcesses::commandLineFindsNoAdapterAndChecksFiles()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);
    QProcess flash;
    start(flash, QStringLiteral(FLASH_EXECUTABLE), arguments);
    QVERIFY(flash.waitForFinished(60000));
    const QByteArray text = flash.readAllStandardOutput() + flash.readAllStandardError();
    QCOMPARE(flash.exitCode(), exitCode);
    QVERIFY2(text.contains(output), text.constData());
}

QTEST_GUILESS_MAIN(TestWindowsProcesses)
#include "tst_windowsprocesses.moc"
