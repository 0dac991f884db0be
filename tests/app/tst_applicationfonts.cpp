// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "app/applicationfonts.h"
#include "bundledfontfamilies.h"

#include <QFontDatabase>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// Registration of the bundled fonts and what happens when one of them cannot be loaded.
class TestApplicationFonts : public QObject
{
    Q_OBJECT

private slots:
    void eachBundledFontIsReportedWithItsFamily();
    void unloadableFontIsReportedAndSkipped_data();
    void unloadableFontIsReportedAndSkipped();
};

void TestApplicationFonts::eachBundledFontIsReportedWithItsFamily()
{
    // In registration order, each line names the font's id and the families it provides.
    for (const QString &family : bundledFontFamilies())
        QTest::ignoreMessage(QtDebugMsg,
            QRegularExpression(QStringLiteral("^App Font Families: \\d+ \\(\"%1\"\\)$")
                                   .arg(QRegularExpression::escape(family))));
    ApplicationFonts::registerAll(ApplicationFonts::bundledPaths());
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
    const QString goodPath = QStringLiteral(":/fonts/arbutusslab-regular.ttf");
    QTest::ignoreMessage(QtWarningMsg, qPrintable(badPath + QStringLiteral(" could not be loaded!")));
    QTest::ignoreMessage(
        QtDebugMsg, QRegularExpression(QStringLiteral("^App Font Families: \\d+ \\(\"Arbutus Slab\"\\)$")));
    ApplicationFonts::registerAll({badPath, goodPath});

    QVERIFY(QFontDatabase().families().contains(QStringLiteral("Arbutus Slab")));
}

QTEST_MAIN(TestApplicationFonts)
#include "tst_applicationfonts.moc"
