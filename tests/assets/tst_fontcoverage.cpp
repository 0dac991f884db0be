// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "app/applicationfonts.h"

#include <QFile>
#include <QRawFont>
#include <QTextCodec>
#include <QtTest>

namespace {

// Every character that a double-byte legacy character set encodes in the given rows, decoded to Unicode.
QString doubleByteCharacters(const char *codecName, int firstRow, int lastRow)
{
    QTextCodec *codec = QTextCodec::codecForName(codecName);
    if (!codec)
        return QString();
    QString text;
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int cell = 0xA1; cell <= 0xFE; ++cell) {
            const char bytes[] = {char(row), char(cell)};
            QTextCodec::ConverterState state(QTextCodec::ConvertInvalidToNull);
            const QString decoded = codec->toUnicode(bytes, 2, &state);
            // Unassigned positions decode to nothing, a replacement character or the private use area.
            if (state.invalidChars == 0 && decoded.size() == 1 && decoded.at(0).isPrint() &&
                decoded.at(0).category() != QChar::Other_PrivateUse &&
                decoded.at(0) != QChar::ReplacementCharacter)
                text += decoded;
        }
    }
    return text;
}

QString range(char32_t first, char32_t last)
{
    QString text;
    for (char32_t c = first; c <= last; ++c)
        text += QString::fromUcs4(&c, 1);
    return text;
}

} // namespace

// Each interface font must draw every character its language's texts, and the firmware change logs
// shown in that language, can contain; a font that lacks them shows empty boxes.
class TestFontCoverage : public QObject
{
    Q_OBJECT

private slots:
    void interfaceFontCoversItsScript_data();
    void interfaceFontCoversItsScript();
};

void TestFontCoverage::interfaceFontCoversItsScript_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("characters");
    const QStringList fonts = ApplicationFonts::fontPaths();

    // GB2312 rows 16 to 87 are its 6763 hanzi; JIS X 0208 rows 1 to 84 are its symbols, kana and kanji.
    QTest::addRow("DengXian: every GB2312 hanzi")
        << fonts.at(0) << doubleByteCharacters("GB2312", 0xB0, 0xF7);
    QTest::addRow("DengXian: full-width punctuation")
        << fonts.at(0) << QStringLiteral("，。！？：；（）《》“”、…");
    QTest::addRow("Kochi Gothic: every JIS X 0208 character")
        << fonts.at(2) << doubleByteCharacters("EUC-JP", 0xA1, 0xF4);
    QTest::addRow("Microsoft Sans Serif: printable Latin-1")
        << fonts.at(1) << range(0x20, 0x7E) + range(0xA0, 0xFF);
    QTest::addRow("Consolas: Russian alphabet and digits")
        << fonts.at(3)
        << range(0x410, 0x44F) + QStringLiteral("Ёё0123456789.№«»");
    QTest::addRow("Arbutus Slab: French letters and quotes")
        << fonts.at(4)
        << range(0x20, 0x7E) + QStringLiteral("àâæçéèêëîïôœùûüÿÀÂÆÇÉÈÊËÎÏÔŒÙÛÜŸ«»’€");
    QTest::addRow("FontAwesome: check, cog, cloud, download, refresh, warning")
        << fonts.at(5)
        << range(0xF00C, 0xF00C) + range(0xF013, 0xF013) + range(0xF0C2, 0xF0C2) + range(0xF019, 0xF019) +
            range(0xF021, 0xF021) + range(0xF071, 0xF071);
}

void TestFontCoverage::interfaceFontCoversItsScript()
{
    QFETCH(QString, path);
    QFETCH(QString, characters);
    QVERIFY2(characters.size() > 0, "no characters to check: is the legacy codec missing?");

    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    const QRawFont font(file.readAll(), 16);
    QVERIFY(font.isValid());

    QString missing;
    for (char32_t c : characters.toUcs4()) {
        if (!font.supportsCharacter(c))
            missing += QString::fromUcs4(&c, 1);
    }
    QVERIFY2(missing.isEmpty(),
        qPrintable(QStringLiteral("%1 of %2 characters missing: %3")
                       .arg(missing.size())
                       .arg(characters.size())
                       .arg(missing.left(40))));
}

QTEST_MAIN(TestFontCoverage)
#include "tst_fontcoverage.moc"
