// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "app/applicationfonts.h"
#include "bundledfontfamilies.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QRawFont>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// Registration of the interface fonts and what happens when one of them cannot be loaded.
class TestApplicationFonts : public QObject
{
    Q_OBJECT

private slots:
    void eachBundledFontIsReportedWithItsFamily();
    void interfaceFamilyResolvesToItsBundledFont_data();
    void interfaceFamilyResolvesToItsBundledFont();
    void unloadableFontIsReportedAndSkipped_data();
    void unloadableFontIsReportedAndSkipped();
};

void TestApplicationFonts::eachBundledFontIsReportedWithItsFamily()
{
    // In registration order, each line names the font's id and the families it provides.
    for (const QStringList &families : bundledFontFamilies())
        QTest::ignoreMessage(QtDebugMsg,
            QRegularExpression(QStringLiteral("^App Font Families: \\d+ %1$")
                                   .arg(QRegularExpression::escape(familiesAsLogged(families)))));
    ApplicationFonts::registerAll(ApplicationFonts::fontPaths());
}

void TestApplicationFonts::interfaceFamilyResolvesToItsBundledFont_data()
{
    QTest::addColumn<QString>("asked");    // what the language table or the icons ask for
    QTest::addColumn<QString>("drawn");    // the free font that must stand for it
    QTest::addColumn<QString>("sample");   // characters of that language the font must draw

    QTest::addRow("English") << QStringLiteral("Microsoft Sans Serif") << QStringLiteral("DejaVu Sans")
                             << QStringLiteral("Firmware");
    QTest::addRow("Chinese") << QStringLiteral("DengXian") << QStringLiteral("WenQuanYi Micro Hei")
                             << QStringLiteral("固件升级");
    QTest::addRow("Japanese") << QStringLiteral("Kochi Gothic") << QStringLiteral("VL Gothic")
                              << QStringLiteral("ファームウェア");
    QTest::addRow("Russian") << QStringLiteral("Consolas") << QStringLiteral("DejaVu Sans Mono")
                             << QStringLiteral("Прошивка");
    QTest::addRow("French") << QStringLiteral("Arbutus Slab") << QStringLiteral("Roboto Slab")
                            << QStringLiteral("Mise à jour «»");
    QTest::addRow("icons") << QStringLiteral("FontAwesome") << QStringLiteral("FontAwesome")
                           << QStringLiteral("\uf013\uf0ed");
}

void TestApplicationFonts::interfaceFamilyResolvesToItsBundledFont()
{
    QFETCH(QString, asked);
    QFETCH(QString, drawn);
    QFETCH(QString, sample);

    // Quietly: the lines themselves are the test above.
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    ApplicationFonts::registerAll(ApplicationFonts::fontPaths());
    qInstallMessageHandler(previous);

    // As the language switch sets it: the family by name, default size, weight and style.
    const QFont font(asked, -1, -1, false);
    QCOMPARE(QFontInfo(font).family(), drawn);
    const QRawFont raw = QRawFont::fromFont(font);
    for (const QChar c : sample)
        QVERIFY2(raw.supportsCharacter(c), qPrintable(QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0'))));
}

void TestApplicationFonts::unloadableFontIsReportedAndSkipped_data()
{
    QTest::addColumn<QString>("badPath");
    QTest::addColumn<QByteArray>("badContent"); // written to badPath when not null

    QTest::addRow("font missing from the bundle") << QStringLiteral(":/fonts/missing.ttf") << QByteArray();
    QTest::addRow("file missing on disk") << QStringLiteral("%1/absent.ttf") << QByteArray();
    QTest::addRow("file that is no font")
        << QStringLiteral("%1/garbage.ttf") << QByteArray("not a font at all");
    QTest::addRow("empty file") << QStringLiteral("%1/empty.otf") << QByteArray("");
}

void TestApplicationFonts::unloadableFontIsReportedAndSkipped()
{
    QFETCH(QString, badPath);
    QFETCH(QByteArray, badContent);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (badPath.contains(QLatin1String("%1")))
        badPath = badPath.arg(dir.path());
    if (!badContent.isNull()) {
        QFile file(badPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(badContent);
    }

    // The bad font is named, and the font after it is still registered.
    const QString goodPath = ApplicationFonts::fontPaths().at(4);
    QTest::ignoreMessage(QtWarningMsg, qPrintable(badPath + QStringLiteral(" could not be loaded!")));
    QTest::ignoreMessage(
        QtDebugMsg, QRegularExpression(QStringLiteral("^App Font Families: \\d+ \\(\"Roboto Slab\"\\)$")));
    ApplicationFonts::registerAll({badPath, goodPath});

    QVERIFY(QFontDatabase().families().contains(QStringLiteral("Roboto Slab")));
}

QTEST_MAIN(TestApplicationFonts)
#include "tst_applicationfonts.moc"
