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

QString pick(const QStringList& lines) {
    if (lines.isEmpty())
        return {};
    return lines.at(QRandomGenerator::system()->bounded(int(lines.size())));
}

const QList<ReminderText>& hydrationReminderTexts() {
    static const QList<ReminderText> texts{
        {u"水杯申请出场【💦补水时间到】"_s, u"它在旁边站岗很久了，给它一次表现机会。"_s},
        {u"水分余额不足【💦补水时间到】"_s, u"身体不是信用卡，不能一直透支到月底。"_s},
        {u"别全靠咖啡硬顶【💦补水时间到】"_s, u"咖啡负责把你叫醒，水负责让你别报警。"_s},
        {u"嘴唇准备离职【💦补水时间到】"_s, u"再不喝水，它可能要提交书面申请了。"_s},
        {u"水杯不是桌搭【💦补水时间到】"_s, u"都快被你盘包浆了，拿起来喝一口吧。"_s},
        {u"补水系统敲门【💦补水时间到】"_s, u"不用豪饮，几口也算给身体续上会员。"_s},
        {u"吨吨吨小回合【💦补水时间到】"_s, u"暂停卷十秒，先把水分进度条推一下。"_s},
        {u"水杯发来未读【💦补水时间到】"_s, u"消息很短，语气很急：喝我。"_s},
        {u"身体请求降温【💦补水时间到】"_s, u"键盘可以继续敲，水先安排一口。"_s},
        {u"补水工单派发【💦补水时间到】"_s, u"处理优先级：高；预计耗时：三口。"_s},
        {u"别让身体空转【💦补水时间到】"_s, u"机器缺水会报警，人缺水只会硬撑。"_s},
        {u"今日水分待签收【💦补水时间到】"_s, u"请本人亲自到水杯处领取。"_s},
        {u"水杯盯你很久了【💦补水时间到】"_s, u"它没说话，但它眼神里全是工作量。"_s},
        {u"喝水不是背叛工作【💦补水时间到】"_s, u"只是让身体别在后台默默掉线。"_s},
        {u"水分 KPI 催办【💦补水时间到】"_s, u"今天这一口，算你和身体和解一次。"_s},
    };
    return texts;
}

const QStringList& hydrationSkipRoasts() {
    static const QStringList lines{
        u"💧 水杯表示：我不是桌搭"_s,           u"💧 跳过补水，身体先记一笔"_s,
        u"💧 咖啡不能顶所有水，别糊弄身体"_s,   u"💧 本次水分充值延期，别让余额见底"_s,
        u"💧 已跳过喝水，水杯继续在旁边沉默"_s, u"💧 今天的水分 KPI 又被你鸽了一次"_s,
    };
    return lines;
}

const QStringList& hydrationLoggedLines() {
    static const QStringList lines{
        u"💧 水分充值 +1，身体收到"_s,
        u"💧 补水打卡成功，别全靠咖啡硬顶"_s,
        u"💧 今日第 %d 杯到账，继续保持"_s,
        u"💧 水分余额回升，状态好一点了"_s,
    };
    return lines;
}

const QList<ReminderText>& pelvicFloorReminderTexts() {
    static const QList<ReminderText> texts{
        {u"底盘保养时间到【提肛时间到】"_s, u"不用开盖，坐直一点，安静维护一组。"_s},
        {u"久坐账号异常【提肛时间到】"_s, u"检测到椅子绑定过久，请做一次身体验证。"_s},
        {u"低调变强时间【提肛时间到】"_s, u"外表风平浪静，身体偷偷升级一下。"_s},
        {u"盆底肌工单来了【提肛时间到】"_s, u"收一收、放一放，别憋气，别太用力。"_s},
        {u"椅子粘性过高【提肛时间到】"_s, u"解除绑定十秒，给底盘刷个存在感。"_s},
        {u"底盘续航补丁【提肛时间到】"_s, u"给久坐生活打个补丁，轻轻来一组。"_s},
        {u"键盘配件检测【提肛时间到】"_s, u"动一下，证明你不是外接设备。"_s},
        {u"身体后台巡检【提肛时间到】"_s, u"这项不弹窗会忘，所以我来了。"_s},
        {u"久坐人小保养【提肛时间到】"_s, u"不用声张，低调完成，功德加一。"_s},
        {u"核心资产巡检【提肛时间到】"_s, u"姿势放松，不夹臀不憋气，稳稳做完。"_s},
        {u"底盘请求上线【提肛时间到】"_s, u"别让它一年到头只负责坐着。"_s},
        {u"今日隐形训练【提肛时间到】"_s, u"别人看不出来，但身体知道你努力了。"_s},
        {u"座椅占用超时【提肛时间到】"_s, u"请暂时归还身体控制权，完成一组。"_s},
        {u"维护窗口已打开【提肛时间到】"_s, u"自然呼吸，收放有度，别把自己拧成麻花。"_s},
    };
    return texts;
}

const QStringList& pelvicFloorSkipRoasts() {
    static const QStringList lines{
        u"🫧 底盘保养已跳过，久坐账本 +1"_s,
        u"🫧 这组先欠着，别把身体当固定资产"_s,
        u"🫧 已跳过，身体维护单暂时挂起"_s,
        u"🫧 低调维护失败一次，下次补上"_s,
        u"🫧 久坐人已忽略保养提醒，系统轻微叹气"_s,
        u"🫧 底盘续航未更新，先给你记个待办"_s,
    };
    return lines;
}

const QStringList& pelvicFloorLoggedLines() {
    static const QStringList lines{
        u"🫧 底盘保养 +1，低调变强"_s,
        u"🫧 今日第 %d 次完成，提肛小练到账"_s,
        u"🫧 完成一组，身体维护记录已更新"_s,
        u"🫧 收放有度，底盘续航 +1"_s,
    };
    return lines;
}

const QString& pelvicFloorInstruction() {
    static const QString line =
        u"怎么做：像忍住放屁、收住尿意一样向上收紧盆底；收 3 秒、放 3 秒，做 10 次。保持呼吸，不夹臀、不收腹；不舒服就停。"_s;
    return line;
}

namespace {
qsizetype randomIndex(qsizetype size) {
    return size > 0 ? QRandomGenerator::system()->bounded(qint64(size)) : 0;
}
} // namespace

ReminderText hydrationReminder() {
    const auto& texts = hydrationReminderTexts();
    return texts.at(randomIndex(texts.size()));
}

ReminderText pelvicFloorReminder(qsizetype index) {
    const ReminderText& row = pelvicFloorReminderTexts().at(index);
    return {row.title, row.body + u"\n\n"_s + pelvicFloorInstruction()};
}

ReminderText pelvicFloorReminder() {
    return pelvicFloorReminder(randomIndex(pelvicFloorReminderTexts().size()));
}

QString formatLoggedLine(const QString& line, qint64 count) {
    if (!line.contains(u"%d"_s))
        return line;
    return QString(line).replace(u"%d"_s, QString::number(count));
}

QString hydrationLoggedLine(qint64 count) {
    return formatLoggedLine(pick(hydrationLoggedLines()), count);
}

QString pelvicFloorLoggedLine(qint64 count) {
    return formatLoggedLine(pick(pelvicFloorLoggedLines()), count);
}

QString hydrationActionTitle() {
    return u"水分充值 +1"_s;
}

QString pelvicFloorActionTitle() {
    return u"底盘保养 +1"_s;
}

QString reminderSkipButton() {
    return u"下次一定"_s;
}

QString hydrationSkippedToastTitle() {
    return u"喝水提醒已跳过"_s;
}

QString pelvicFloorSkippedToastTitle() {
    return u"提肛提醒已跳过"_s;
}

ReminderCopy hydrationCopy() {
    ReminderCopy copy;
    copy.pickReminder = [] { return hydrationReminder(); };
    copy.pickSkipLine = [] { return pick(hydrationSkipRoasts()); };
    copy.confirmButton = hydrationActionTitle();
    copy.skipButton = reminderSkipButton();
    copy.statusDue = u"💧 今日 %1 杯 · 水分余额不足"_s;
    copy.statusOff = u"💧 水分雷达：已下线"_s;
    copy.statusWaiting = u"💧 水分雷达待机中，等今天首次唤醒"_s;
    copy.statusLoading = u"💧 今日 %1 杯 · 补水系统装填中"_s;
    copy.statusScheduled = u"💧 今日 %1 杯 · 下次吨吨吨 %2"_s;
    return copy;
}

ReminderCopy pelvicFloorCopy() {
    ReminderCopy copy;
    copy.pickReminder = [] { return pelvicFloorReminder(); };
    copy.pickSkipLine = [] { return pick(pelvicFloorSkipRoasts()); };
    copy.confirmButton = pelvicFloorActionTitle();
    copy.skipButton = reminderSkipButton();
    copy.statusDue = u"🫧 今日 %1 次 · 底盘保养时间到"_s;
    copy.statusOff = u"🫧 底盘保养：已下线"_s;
    copy.statusWaiting = u"🫧 底盘保养待机中，等今天首次唤醒"_s;
    copy.statusLoading = u"🫧 今日 %1 次 · 下一组装填中"_s;
    copy.statusScheduled = u"🫧 今日 %1 次 · 下次保养 %2"_s;
    return copy;
}

} // namespace ToviCopy
