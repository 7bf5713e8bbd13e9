#include "ToviCopy.h"

#include <QRandomGenerator>

using namespace Qt::StringLiterals;

namespace ToviCopy {

const QStringList& startupSigns() {
    static const QStringList lines{
        u"今日状态：不硬撑，先活着"_s,       u"今日策略：少熬一点，多眨几下"_s,
        u"今日装备：水杯、远眺、拒绝硬扛"_s, u"今日提醒：钱是老板的，眼睛是自己的"_s,
        u"今日开局：先把状态条保住"_s,
    };
    return lines;
}

const QStringList& workCountdownTemplates() {
    static const QStringList lines{
        u"⏳ 距离眼睛下班还有 %@"_s,   u"👁 视网膜续航剩 %@"_s, u"🧃 再营业 %@ 就强制充电"_s,
        u"🫡 护眼倒计时 %@"_s, u"💼 打工续航还剩 %@"_s,
    };
    return lines;
}

QString pick(const QStringList& lines) {
    if (lines.isEmpty())
        return {};
    return lines.at(QRandomGenerator::system()->bounded(int(lines.size())));
}

} // namespace ToviCopy
