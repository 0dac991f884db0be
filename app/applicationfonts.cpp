#include "applicationfonts.h"

#include <QDebug>
#include <QFontDatabase>

namespace ApplicationFonts {

QStringList bundledPaths()
{
    return {
        QStringLiteral(":/fonts/cn-msyh.ttf"),
        QStringLiteral(":/fonts/en-micross.ttf"),
        QStringLiteral(":/fonts/jp-msgothic.ttf"),
        QStringLiteral(":/fonts/ru-consola.ttf"),
        QStringLiteral(":/fonts/arbutusslab-regular.ttf"),
        QStringLiteral(":/fonts/FontAwesome.otf"),
    };
}

void registerAll(const QStringList &paths)
{
    for (const QString &path : paths) {
        const int id = QFontDatabase::addApplicationFont(path);
        if (id < 0)
            qWarning().noquote() << path << "could not be loaded!";
        else
            qDebug() << "App Font Families:" << id << QFontDatabase::applicationFontFamilies(id);
    }
}

} // namespace ApplicationFonts
