#include "Fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {
// The first installed family that calls itself rounded, looked up once.
const QString& roundedFamily() {
    static const QString family = [] {
        for (const QString& name : QFontDatabase::families()) {
            if (name.contains(u"Rounded"_s, Qt::CaseInsensitive))
                return name;
        }
        return QString();
    }();
    return family;
}
} // namespace

namespace Fonts {
QFont system(double pixelSize, QFont::Weight weight, Design design) {
    QFont font = design == Design::monospaced ? QFontDatabase::systemFont(QFontDatabase::FixedFont)
                                              : QGuiApplication::font();
    if (design != Design::monospaced) {
        // The desktop's family first; the CJK and emoji faces cover what it lacks.
        QStringList families{font.family(), u"Noto Sans CJK SC"_s, u"Noto Color Emoji"_s};
        if (design == Design::rounded && !roundedFamily().isEmpty())
            families.prepend(roundedFamily());
        font.setFamilies(families);
    }
    font.setPixelSize(qMax(1, qRound(pixelSize)));
    font.setWeight(weight);
    return font;
}
} // namespace Fonts
