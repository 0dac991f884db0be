// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "applicationfonts.h"

#include <QDebug>
#include <QFont>
#include <QFontDatabase>
#include <QResource>

namespace ApplicationFonts {

QList<QPair<QString, QString>> interfaceFamilies()
{
    // The interface was drawn with fonts of other makers, which are not ours to ship; free fonts of the same
    // kind and script stand in for them under their own names.
    return {
        {QStringLiteral("DengXian"), QStringLiteral("WenQuanYi Micro Hei")},
        {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("DejaVu Sans")},
        {QStringLiteral("Kochi Gothic"), QStringLiteral("VL Gothic")},
        {QStringLiteral("Consolas"), QStringLiteral("DejaVu Sans Mono")},
        {QStringLiteral("Arbutus Slab"), QStringLiteral("Roboto Slab")},
        {QStringLiteral("FontAwesome"), QStringLiteral("FontAwesome")},
    };
}

namespace {

// A font stored uncompressed in the resource bundle is handed to the font database as the bundle's own
// bytes: it keeps a reference to them and gives them to FreeType as they are, where registering it by its
// path would copy the whole file onto the heap, and again for each face made from it. The bundle lives as
// long as the program. Anything else (a compressed resource, a file on disk) goes by its path.
int addApplicationFont(const QString &path)
{
    const QResource resource(path);
    if (resource.isValid() && resource.compressionAlgorithm() == QResource::NoCompression &&
        resource.size() > 0) {
        return QFontDatabase::addApplicationFontFromData(
            QByteArray::fromRawData(reinterpret_cast<const char *>(resource.data()), int(resource.size())));
    }
    return QFontDatabase::addApplicationFont(path);
}

} // namespace

void registerAll(const QStringList &paths)
{
    // Qt reads the system's fonts when its font database is first used, and registers every application
    // font added before that a second time then. Reading them first (constructing the database does)
    // registers each font once.
    const QFontDatabase systemFonts;
    for (const QString &path : paths) {
        const int id = addApplicationFont(path);
        if (id < 0)
            qWarning().noquote() << path << "could not be loaded!";
        else
            qDebug() << "App Font Families:" << id << QFontDatabase::applicationFontFamilies(id);
    }
    // Qt looks a family up among the fonts it knows before it tries the family's substitutes: where the
    // system has the font the interface asks for (Windows has most of them), that font is drawn; elsewhere
    // the free font that stands in for it.
    for (const auto &family : interfaceFamilies()) {
        if (family.first != family.second)
            QFont::insertSubstitution(family.first, family.second);
    }
}

} // namespace ApplicationFonts
