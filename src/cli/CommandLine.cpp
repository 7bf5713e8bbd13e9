#include "CommandLine.h"

#include "CsvExport.h"

#include "platform/AppInfo.h"
#include "platform/Clock.h"
#include "platform/Directories.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace CommandLine {

namespace {

const QString service = AppInfo::id();
const QString objectPath = AppInfo::objectPath();
const QString interface = AppInfo::id();
constexpr int callTimeoutMs = 10000;
constexpr qint64 longestPauseSeconds = 7 * 24 * 3600;

const QString usage =
    u"用法：tovi [命令]\n"
    "不带命令时启动 Tovi 托盘程序。\n"
    "\n"
    "命令：\n"
    "  status [--json]        现在的状态：工作中、休息中或已暂停，离下次休息多久，各提醒的下次时间\n"
    "  rest                   立即休息\n"
    "  skip                   跳过正在进行的休息\n"
    "  pause 30m|1h|2h|tomorrow|<分钟>m\n"
    "                         暂停一段时间，tomorrow 暂停到今晚零点\n"
    "  resume                 结束暂停\n"
    "  report day|week|month  打开今日日报、本周周报或本月月报\n"
    "  export --csv [--from YYYY-MM-DD] [--to YYYY-MM-DD]\n"
    "                         把统计事件以 CSV 写到标准输出，日期按本地时间、含首尾两天\n"
    "  --help                 显示这段说明\n"
    "  --version              显示版本\n"
    "\n"
    "退出状态：0 成功；1 Tovi 没有在运行或没有照做；2 用法不对。\n"_s;

void print(QIODevice* device, const QString& line) {
    device->write((line + u'\n').toUtf8());
}

int usageProblem(const Context& context, const QString& problem) {
    print(context.err, u"tovi："_s + problem);
    context.err->write(usage.toUtf8());
    return usageError;
}

// What came back from the running Tovi.
struct Reply {
    int status = success;
    QVariantList arguments;
};

Reply callTovi(const Context& context, const QString& method, const QVariantList& arguments = {},
               const QString& onInterface = interface) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, objectPath, onInterface, method);
    call.setArguments(arguments);
    const QDBusConnection bus = context.bus();
    const QDBusMessage answer = bus.call(call, QDBus::Block, callTimeoutMs);
    if (answer.type() == QDBusMessage::ReplyMessage)
        return {success, answer.arguments()};
    const QString error = answer.errorName();
    if (!bus.isConnected() || error == "org.freedesktop.DBus.Error.ServiceUnknown"_L1 ||
        error == "org.freedesktop.DBus.Error.NameHasNoOwner"_L1 ||
        error == "org.freedesktop.DBus.Error.Disconnected"_L1) {
        print(context.err, u"Tovi 没有在运行（不带参数运行 tovi 就能启动它）"_s);
    } else if (error == "org.freedesktop.DBus.Error.NoReply"_L1 ||
               error == "org.freedesktop.DBus.Error.Timeout"_L1) {
        print(context.err, u"Tovi 没有回应，稍后再试"_s);
    } else {
        print(context.err, answer.errorMessage().isEmpty() ? error : answer.errorMessage());
    }
    return {failure, {}};
}

QString durationText(qint64 seconds) {
    if (seconds >= 3600)
        return u"%1 小时 %2 分"_s.arg(seconds / 3600).arg(seconds % 3600 / 60);
    if (seconds >= 60)
        return u"%1 分 %2 秒"_s.arg(seconds / 60).arg(seconds % 60);
    return u"%1 秒"_s.arg(seconds);
}

QString reminderName(const QString& id) {
    if (id == "hydration"_L1)
        return u"喝水"_s;
    if (id == "pelvic"_L1)
        return u"提肛"_s;
    return id;
}

int status(const Context& context, bool json) {
    const Reply reply = callTovi(context, u"GetAll"_s, {interface}, u"org.freedesktop.DBus.Properties"_s);
    if (reply.status != success)
        return reply.status;
    const QVariantMap properties = qdbus_cast<QVariantMap>(reply.arguments.value(0));
    const QString state = properties.value(u"State"_s).toString();
    const qint64 secondsToRest = properties.value(u"SecondsToRest"_s).toLongLong();
    const qint64 nextRestAt = properties.value(u"NextRestAt"_s).toLongLong();
    const qint64 pausedUntil = properties.value(u"PausedUntil"_s).toLongLong();
    const QString waitingFor = properties.value(u"WaitingFor"_s).toString();
    QMap<QString, qlonglong> reminders;
    const QVariant due = properties.value(u"ReminderDueAt"_s);
    if (due.canConvert<QDBusArgument>())
        due.value<QDBusArgument>() >> reminders;

    if (json) {
        const auto moment = [](qint64 ms) { return ms > 0 ? QJsonValue(ms) : QJsonValue(); };
        QJsonObject dueAt;
        for (auto it = reminders.cbegin(); it != reminders.cend(); ++it)
            dueAt.insert(it.key(), it.value());
        const QJsonObject object{{u"state"_s, state},
                                 {u"secondsToRest"_s, secondsToRest},
                                 {u"nextRestAt"_s, moment(nextRestAt)},
                                 {u"pausedUntil"_s, moment(pausedUntil)},
                                 {u"waitingFor"_s, waitingFor},
                                 {u"reminders"_s, dueAt}};
        context.out->write(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
        return success;
    }
    QString line;
    static const QMap<QString, QString> waits{{u"full-screen"_s, u"全屏窗口退出"_s},
                                              {u"do-not-disturb"_s, u"免打扰结束"_s},
                                              {u"inhibitor"_s, u"视频或通话结束"_s},
                                              {u"away"_s, u"你回到电脑前"_s}};
    if (state == "working"_L1 && !waitingFor.isEmpty())
        line = u"工作中，休息已到点，在等%1"_s.arg(waits.value(waitingFor, waitingFor));
    else if (state == "working"_L1)
        line = u"工作中，%1后休息"_s.arg(durationText(std::max<qint64>(secondsToRest, 0)));
    else if (state == "resting"_L1)
        line = u"休息中"_s;
    else if (state == "paused"_L1)
        line = u"已暂停，到 %1"_s.arg(momentText(QDateTime::fromMSecsSinceEpoch(pausedUntil), context.now));
    else
        line = state;
    QStringList dueTexts;
    for (auto it = reminders.cbegin(); it != reminders.cend(); ++it)
        dueTexts << u"%1 %2"_s.arg(reminderName(it.key()),
                                   momentText(QDateTime::fromMSecsSinceEpoch(it.value()), context.now));
    if (!dueTexts.isEmpty())
        line += u"；下次"_s + dueTexts.join(u"，"_s);
    print(context.out, line);
    return success;
}

// "30m", "2h", "tomorrow" (up to the coming local midnight); nothing when it reads as no pause length.
std::optional<qint64> pauseSeconds(const QString& text, const QDateTime& now) {
    if (text == "tomorrow"_L1) {
        const QDateTime midnight = now.toLocalTime().date().addDays(1).startOfDay(Qt::LocalTime);
        return std::max<qint64>(1, now.secsTo(midnight));
    }
    static const QRegularExpression length(u"^(\\d{1,6})([mh])$"_s);
    const QRegularExpressionMatch match = length.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const qint64 seconds = match.captured(1).toLongLong() * (match.captured(2) == "h"_L1 ? 3600 : 60);
    if (seconds < 1 || seconds > longestPauseSeconds)
        return std::nullopt;
    return seconds;
}

std::optional<QDate> dateArgument(const QString& text) {
    static const QRegularExpression shape(u"^\\d{4}-\\d{2}-\\d{2}$"_s);
    const QDate date = QDate::fromString(text, u"yyyy-MM-dd"_s);
    return shape.match(text).hasMatch() && date.isValid() ? std::optional(date) : std::nullopt;
}

int exportEvents(const Context& context, const QStringList& options) {
    bool csv = false;
    CsvExport::Range range;
    for (qsizetype i = 0; i < options.size(); ++i) {
        const QString& option = options[i];
        if (option == "--csv"_L1) {
            csv = true;
            continue;
        }
        if (option != "--from"_L1 && option != "--to"_L1)
            return usageProblem(context, u"export 不认识 %1"_s.arg(option));
        const auto date = dateArgument(options.value(++i));
        if (!date)
            return usageProblem(context, u"%1 后面要跟 YYYY-MM-DD 形式的日期"_s.arg(option));
        (option == "--from"_L1 ? range.from : range.to) = date;
    }
    if (!csv)
        return usageProblem(context, u"export 要加 --csv"_s);
    if (range.from && range.to && *range.from > *range.to)
        return usageProblem(context, u"--from 的日期晚于 --to"_s);
    CsvExport exporter(context.eventsDirectory, range);
    if (!exporter.write(*context.out)) {
        print(context.err, u"写不出去了：%1"_s.arg(context.out->errorString()));
        return failure;
    }
    if (const qint64 skipped = exporter.counts().undecodable)
        print(context.err, u"有 %1 行无法解读，已跳过"_s.arg(skipped));
    return success;
}

// A verb that takes no options: the call, then one line on success.
int simpleCall(const Context& context, const QString& method, const QVariantList& arguments,
               const QString& done) {
    const int result = callTovi(context, method, arguments).status;
    if (result == success)
        print(context.out, done);
    return result;
}

} // namespace

bool wanted(int argc, char** argv) {
    if (argc < 2)
        return false;
    const QByteArrayView first(argv[1]);
    return !first.startsWith('-') || first.startsWith("--") || first == "-h";
}

int run(const QStringList& arguments, const Context& context) {
    const QString verb = arguments.value(0);
    const QStringList rest = arguments.mid(1);
    const auto noOptions = [&](auto then) {
        return rest.isEmpty() ? then() : usageProblem(context, verb + u" 不带参数"_s);
    };
    if (verb == "--help"_L1 || verb == "-h"_L1) {
        context.out->write(usage.toUtf8());
        return success;
    }
    if (verb == "--version"_L1)
        return noOptions([&] {
            print(context.out, u"tovi "_s + context.version);
            return success;
        });
    if (verb == "status"_L1) {
        if (rest.size() > 1 || (rest.size() == 1 && rest[0] != "--json"_L1))
            return usageProblem(context, u"status 只认 --json"_s);
        return status(context, !rest.isEmpty());
    }
    if (verb == "rest"_L1)
        return noOptions([&] { return simpleCall(context, u"Rest"_s, {}, u"开始休息，眼睛先下班"_s); });
    if (verb == "skip"_L1)
        return noOptions([&] { return simpleCall(context, u"Skip"_s, {}, u"已跳过这次休息"_s); });
    if (verb == "resume"_L1)
        return noOptions([&] { return simpleCall(context, u"Resume"_s, {}, u"暂停结束，继续护眼"_s); });
    if (verb == "pause"_L1) {
        const auto seconds = rest.size() == 1 ? pauseSeconds(rest[0], context.now) : std::nullopt;
        if (!seconds)
            return usageProblem(context, u"pause 要一个时长：30m、1h、2h、tomorrow 或 <分钟>m，最长 7 天"_s);
        const QString until = momentText(context.now.addSecs(*seconds), context.now);
        return simpleCall(context, u"Pause"_s, {QVariant::fromValue(quint32(*seconds))},
                          u"已暂停，到 %1"_s.arg(until));
    }
    if (verb == "report"_L1) {
        static const QMap<QString, QString> reports{
            {u"day"_s, u"今日日报"_s}, {u"week"_s, u"本周周报"_s}, {u"month"_s, u"本月月报"_s}};
        if (rest.size() != 1 || !reports.contains(rest[0]))
            return usageProblem(context, u"report 要 day、week 或 month"_s);
        return simpleCall(context, u"OpenReport"_s, {rest[0]}, u"已打开"_s + reports.value(rest[0]));
    }
    if (verb == "export"_L1)
        return exportEvents(context, rest);
    return usageProblem(context, verb.isEmpty() ? u"缺少命令"_s : u"不认识的命令：%1"_s.arg(verb));
}

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationVersion(AppInfo::version());
    QFile out;
    QFile err;
    out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    const Context context{&out, &err, QDateTime::currentDateTime(), &QDBusConnection::sessionBus,
                          // As the store lays its files out, read without creating anything.
                          Directories::statsBase() + u"/Tovi/Stats/events"_s,
                          QCoreApplication::applicationVersion()};
    return run(QCoreApplication::arguments().mid(1), context);
}

} // namespace CommandLine
