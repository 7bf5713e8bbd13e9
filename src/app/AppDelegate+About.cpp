#include "AppDelegate.h"

#include "platform/Alerts.h"
#include "platform/AppInfo.h"

#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
enum class NoteStyle { heading, body, note };

void appendRun(QTextCursor& cursor, NoteStyle style, const QString& text, const QPalette& palette) {
    QTextCharFormat chars;
    QTextBlockFormat block;
    QFont font;
    switch (style) {
    case NoteStyle::heading:
        font.setPointSizeF(13);
        font.setBold(true);
        block.setLineHeight(2, QTextBlockFormat::LineDistanceHeight);
        block.setBottomMargin(3);
        chars.setForeground(palette.text());
        break;
    case NoteStyle::body:
        font.setPointSizeF(12.5);
        font.setWeight(QFont::DemiBold);
        block.setLineHeight(3, QTextBlockFormat::LineDistanceHeight);
        block.setBottomMargin(3);
        chars.setForeground(palette.text());
        break;
    case NoteStyle::note:
        font.setPointSizeF(11.5);
        block.setLineHeight(3, QTextBlockFormat::LineDistanceHeight);
        block.setBottomMargin(9);
        chars.setForeground(palette.placeholderText());
        break;
    }
    chars.setFont(font);
    // Each line of the run is a paragraph of its own with the run's spacing.
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        cursor.mergeBlockFormat(block);
        cursor.insertText(lines[i], chars);
        if (i + 1 < lines.size())
            cursor.insertBlock(block, chars);
    }
}
} // namespace

void AppDelegate::fillAboutNotes(QTextDocument* document) {
    const QPalette palette;
    QTextCursor cursor(document);
    const std::pair<NoteStyle, QString> runs[] = {
        {NoteStyle::heading, u"【护眼这块】\n"_s},
        {NoteStyle::body,
         u"工作可以再干，眼睛别当耗材。盯屏幕盯久了，就去看看远处，眨眨眼，松松肩颈。老板的消息会再弹，自己的命只有一条，舒服了再继续卷，不舒服就别硬扛。\n"_s},
        {NoteStyle::note,
         u"可以把 20-20-20 当作轻量节奏：每 20 分钟，让视线离开屏幕，看远一点至少 20 秒。Tovi 负责把你从连续用眼里拽出来，顺便提醒你眨眨眼、松松肩颈。\n\n"_s},
        {NoteStyle::heading, u"【喝水这块】\n"_s},
        {NoteStyle::body,
         u"咖啡奶茶快乐水都能喝，但别等身体弹红色警告才想起补水。不是让你猛灌，也不是凑 KPI，就小口喝、慢慢来，别把自己熬成风干状态。\n"_s},
        {NoteStyle::note,
         u"喝水不用比赛。把间隔设成自己能坚持的节奏，Tovi 到点提醒你小口补水；完成次数只是记录，不是 KPI。\n\n"_s},
        {NoteStyle::heading, u"【提肛这块】\n"_s},
        {NoteStyle::body,
         u"上半身在上班，底盘也得保养。收一收、放一放，呼吸照常，别憋气，别硬练；不舒服就停。\n"_s},
        {NoteStyle::note,
         u"初学时先从轻量开始：收 3 秒、放 3 秒，做一小组就够。Tovi 只负责到点提醒和记录，不催你加码，也不评价你今天跳过几次。\n\n"_s},
        {NoteStyle::heading, u"最后一句\n"_s},
        {NoteStyle::body,
         u"钱是老板的，命是自己的。活可以慢慢干，人别嘎。提醒只是辅助，身体发来的信号，别总点“下次一定”。\n"_s},
        {NoteStyle::note,
         u"Tovi 的目标很小：让你在忙的时候，留一点注意力给自己。舒服、可坚持、不过量，就很好。"_s},
    };
    for (const auto& [style, text] : runs)
        appendRun(cursor, style, text, palette);
}

QTextBrowser* AppDelegate::makeAboutAccessory() {
    auto* view = new QTextBrowser;
    view->setFrameShape(QFrame::NoFrame);
    view->setOpenLinks(false);
    view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QTextDocument* document = view->document();
    document->setDocumentMargin(0);
    QTextFrameFormat inset = document->rootFrame()->frameFormat();
    inset.setLeftMargin(12);
    inset.setRightMargin(12);
    inset.setTopMargin(8);
    inset.setBottomMargin(8);
    document->rootFrame()->setFrameFormat(inset);
    fillAboutNotes(document);
    // Measured with 656 points of text width, so nothing is clipped whatever the
    // font size; the height carries the 8-point insets and a little air.
    document->setTextWidth(680);
    const int height = int(std::ceil(document->size().height()));
    view->setFixedSize(680, height + 6);
    return view;
}

void AppDelegate::showAbout() {
    std::unique_ptr<QTextBrowser> accessory(makeAboutAccessory());
    AlertRequest request;
    request.messageText = u"关于 Tovi"_s;
    request.informativeText = u"一个不催你加班、只提醒你别把自己熬坏的菜单栏搭子。\nV"_s +
                              AppInfo::version() + u"\n作者：Tovi 小分队 · 有话想说就在项目主页留言"_s;
    request.buttons = {u"下次一定"_s};
    request.accessory = accessory.get();
    m_services.alerts->run(request);
}
