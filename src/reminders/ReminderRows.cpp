#include "ReminderRows.h"

using namespace Qt::StringLiterals;

namespace {
ReminderRow hydrationRow() {
    ReminderRow row;
    ReminderProfile& p = row.profile;
    p.id = u"hydration"_s;
    p.enabledKey = u"hydrationReminderEnabled"_s;
    p.intervalKey = u"hydrationReminderIntervalMinutes"_s;
    p.dayStartedAtKey = u"hydrationReminderDayStartedAt"_s;
    p.nextReminderAtKey = u"hydrationReminderNextReminderAt"_s;
    p.countKey = u"hydrationReminderDrinkCount"_s;
    p.countDateKey = u"hydrationReminderDrinkCountDate"_s;
    p.defaultIntervalMinutes = 45;
    p.notificationIdentifier = u"hydration-reminder"_s;
    p.categoryIdentifier = u"HYDRATION_REMINDER"_s;
    p.confirmActionIdentifier = u"HYDRATION_DRANK"_s;
    p.snoozeActionIdentifier = u"HYDRATION_SNOOZE"_s;
    p.promptShownType = StatsEventType::hydrationPromptShown;
    p.completedType = StatsEventType::hydrationCompleted;
    p.skippedType = StatsEventType::hydrationSkipped;
    p.snoozedType = StatsEventType::hydrationSnoozed;

    ReminderCopy& c = row.copy;
    c.reminders = {
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
    c.skipLines = {
        u"💧 水杯表示：我不是桌搭"_s,           u"💧 跳过补水，身体先记一笔"_s,
        u"💧 咖啡不能顶所有水，别糊弄身体"_s,   u"💧 本次水分充值延期，别让余额见底"_s,
        u"💧 已跳过喝水，水杯继续在旁边沉默"_s, u"💧 今天的水分 KPI 又被你鸽了一次"_s,
    };
    c.loggedLines = {
        u"💧 水分充值 +1，身体收到"_s,
        u"💧 补水打卡成功，别全靠咖啡硬顶"_s,
        u"💧 今日第 %d 杯到账，继续保持"_s,
        u"💧 水分余额回升，状态好一点了"_s,
    };
    c.confirmButton = u"水分充值 +1"_s;
    c.skippedToastTitle = u"喝水提醒已跳过"_s;
    c.statusDue = u"💧 今日 %1 杯 · 水分余额不足"_s;
    c.statusOff = u"💧 水分雷达：已下线"_s;
    c.statusWaiting = u"💧 水分雷达待机中，等今天首次唤醒"_s;
    c.statusLoading = u"💧 今日 %1 杯 · 补水系统装填中"_s;
    c.statusScheduled = u"💧 今日 %1 杯 · 下次吨吨吨 %2"_s;

    row.menu = {u"💧 喝水提醒"_s,
                u"喝水提醒"_s,
                u"    立即喝水"_s,
                u"设置喝水提醒间隔"_s,
                u"喝水提醒会按输入的间隔循环运行，并在下次启动时保留。"_s,
                u"自动喝水间隔无效"_s,
                {30, 45, 60, 90}};
    return row;
}

ReminderRow pelvicFloorRow() {
    ReminderRow row;
    ReminderProfile& p = row.profile;
    p.id = u"pelvic"_s;
    p.enabledKey = u"pelvicFloorReminderEnabled"_s;
    p.intervalKey = u"pelvicFloorReminderIntervalMinutes"_s;
    p.dayStartedAtKey = u"pelvicFloorReminderDayStartedAt"_s;
    p.nextReminderAtKey = u"pelvicFloorReminderNextReminderAt"_s;
    p.countKey = u"pelvicFloorReminderCompletionCount"_s;
    p.countDateKey = u"pelvicFloorReminderCompletionCountDate"_s;
    p.defaultIntervalMinutes = 60;
    p.notificationIdentifier = u"pelvic-floor-reminder"_s;
    p.categoryIdentifier = u"PELVIC_FLOOR_REMINDER"_s;
    p.confirmActionIdentifier = u"PELVIC_FLOOR_COMPLETE"_s;
    p.snoozeActionIdentifier = u"PELVIC_FLOOR_SNOOZE"_s;
    p.promptShownType = StatsEventType::pelvicPromptShown;
    p.completedType = StatsEventType::pelvicCompleted;
    p.skippedType = StatsEventType::pelvicSkipped;
    p.snoozedType = StatsEventType::pelvicSnoozed;
    p.recordsGuidedSeconds = true;

    ReminderCopy& c = row.copy;
    c.reminders = {
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
    c.instruction =
        u"怎么做：像忍住放屁、收住尿意一样向上收紧盆底；收 3 秒、放 3 秒，做 10 次。保持呼吸，不夹臀、不收腹；不舒服就停。"_s;
    c.skipLines = {
        u"🫧 底盘保养已跳过，久坐账本 +1"_s,
        u"🫧 这组先欠着，别把身体当固定资产"_s,
        u"🫧 已跳过，身体维护单暂时挂起"_s,
        u"🫧 低调维护失败一次，下次补上"_s,
        u"🫧 久坐人已忽略保养提醒，系统轻微叹气"_s,
        u"🫧 底盘续航未更新，先给你记个待办"_s,
    };
    c.loggedLines = {
        u"🫧 底盘保养 +1，低调变强"_s,
        u"🫧 今日第 %d 次完成，提肛小练到账"_s,
        u"🫧 完成一组，身体维护记录已更新"_s,
        u"🫧 收放有度，底盘续航 +1"_s,
    };
    c.confirmButton = u"底盘保养 +1"_s;
    c.skippedToastTitle = u"提肛提醒已跳过"_s;
    c.statusDue = u"🫧 今日 %1 次 · 底盘保养时间到"_s;
    c.statusOff = u"🫧 底盘保养：已下线"_s;
    c.statusWaiting = u"🫧 底盘保养待机中，等今天首次唤醒"_s;
    c.statusLoading = u"🫧 今日 %1 次 · 下一组装填中"_s;
    c.statusScheduled = u"🫧 今日 %1 次 · 下次保养 %2"_s;

    row.menu = {u"🫧 提肛提醒"_s,
                u"提肛提醒"_s,
                u"    立即提肛"_s,
                u"设置提肛提醒间隔"_s,
                u"提肛提醒会按输入的间隔循环运行，并在下次启动时保留。"_s,
                u"自动提肛间隔无效"_s,
                {30, 60, 90, 120}};
    return row;
}

QList<ReminderRow> makeRows() {
    QList<ReminderRow> rows{hydrationRow(), pelvicFloorRow()};
    for (ReminderRow& row : rows) {
        row.copy.skipButton = u"下次一定"_s;
        row.copy.snoozeButton = u"稍后提醒"_s;
    }
    return rows;
}
} // namespace

namespace ReminderRows {

const QList<ReminderRow>& all() {
    static const QList<ReminderRow> rows = makeRows();
    return rows;
}

const ReminderRow& hydration() {
    return all().at(0);
}

const ReminderRow& pelvicFloor() {
    return all().at(1);
}

ReminderText text(const ReminderCopy& copy, qsizetype index) {
    const ReminderText& row = copy.reminders.at(index);
    if (copy.instruction.isEmpty())
        return row;
    return {row.title, row.body + u"\n\n"_s + copy.instruction};
}

QString loggedLine(const QString& line, qint64 count) {
    return QString(line).replace(u"%d"_s, QString::number(count));
}

} // namespace ReminderRows
