// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "app/applicationfonts.h"
#include "bundledfontfamilies.h"

#include <QDirIterator>
#include <QFile>
#include <QFontDatabase>
#include <QImageReader>
#include <QRegularExpression>
#include <QResource>
#include <QtTest>

namespace {

QStringList imagePaths()
{
    QStringList paths;
    const QStringList k1 = {
        QStringLiteral("RD-anxia.png"),
        QStringLiteral("RD-hover.png"),
        QStringLiteral("RD-normal.png"),
        QStringLiteral("UF-anxia.png"),
        QStringLiteral("UF-hover.png"),
        QStringLiteral("UF-normal.png"),
        QStringLiteral("beijing.png"),
        QStringLiteral("di.png"),
        QStringLiteral("duanwang.png"),
        QStringLiteral("finger.png"),
        QStringLiteral("guanb-anxia.png"),
        QStringLiteral("guanbi-hover.png"),
        QStringLiteral("guanbi-noamal.png"),
        QStringLiteral("jiantou.png"),
        QStringLiteral("jindu.png"),
        QStringLiteral("jingshi-anxia.png"),
        QStringLiteral("jingshi-hover.png"),
        QStringLiteral("jingshi-normal.png"),
        QStringLiteral("settings.png"),
        QStringLiteral("threedots.png"),
        QStringLiteral("wangluo.png"),
        QStringLiteral("xiala-xuanzekuang.png"),
        QStringLiteral("xiala.png"),
        QStringLiteral("xialak.png"),
    };
    for (const QString &name : k1)
        paths << QStringLiteral(":/images/K1/") + name;
    for (const char *name : {"beijing.png", "chanpin.png", "fuwuqi.png", "lianjiexian.png", "main.png"})
        paths << QStringLiteral(":/images/K2/") + QLatin1String(name);
    for (const char *name : {"button-hover.png", "button-normal.png", "button-press.png"})
        paths << QStringLiteral(":/images/K3/") + QLatin1String(name);
    return paths;
}

// The picture drawn in place of path where the device pixel ratio is above 1.
QString highDensityPath(const QString &path)
{
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    return path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
}

// Each picture at both densities, the busy animation included.
QStringList allDensityImagePaths()
{
    QStringList paths;
    for (const QString &path : imagePaths() + QStringList {QStringLiteral(":/images/loading.gif")})
        paths << path << highDensityPath(path);
    return paths;
}

// The fonts the program registers from the bundle: none where the build takes the installed ones.
QStringList bundledFontPaths()
{
    return ApplicationFonts::fontPaths().filter(QRegularExpression(QStringLiteral("^:/")));
}

// Every file the program expects under the prefixes that the style sheet, the fonts and the images use.
QStringList bundlePaths()
{
    return QStringList {QStringLiteral(":/ui/style.qss")} + bundledFontPaths() + allDensityImagePaths();
}

} // namespace

// The resource bundle as the program's library carries it.
class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void everyBundledFileOpens_data();
    void everyBundledFileOpens();
    void bundleHoldsNoStrayFiles();
    void styleSheetIsStoredZlibCompressed();
    void fontsAreStoredUncompressed_data();
    void fontsAreStoredUncompressed();
    void imagesDecode_data();
    void imagesDecode();
    void highDensityImagesHaveTwiceThePixels_data();
    void highDensityImagesHaveTwiceThePixels();
    void busyAnimationHasSeveralFrames();
    void bundledFontsProvideTheirOwnFamilies();
};

void TestResources::everyBundledFileOpens_data()
{
    QTest::addColumn<QString>("path");
    for (const QString &path : bundlePaths())
        QTest::addRow("%s", qPrintable(path)) << path;
}

void TestResources::everyBundledFileOpens()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
    QVERIFY(!file.readAll().isEmpty());
}

void TestResources::bundleHoldsNoStrayFiles()
{
    QStringList found;
    for (const QString &prefix :
        {QStringLiteral(":/ui"), QStringLiteral(":/fonts"), QStringLiteral(":/images")}) {
        QDirIterator it(prefix, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
    }
    QStringList expected = bundlePaths();
    found.sort();
    expected.sort();
    QCOMPARE(found, expected);
}

void TestResources::styleSheetIsStoredZlibCompressed()
{
    QResource sheet(QStringLiteral(":/ui/style.qss"));
    QVERIFY(sheet.isValid());
    QCOMPARE(sheet.compressionAlgorithm(), QResource::ZlibCompression);
    // The stored bytes are the compressed ones; the uncompressed text must still read back whole.
    QVERIFY(sheet.uncompressedData().contains("QPushButton#pushButton_Update"));
}

void TestResources::fontsAreStoredUncompressed_data()
{
    if (bundledFontPaths().isEmpty())
        QSKIP("this build registers the installed fonts");
    QTest::addColumn<QString>("path");
    for (const QString &path : bundledFontPaths())
        QTest::addRow("%s", qPrintable(path)) << path;
}

void TestResources::fontsAreStoredUncompressed()
{
    QFETCH(QString, path);
    QResource font(path);
    QVERIFY(font.isValid());
    QCOMPARE(font.compressionAlgorithm(), QResource::NoCompression);
}

void TestResources::imagesDecode_data()
{
    QTest::addColumn<QString>("path");
    for (const QString &path : imagePaths())
        QTest::addRow("%s", qPrintable(path)) << path;
}

void TestResources::imagesDecode()
{
    QFETCH(QString, path);
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("png"));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
}

void TestResources::highDensityImagesHaveTwiceThePixels_data()
{
    QTest::addColumn<QString>("path");
    for (const QString &path : imagePaths() + QStringList {QStringLiteral(":/images/loading.gif")})
        QTest::addRow("%s", qPrintable(path)) << path;
}

// Drawn at a device pixel ratio of 2, a picture of any other size would not cover its place exactly.
void TestResources::highDensityImagesHaveTwiceThePixels()
{
    QFETCH(QString, path);
    QImageReader normal(path);
    QImageReader dense(highDensityPath(path));
    QCOMPARE(dense.format(), normal.format());
    QCOMPARE(dense.size(), normal.size() * 2);
    QCOMPARE(dense.imageCount(), normal.imageCount());
}

void TestResources::busyAnimationHasSeveralFrames()
{
    QImageReader reader(QStringLiteral(":/images/loading.gif"));
    QCOMPARE(reader.format(), QByteArray("gif"));
    QVERIFY(reader.supportsAnimation());
    QVERIFY2(reader.imageCount() > 1, "a busy animation needs more than one frame");
}

void TestResources::bundledFontsProvideTheirOwnFamilies()
{
    QList<QStringList> families;
    for (const QString &path : ApplicationFonts::fontPaths()) {
        const int id = QFontDatabase::addApplicationFont(path);
        QVERIFY2(id >= 0, qPrintable(path));
        families << QFontDatabase::applicationFontFamilies(id);
    }
    QCOMPARE(families, bundledFontFamilies());
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
