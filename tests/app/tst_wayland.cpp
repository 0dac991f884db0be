// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT

#include "instanceguard.h"
#include "sim/loopbackhttpserver.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Whether each pattern matches text after the previous one's match.
bool matchInOrder(const QString &text, const QStringList &patterns)
{
    int from = 0;
    for (const QString &pattern : patterns) {
        const QRegularExpressionMatch match = QRegularExpression(pattern).match(text, from);
        if (!match.hasMatch())
            return false;
        from = match.capturedEnd();
    }
    return true;
}

} // namespace

// The built program under a real Wayland compositor (weston, headless): it must come up with its window as
// under any Wayland desktop, where the compositor alone places windows.
class TestWayland : public QObject
{
    Q_OBJECT

private slots:
    void executableShowsItsWindowWithoutWaylandErrors();
};

void TestWayland::executableShowsItsWindowWithoutWaylandErrors()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    // Wayland wants its sockets in a folder only this user may enter.
    const QString runtime = home.filePath(QStringLiteral("runtime"));
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString display = QStringLiteral("tavrune-test-wayland");

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("DISPLAY"));
    // A socket named on the command line: as root, weston finds no seat and would not make its default one.
    QProcess compositor;
    compositor.setProcessEnvironment(env);
    compositor.setProcessChannelMode(QProcess::MergedChannels);
    compositor.start(QStringLiteral(WESTON_EXECUTABLE),
        {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--socket=") + display,
            QStringLiteral("--idle-time=0"), QStringLiteral("--no-config")});
    QVERIFY2(compositor.waitForStarted(), qPrintable(compositor.errorString()));
    QTRY_VERIFY2_WITH_TIMEOUT(QFile::exists(runtime + QLatin1Char('/') + display) ||
            compositor.state() != QProcess::Running,
        compositor.readAll().constData(), 20000);
    QVERIFY2(compositor.state() == QProcess::Running, compositor.readAll().constData());

    env.insert(QStringLiteral("WAYLAND_DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    // Every request and event on the Wayland connection, as the program exchanges them with the compositor.
    env.insert(QStringLiteral("WAYLAND_DEBUG"), QStringLiteral("client"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("default.debug=true"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("TMPDIR"), home.path());
    for (const char *variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        env.insert(QLatin1String(variable), home.filePath(QLatin1String(variable)));
    // The catalogue request goes nowhere, fast.
    env.insert(QStringLiteral("http_proxy"),
        QStringLiteral("http://127.0.0.1:%1").arg(LoopbackHttpServer::closedPort()));
    env.remove(QStringLiteral("no_proxy"));

    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral(TAVRUNE_EXECUTABLE), QStringList());
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));

    // The main window's surface is a top-level that the compositor has configured and that has been given
    // the window's first picture; the catalogue request follows the first paint.
    const QStringList shown {QStringLiteral(R"(xdg_toplevel@\d+\.set_title\("Tavrune Firmware Tool"\))"),
        QStringLiteral(R"(xdg_toplevel@\d+\.configure\()"), QStringLiteral(R"(wl_surface@\d+\.attach\(wl_buffer@)"),
        QStringLiteral("SyncCloud::getInformation")};
    QByteArray log;
    QDeadlineTimer deadline(30000);
    while (!matchInOrder(QString::fromUtf8(log), shown) && !deadline.hasExpired() &&
        program.state() == QProcess::Running) {
        program.waitForReadyRead(200);
        log += program.readAll();
    }
    // Still running a second on: the window stays up until the user closes it.
    const bool exitedEarly = program.waitForFinished(1000);
    log += program.readAll();
    program.kill();
    program.waitForFinished();
    compositor.kill();
    compositor.waitForFinished();
    InstanceGuard::release(QStringLiteral(TAVRUNE_EXECUTABLE), runtime);

    const QString text = QString::fromUtf8(log);
    QVERIFY2(!exitedEarly, log.constData());
    QVERIFY2(matchInOrder(text, shown), log.constData());
    // A protocol error, a lost connection or a warning of Qt's Wayland plugin.
    const QRegularExpression waylandError(
        QStringLiteral(R"(wl_display@\d+\.error\(|Wayland connection|qt\.qpa\.wayland|platform plugin)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch error = waylandError.match(text);
    QVERIFY2(!error.hasMatch(), qPrintable(text.mid(qMax(0, error.capturedStart() - 200), 600)));
}

QTEST_GUILESS_MAIN(TestWayland)
#include "tst_wayland.moc"
