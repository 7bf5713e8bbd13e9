#include "ToviCopy.h"

#include "platform/Clock.h"

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

const QStringList& restCompleteLines() {
    static const QStringList lines{
        u"✅ 充能完成，继续营业"_s,
        u"✅ 眼睛回血完成，下一轮轻点卷"_s,
        u"✅ 休息打卡成功，状态条回了一点"_s,
        u"✅ 护眼回合结束，继续但别硬撑"_s,
    };
    return lines;
}

const QStringList& ultramanSubtitles() {
    static const QStringList lines{
        u"本集标题 · 打工人终于眨眼了"_s,         u"能量灯：我闪我的 · 你倒是闭眼啊"_s,
        u"变身器没坏 · 是你眼睛没电了"_s,         u"屏幕怪兽 HP 没掉 · 你的眼睛先掉血了"_s,
        u"地球防卫队批准 · 你现在可以不看屏幕"_s, u"光线技能冷却中 · 请用闭眼恢复 MP"_s,
        u"本轮作战失败原因 · 眨眼次数过低"_s,     u"别对屏幕放光线了 · 先把眼睛收回来"_s,
        u"人间体已离线 · 二十秒后自动重连"_s,     u"屏幕先别救了 · 先救一下眼睛"_s,
    };
    return lines;
}

QString restStatusLine() {
    return u"💆 眼睛已申请强制下线，正在闭眼充能"_s;
}

QString pauseChoiceTitle(qint64 seconds) {
    if (seconds == 0)
        return u"暂停到明天"_s;
    if (seconds % 3600 == 0)
        return u"暂停 %1 小时"_s.arg(seconds / 3600);
    return u"暂停 %1 分钟"_s.arg(seconds / 60);
}

QString pausedStatusLine(const QDateTime& until, const QDateTime& now) {
    return u"⏸ 护眼先放个假，%1 回来营业"_s.arg(momentText(until, now));
}

QString toolTip(qint64 secondsToRest, const QDateTime& pausedUntil, const QDateTime& now) {
    if (secondsToRest < 0)
        return u"Tovi · 暂停中，%1 回来营业"_s.arg(momentText(pausedUntil, now));
    if (secondsToRest == 0)
        return u"Tovi · 正在闭眼充能"_s;
    return u"Tovi · %1 分钟后闭眼充能"_s.arg((secondsToRest + 59) / 60);
}

std::pair<QString, QString> restHeadsUp(RestGate::HeadsUp headsUp) {
    switch (headsUp) {
    case RestGate::HeadsUp::comingLastCall:
        return {u"👀 30 秒后闭眼充能"_s, u"已经推迟两回啦，这次眼睛说什么也要下班了"_s};
    case RestGate::HeadsUp::waitedLong:
        return {u"⏳ 这次休息已经等了一小时"_s, u"忙完了吗？眼睛还在门口排着队呢"_s};
    case RestGate::HeadsUp::none:
    case RestGate::HeadsUp::coming:
        break;
    }
    return {u"👀 30 秒后闭眼充能"_s, u"手上这句写完就好，眼睛准备下班了"_s};
}

QString waitingStatusLine(RestGate::Wait wait) {
    switch (wait) {
    case RestGate::Wait::fullScreen:
        return u"🎬 全屏中，休息先在门外候着"_s;
    case RestGate::Wait::doNotDisturb:
        return u"🤫 免打扰中，休息晚点再来敲门"_s;
    case RestGate::Wait::inhibitor:
        return u"📞 视频或通话中，休息先等你忙完"_s;
    case RestGate::Wait::away:
        return u"🚶 人不在座位上，休息先记着"_s;
    case RestGate::Wait::none:
        break;
    }
    return {};
}

QString waitingToolTip() {
    return u"Tovi · 休息在等你忙完"_s;
}

QString naturalRestLine() {
    return u"🚶 离开了一会儿，算你充过电了"_s;
}

QString pick(const QStringList& lines) {
    if (lines.isEmpty())
        return {};
    return lines.at(QRandomGenerator::system()->bounded(int(lines.size())));
}

} // namespace ToviCopy
