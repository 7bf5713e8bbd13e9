#include "Fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace Fonts {
QFont system(double pixelSize, QFont::Weight weight, Design design) {
    QFont font = design == Design::monospaced ? QFontDatabase::systemFont(QFontDatabase::FixedFont)
                                              : QGuiApplication::font();
    if (design != Design::monospaced) {
        // The desktop's family first; the CJK and emoji faces cover what it lacks.
        font.setFamilies({font.family(), u"Noto Sans CJK SC"_s, u"Noto Color Emoji"_s});
    }
    font.setPixelSize(qMax(1, qRound(pixelSize)));
    font.setWeight(weight);
    return font;
}
} // namespace Fonts
