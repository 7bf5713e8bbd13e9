#include "StatsReportView.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <QConicalGradient>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

using Fonts::Design;

QColor white(double opacity) {
    QColor c(Qt::white);
    c.setAlphaF(float(opacity));
    return c;
}

QColor rgb(double r, double g, double b) {
    return QColor::fromRgbF(float(r), float(g), float(b));
}

QLabel* label(const QString& text, const QFont& font, const QColor& colour, const QString& name = {}) {
    auto* l = new QLabel(text);
    l->setFont(font);
    QPalette palette = l->palette();
    palette.setColor(QPalette::WindowText, colour);
    l->setPalette(palette);
    l->setObjectName(name);
    return l;
}

void fillRounded(QPainter& p, const QRectF& r, const QColor& fill, double radius = 8) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
}

// A rounded translucent panel that hosts a layout.
class Panel : public QWidget {
public:
    Panel(const QColor& fill, const QColor& border = Qt::transparent)
        : m_fill(fill)
        , m_border(border) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        fillRounded(p, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), m_fill);
        if (m_border.alpha() > 0) {
            p.setPen(QPen(m_border, 1));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
        }
    }

private:
    QColor m_fill;
    QColor m_border;
};

// One line that first shrinks its font down to a floor and only then elides,
// so a long figure stays on one line and the card keeps its height. It asks for
// no width of its own, which keeps the grid's columns equal.
class FittingLabel : public QLabel {
public:
    FittingLabel(const QString& text, const QFont& font, double minimumScale, const QColor& colour,
                 const QString& name)
        : m_full(text)
        , m_font(font)
        , m_minimumScale(minimumScale) {
        setObjectName(name);
        setFont(font);
        QPalette palette = this->palette();
        palette.setColor(QPalette::WindowText, colour);
        setPalette(palette);
        setToolTip(text);
        setFixedHeight(QFontMetrics(font).height());
        setText(text);
    }
    QSize sizeHint() const override { return {0, height()}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        const int room = contentsRect().width();
        QFont f = m_font;
        const double advance = QFontMetricsF(m_font).horizontalAdvance(m_full);
        if (advance > room && advance > 0) {
            const double scale = std::max(m_minimumScale, room / advance);
            f.setPixelSize(std::max(1, int(std::floor(m_font.pixelSize() * scale))));
        }
        setFont(f);
        setText(QFontMetrics(f).elidedText(m_full, Qt::ElideRight, room));
    }

private:
    QString m_full;
    QFont m_font;
    double m_minimumScale;
};

class ScoreGauge : public QWidget {
public:
    explicit ScoreGauge(int score)
        : m_score(score) {
        // The ring is a 118 pt circle stroked 12 pt wide about its edge: half
        // the stroke lies outside the circle.
        setFixedSize(118 + 12, 118 + 12);
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        column->addStretch();
        column->addWidget(label(QString::number(score), Fonts::system(34, QFont::Black, Design::rounded),
                                Qt::white, u"score"_s),
                          0, Qt::AlignHCenter);
        column->addWidget(label(u"维护分"_s, Fonts::system(12, QFont::Bold), white(0.58)), 0,
                          Qt::AlignHCenter);
        column->addStretch();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF ring = QRectF(rect()).adjusted(6, 6, -6, -6);
        p.setPen(QPen(white(0.12), 12));
        p.drawEllipse(ring);
        if (m_score <= 0)
            return;
        // From 12 o'clock, clockwise; the colours are symmetric, so the
        // counter-clockwise conical gradient reads the same either way.
        QConicalGradient gradient(ring.center(), 90);
        const QColor mint = rgb(0.09, 0.86, 0.755);
        gradient.setColorAt(0, mint);
        gradient.setColorAt(0.5, rgb(1.0, 0.755, 0.18));
        gradient.setColorAt(1, mint);
        p.setPen(QPen(QBrush(gradient), 12, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(ring, 90 * 16, -qRound(m_score / 100.0 * 360 * 16));
    }

private:
    int m_score;
};

// Drawn rather than built from labels: a month has 31 of these.
class DailyRow : public QWidget {
public:
    DailyRow(const StatsDaySummary& day, double scale)
        : m_key(day.dayKey)
        , m_counts(u"完成 %1 · 跳过 %2"_s.arg(day.doneCount()).arg(day.missedCount()))
        , m_done(day.doneCount() / scale)
        , m_missed(day.missedCount() / scale) {
        setObjectName(u"dailyRow"_s);
        setAccessibleName(m_key + u' ' + m_counts);
        setFixedHeight(24 + std::max(QFontMetrics(keyFont()).height(), 12));
        setMinimumWidth(10);
    }

protected:
    static QFont keyFont() { return Fonts::system(12, QFont::Bold, Design::monospaced); }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        fillRounded(p, rect(), white(0.045));
        const QRect inner = rect().adjusted(14, 12, -14, -12);
        p.setFont(keyFont());
        p.setPen(white(0.68));
        p.drawText(QRect(inner.left(), inner.top(), 92, inner.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   m_key);
        const QFont countFont = Fonts::system(12, QFont::DemiBold);
        p.setFont(countFont);
        p.setPen(white(0.7));
        const QRect counts(inner.right() - 99, inner.top(), 100, inner.height());
        p.drawText(counts, Qt::AlignRight | Qt::AlignVCenter,
                   QFontMetrics(countFont).elidedText(m_counts, Qt::ElideRight, counts.width()));

        const QRectF track(inner.left() + 92 + 14, inner.center().y() - 5.5,
                           counts.left() - 14 - (inner.left() + 106), 12);
        if (track.width() <= 0)
            return;
        fillRounded(p, track, white(0.07), 5);
        QPainterPath trackShape;
        trackShape.addRoundedRect(track, 5, 5);
        p.setClipPath(trackShape);
        const auto width = [&](double ratio) {
            return std::isfinite(ratio) && ratio > 0 ? track.width() * ratio : 0;
        };
        const double done = width(m_done);
        const double missed = width(m_missed);
        if (done > 0)
            fillRounded(p, QRectF(track.left(), track.top(), done, 12), rgb(0.1, 0.82, 0.72), 5);
        if (missed > 0)
            fillRounded(p, QRectF(track.left() + done + (done > 0 ? 3 : 0), track.top(), missed, 12),
                        rgb(1.0, 0.65, 0.18), 5);
    }

private:
    QString m_key;
    QString m_counts;
    double m_done;
    double m_missed;
};

QString eventIcon(StatsEventType type) {
    switch (type) {
    case StatsEventType::appLaunched:
        return u"⚡️"_s;
    case StatsEventType::restStarted:
    case StatsEventType::restCompleted:
    case StatsEventType::restSkipped:
        return u"👁"_s;
    case StatsEventType::hydrationPromptShown:
    case StatsEventType::hydrationCompleted:
    case StatsEventType::hydrationSkipped:
    case StatsEventType::hydrationSnoozed:
        return u"💧"_s;
    default:
        return u"🫧"_s;
    }
}

class TimelineRow : public QWidget {
public:
    explicit TimelineRow(const StatsReportEvent& event)
        : m_icon(eventIcon(event.type))
        , m_text(StatsReporter::eventText(event))
        , m_time(event.timestamp().toLocalTime().toString(u"HH:mm:ss"_s)) {
        setObjectName(u"timelineRow"_s);
        setAccessibleName(m_icon + u' ' + m_text + u' ' + m_time);
        setFixedHeight(20 + QFontMetrics(textFont()).height() + 4 + QFontMetrics(timeFont()).height());
        setMinimumWidth(10);
    }

protected:
    static QFont textFont() { return Fonts::system(13, QFont::DemiBold); }
    static QFont timeFont() { return Fonts::system(11, QFont::Medium); }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        fillRounded(p, rect(), white(0.055));
        const QRect inner = rect().adjusted(14, 10, -14, -10);
        // The colour face first: outline faces would otherwise win for 👁 and ⚡.
        QFont icon = Fonts::system(17);
        icon.setFamilies(QStringList{u"Noto Color Emoji"_s} + icon.families());
        p.setFont(icon);
        p.setPen(Qt::white); // a colour glyph still needs a pen to be drawn at all
        p.drawText(QRect(inner.left(), inner.top(), 24, QFontMetrics(textFont()).height()), Qt::AlignCenter,
                   m_icon);
        const int left = inner.left() + 34;
        const int textHeight = QFontMetrics(textFont()).height();
        p.setFont(textFont());
        p.setPen(white(0.9));
        p.drawText(QRect(left, inner.top(), inner.right() - left, textHeight),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   QFontMetrics(textFont()).elidedText(m_text, Qt::ElideRight, inner.right() - left));
        p.setFont(timeFont());
        p.setPen(white(0.44));
        p.drawText(QRect(left, inner.top() + textHeight + 4, inner.right() - left,
                         QFontMetrics(timeFont()).height()),
                   Qt::AlignLeft | Qt::AlignVCenter, m_time);
    }

private:
    QString m_icon;
    QString m_text;
    QString m_time;
};

QWidget* metricCard(const QString& title, const QString& value, const QString& subtitle,
                    const QColor& accent) {
    auto* card = new Panel(white(0.075), white(0.08));
    card->setObjectName(u"metricCard"_s);
    card->setFixedHeight(126);
    card->setMinimumWidth(10);
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(10);
    column->addStretch();
    auto* heading = new QHBoxLayout;
    heading->setSpacing(6);
    auto* dot = new Panel(accent);
    dot->setFixedSize(8, 8);
    heading->addWidget(dot);
    heading->addWidget(label(title, Fonts::system(12, QFont::Bold), white(0.62)));
    heading->addStretch();
    column->addLayout(heading);
    column->addWidget(new FittingLabel(value, Fonts::system(28, QFont::Black, Design::rounded), 0.72,
                                       Qt::white, u"metricValue"_s));
    column->addWidget(
        new FittingLabel(subtitle, Fonts::system(12, QFont::Medium), 0.75, white(0.48), u"metricSubtitle"_s));
    column->addStretch();
    return card;
}

QLabel* sectionTitle(const QString& text) {
    return label(text, Fonts::system(17, QFont::Black, Design::rounded), Qt::white);
}

QWidget* header(const StatsReport& report) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);
    // The texts keep their own heights and sit centred beside the taller gauge.
    auto* left = new QVBoxLayout;
    left->setSpacing(8);
    left->addStretch();
    left->addWidget(label(StatsReportView::title(report.scope),
                          Fonts::system(32, QFont::Black, Design::rounded), Qt::white, u"title"_s));
    left->addWidget(label(report.rangeText + u" · "_s + report.generatedAtText,
                          Fonts::system(13, QFont::Medium), white(0.62), u"range"_s));
    left->addSpacing(4);
    QLabel* summary =
        label(report.summaryLine, Fonts::system(15, QFont::DemiBold), rgb(1.0, 0.86, 0.33), u"summary"_s);
    summary->setWordWrap(true);
    left->addWidget(summary);
    left->addStretch();
    layout->addLayout(left, 1);
    auto* right = new QVBoxLayout;
    // The ring's stroke reaches 6 px past the gauge's 118 frame, where the 6 pt gap to the label was.
    right->setSpacing(0);
    const int score = StatsReportView::maintenanceScore(report.total);
    right->addWidget(new ScoreGauge(score), 0, Qt::AlignHCenter);
    right->addWidget(label(StatsReportView::scoreLabel(score), Fonts::system(12, QFont::DemiBold), white(0.7),
                           u"scoreLabel"_s),
                     0, Qt::AlignHCenter);
    layout->addLayout(right);
    return row;
}

QWidget* overviewGrid(const StatsDaySummary& t) {
    auto* grid = new QWidget;
    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    const auto count = [](qint64 n) { return QString::number(n); };
    layout->addWidget(metricCard(u"护眼完成"_s, count(t.restCompletedCount),
                                 u"跳过 "_s + count(t.restSkippedCount) + u" 次"_s, Palette::cyan()),
                      0, 0);
    layout->addWidget(metricCard(u"累计休息"_s, StatsReporter::formatDuration(t.restActualSeconds),
                                 u"跳过 "_s + StatsReporter::formatDuration(t.restSkippedSeconds),
                                 Palette::teal()),
                      0, 1);
    layout->addWidget(metricCard(u"喝水完成"_s, count(t.hydrationCompletedCount),
                                 u"跳过 "_s + count(t.hydrationSkippedCount) + u" · 延后 "_s +
                                     count(t.hydrationSnoozedCount),
                                 rgb(0.15, 0.72, 1.0)),
                      0, 2);
    layout->addWidget(
        metricCard(u"提肛完成"_s, count(t.pelvicCompletedCount),
                   u"跳过 "_s + count(t.pelvicSkippedCount) + u" · 延后 "_s + count(t.pelvicSnoozedCount),
                   rgb(0.7, 0.8, 1.0)),
        0, 3);
    for (int c = 0; c < 4; ++c) {
        layout->setColumnStretch(c, 1);
        layout->setColumnMinimumWidth(c, 10);
    }
    return grid;
}

QVBoxLayout* section(QVBoxLayout* column, const QString& title) {
    auto* inner = new QVBoxLayout;
    inner->setSpacing(12);
    inner->addWidget(sectionTitle(title));
    column->addLayout(inner);
    return inner;
}

} // namespace

StatsReportView::StatsReportView(const StatsReport& report, QWidget* parent)
    : QWidget(parent) {
    setMinimumSize(820, 620);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll->viewport()->setAutoFillBackground(false);
    scroll->verticalScrollBar()->setStyleSheet(
        u"QScrollBar:vertical { background: rgba(255,255,255,10); width: 10px; margin: 0; }"
        u"QScrollBar::handle:vertical { background: rgba(255,255,255,70); border-radius: 4px; min-height: "
        u"32px; margin: 1px; }"
        u"QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        u"QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"_s);
    outer->addWidget(scroll);

    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(28, 28, 28, 28);
    column->setSpacing(22);
    column->addWidget(header(report));
    column->addWidget(overviewGrid(report.total));

    QVBoxLayout* daily = section(column, u"每日维护轨迹"_s);
    auto* rows = new QVBoxLayout;
    rows->setSpacing(10);
    // Every bar on the busiest day's scale.
    qint64 busiest = 0;
    for (const StatsDaySummary& day : report.days)
        busiest = std::max(busiest, day.doneCount() + day.missedCount());
    const double scale = report.days.isEmpty() ? 1.0 : double(std::max<qint64>(busiest, 1));
    for (const StatsDaySummary& day : report.days)
        rows->addWidget(new DailyRow(day, scale));
    daily->addLayout(rows);

    if (report.scope.kind == StatsReportScope::Kind::day) {
        QVBoxLayout* timeline = section(column, u"今日流水小本本"_s);
        if (report.events.isEmpty()) {
            auto* empty = new Panel(white(0.055));
            empty->setObjectName(u"emptyTimeline"_s);
            auto* layout = new QVBoxLayout(empty);
            layout->setContentsMargins(18, 18, 18, 18);
            QLabel* text = label(u"身体客服今天还没开张，先喝口水也算给报表开光。"_s,
                                 Fonts::system(14, QFont::DemiBold), white(0.65));
            text->setWordWrap(true);
            layout->addWidget(text);
            timeline->addWidget(empty);
        } else {
            auto* list = new QVBoxLayout;
            list->setSpacing(8);
            for (const StatsReportEvent& event : report.events)
                list->addWidget(new TimelineRow(event));
            timeline->addLayout(list);
        }
    }
    column->addStretch();
    scroll->setWidget(content);
    content->setAutoFillBackground(false); // setWidget turned it on; the gradient shows through
}

QString StatsReportView::title(const StatsReportScope& scope) {
    switch (scope.kind) {
    case StatsReportScope::Kind::week:
        return u"Tovi 身体维护周报"_s;
    case StatsReportScope::Kind::month:
        return u"Tovi 身体维护月报"_s;
    case StatsReportScope::Kind::day:
        break;
    }
    return u"Tovi 身体维护日报"_s;
}

int StatsReportView::maintenanceScore(const StatsDaySummary& total) {
    const double done = double(total.doneCount());
    const double all = done + double(total.missedCount());
    const double score = std::round(done / std::max(all, 1.0) * 100.0);
    return int(std::clamp(score, 0.0, 100.0));
}

QString StatsReportView::scoreLabel(int score) {
    if (score >= 90)
        return u"身体客服：优秀"_s;
    if (score >= 70)
        return u"还行，没太嘎"_s;
    if (score >= 40)
        return u"小本本已打开"_s;
    return u"今天有点硬撑"_s;
}

void StatsReportView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel) || event->matches(QKeySequence::Close))
        window()->close();
    else
        QWidget::keyPressEvent(event);
}

void StatsReportView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient gradient(rect().topLeft(), rect().bottomRight());
    gradient.setColorAt(0, rgb(0.06, 0.08, 0.10));
    gradient.setColorAt(0.5, rgb(0.10, 0.12, 0.13));
    gradient.setColorAt(1, rgb(0.07, 0.10, 0.12));
    p.fillRect(rect(), gradient);
}
