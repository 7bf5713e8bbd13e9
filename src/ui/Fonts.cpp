#include "Fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QStringList>
#include <QTextLayout>
#include <list>

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

namespace {
bool isEmoji(char32_t c, char32_t next) {
    return (c >= 0x1F000 && c <= 0x1FAFF) || next == 0xFE0F || c == 0xFE0F || c == 0x200D || c == 0x20E3 ||
           (c >= 0xE0020 && c <= 0xE007F);
}

// Lays `text` out in lines of `width`; the layout's height is its last line's bottom.
double layOut(QTextLayout& layout, const QFont& font, double width, int flags) {
    QFont emoji = font;
    emoji.setFamilies({u"Noto Color Emoji"_s});
    QTextCharFormat format;
    format.setFont(emoji);
    QList<QTextLayout::FormatRange> ranges;
    const QList<uint> codes = layout.text().toUcs4();
    int at = 0;
    for (qsizetype i = 0; i < codes.size(); ++i) {
        const char32_t c = codes.at(i);
        const int units = c > 0xFFFF ? 2 : 1;
        if (isEmoji(c, i + 1 < codes.size() ? codes.at(i + 1) : 0)) {
            if (!ranges.isEmpty() && ranges.last().start + ranges.last().length == at)
                ranges.last().length += units;
            else
                ranges.append({at, units, format});
        }
        at += units;
    }
    layout.setFont(font);
    layout.setFormats(ranges);
    QTextOption option(Qt::Alignment(flags) & Qt::AlignHorizontal_Mask);
    option.setWrapMode((flags & Qt::TextWordWrap) ? QTextOption::WordWrap : QTextOption::NoWrap);
    layout.setTextOption(option);
    double y = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return y;
}

struct LaidOut {
    QString text;
    QFont font;
    double width = 0;
    int flags = 0;
    QTextLayout layout;
    double height = 0;
};

// A rest repaints the same few lines at its frame rate; shaping them anew on
// each paint was a tenth of its cost. Painting happens on one thread.
const LaidOut& laidOut(const QString& text, const QFont& font, double width, int flags) {
    // Never destroyed: the layouts must not outlive the application's fonts.
    static auto* recent = new std::list<LaidOut>;
    for (auto it = recent->begin(); it != recent->end(); ++it) {
        if (it->width == width && it->flags == flags && it->text == text && it->font == font) {
            recent->splice(recent->begin(), *recent, it);
            return recent->front();
        }
    }
    if (recent->size() >= 32)
        recent->pop_back();
    LaidOut& entry = recent->emplace_front();
    entry.text = text;
    entry.font = font;
    entry.width = width;
    entry.flags = flags;
    entry.layout.setText(text);
    entry.height = layOut(entry.layout, font, width, flags);
    return entry;
}
} // namespace

void Fonts::drawText(QPainter& painter, const QRectF& rect, int flags, const QString& text,
                     const QFont& font) {
    const LaidOut& laid = laidOut(text, font, rect.width(), flags);
    const double height = laid.height;
    double top = rect.top();
    if (flags & Qt::AlignVCenter)
        top += (rect.height() - height) / 2;
    else if (flags & Qt::AlignBottom)
        top += rect.height() - height;
    laid.layout.draw(&painter, QPointF(rect.left(), top));
}

QSizeF Fonts::textSize(const QFont& font, double width, int flags, const QString& text) {
    const LaidOut& laid = laidOut(text, font, width, flags);
    return {laid.layout.boundingRect().width(), laid.height};
}
