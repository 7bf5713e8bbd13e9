#include "BusInterface.h"

#include "Commands.h"
#include "platform/AppInfo.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>

using namespace Qt::StringLiterals;

namespace {
qlonglong msecs(const std::optional<QDateTime>& moment) {
    return moment ? moment->toMSecsSinceEpoch() : 0;
}
} // namespace

BusInterface::BusInterface(Commands* commands, QObject* parent)
    : QObject(parent)
    , m_commands(commands)
    , m_bus(QString()) {
    qDBusRegisterMetaType<ReminderMoments>();
    m_announcedReminders = reminderDueAt();
    connect(m_commands, &Commands::stateChanged, this, &BusInterface::stateChanged);
    connect(m_commands, &Commands::remindersChanged, this, &BusInterface::remindersChanged);
}

bool BusInterface::registerOn(QDBusConnection bus) {
    m_bus = bus;
    if (!bus.registerObject(AppInfo::objectPath(), this,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties))
        return false;
    if (bus.registerService(AppInfo::id()))
        return true;
    bus.unregisterObject(AppInfo::objectPath());
    return false;
}

QString BusInterface::state() const {
    return Commands::stateName(m_commands->state());
}

int BusInterface::secondsToRest() const {
    return int(m_commands->secondsToRest());
}

qlonglong BusInterface::nextRestAt() const {
    return msecs(m_commands->nextRestAt());
}

qlonglong BusInterface::pausedUntil() const {
    return msecs(m_commands->pausedUntil());
}

BusInterface::ReminderMoments BusInterface::reminderDueAt() const {
    ReminderMoments moments;
    const QMap<QString, QDateTime> due = m_commands->reminderDueAt();
    for (auto it = due.cbegin(); it != due.cend(); ++it)
        moments.insert(it.key(), it.value().toMSecsSinceEpoch());
    return moments;
}

QString BusInterface::waitingFor() const {
    return m_commands->waitingFor();
}

void BusInterface::Rest() {
    m_commands->rest();
}

void BusInterface::Skip() {
    if (!m_commands->skip())
        sendErrorReply(notRestingError, u"没有正在进行的休息"_s);
}

void BusInterface::Pause(uint seconds) {
    if (!m_commands->pause(seconds))
        sendErrorReply(QDBusError::InvalidArgs, u"暂停时长须在 1 到 %1 秒之间（最长 7 天），收到 %2"_s
                                                    .arg(Commands::maximumPauseSeconds)
                                                    .arg(seconds));
}

void BusInterface::Resume() {
    m_commands->resume();
}

void BusInterface::OpenReport(const QString& scope) {
    static const QMap<QString, StatsReportScope::Kind> kinds{{u"day"_s, StatsReportScope::Kind::day},
                                                             {u"week"_s, StatsReportScope::Kind::week},
                                                             {u"month"_s, StatsReportScope::Kind::month}};
    const auto kind = kinds.constFind(scope);
    if (kind == kinds.cend()) {
        sendErrorReply(QDBusError::InvalidArgs, u"报表范围须是 day、week 或 month，收到“%1”"_s.arg(scope));
        return;
    }
    m_commands->openReport(*kind);
}

void BusInterface::stateChanged() {
    announce({{u"State"_s, state()},
              {u"NextRestAt"_s, nextRestAt()},
              {u"PausedUntil"_s, pausedUntil()},
              {u"WaitingFor"_s, waitingFor()}},
             {u"SecondsToRest"_s});
}

void BusInterface::remindersChanged() {
    const ReminderMoments now = reminderDueAt();
    if (now == m_announcedReminders)
        return;
    m_announcedReminders = now;
    announce({{u"ReminderDueAt"_s, QVariant::fromValue(now)}}, {});
}

void BusInterface::announce(const QVariantMap& changed, const QStringList& invalidated) {
    if (!m_bus.isConnected())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        AppInfo::objectPath(), u"org.freedesktop.DBus.Properties"_s, u"PropertiesChanged"_s);
    signal << AppInfo::id() << changed << invalidated;
    m_bus.send(signal);
}
