// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "bundledfontfamilies.h"
#include "instanceguard.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// The built program itself: it must carry its resources and come up with its window.
class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void executableRegistersAllSixFontsAndKeepsRunning();
};

void TestStartup::executableRegistersAllSixFontsAndKeepsRunning()
{
    // A private home, so that the program keeps whatever it stores away from the user's own.
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("default.debug=true"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
    // Its own single-instance guard too: a tool started from this build by hand, or by another suite, would
    // otherwise be the running instance this start hands over to.
    env.insert(QStringLiteral("TMPDIR"), home.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());

    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::SeparateChannels);
    program.start(QStringLiteral(TAVRUNE_EXECUTABLE), QStringList());
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));

    // Each font ends in exactly one line, a success or a failure; six lines mean registration is over.
    const QRegularExpression fontLine(QStringLiteral("^(App Font Families:.*|.* could not be loaded!)$"),
        QRegularExpression::MultilineOption);
    QByteArray log;
    QDeadlineTimer deadline(30000);
    while (QString::fromUtf8(log).count(fontLine) < 6 && !deadline.hasExpired() &&
        program.state() == QProcess::Running) {
        program.waitForReadyRead(200);
        log += program.readAllStandardError();
    }

    // Still running: the window is up and the event loop runs until the user closes it.
    const bool exitedEarly = program.waitForFinished(1000);
    log += program.readAllStandardError();
    program.kill();
    program.waitForFinished();
    InstanceGuard::release(QStringLiteral(TAVRUNE_EXECUTABLE), home.path());
    QVERIFY2(!exitedEarly, log.constData());

    // Windows ends the lines with CR LF.
    const QString text = QString::fromUtf8(log).remove(QLatin1Char('\r'));
    QVERIFY2(!text.contains(QLatin1String("could not be loaded!")), log.constData());
    QStringList reported;
    QRegularExpressionMatchIterator it =
        QRegularExpression(QStringLiteral("^App Font Families: \\d+ (\\(.*\\))$"), QRegularExpression::MultilineOption)
            .globalMatch(text);
    while (it.hasNext())
        reported << it.next().captured(1);
    QStringList expected;
    for (const QStringList &families : bundledFontFamilies())
        expected << familiesAsLogged(families);
    QCOMPARE(reported, expected);
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
