#include "RestHeadsUp.h"

#include "Commands.h"
#include "ToviCopy.h"
#include "platform/NotificationCenter.h"

using namespace Qt::StringLiterals;

namespace {
const QString comingCategory = u"REST_HEADS_UP"_s;
const QString lastCallCategory = u"REST_HEADS_UP_LAST_CALL"_s;
const QString waitedCategory = u"REST_WAITED_LONG"_s;
const QString postponeAction = u"REST_POSTPONE"_s;
const QString restNowAction = u"REST_NOW"_s;
const QString waitAction = u"REST_WAIT"_s;
} // namespace

RestHeadsUp::RestHeadsUp(NotificationCenter* center, RestGate* gate, Commands* commands, QObject* parent)
    : QObject(parent)
    , m_center(center)
    , m_gate(gate)
    , m_commands(commands) {
    connect(m_gate, &RestGate::headsUpChanged, this, &RestHeadsUp::show);
}

QList<NotificationCategory> RestHeadsUp::categories() {
    const NotificationAction restNow{restNowAction, u"现在休息"_s};
    return {{comingCategory, {{postponeAction, u"推迟 5 分钟"_s}, restNow}, false},
            {lastCallCategory, {restNow}, false},
            {waitedCategory, {restNow, {waitAction, u"再等等"_s}}, false}};
}

void RestHeadsUp::show(RestGate::HeadsUp headsUp) {
    if (!m_center)
        return;
    if (headsUp == RestGate::HeadsUp::none) {
        if (m_posted)
            m_center->remove(identifier);
        m_posted = false;
        return;
    }
    // The ask after a long wait comes even with the heads-up off: nothing else would.
    if (headsUp != RestGate::HeadsUp::waitedLong && !m_commands->headsUpEnabled())
        return;
    m_center->checkAuthorization(this, [this, headsUp](bool authorized) {
        if (!authorized || m_gate->headsUp() != headsUp)
            return;
        const QString category = headsUp == RestGate::HeadsUp::coming       ? comingCategory
                                 : headsUp == RestGate::HeadsUp::waitedLong ? waitedCategory
                                                                            : lastCallCategory;
        const auto [title, body] = ToviCopy::restHeadsUp(headsUp);
        m_center->post({identifier, category, title, body, false});
        m_posted = true;
    });
}

bool RestHeadsUp::handle(const NotificationResponse& response) {
    if (response.identifier != identifier)
        return false;
    m_posted = false;
    if (response.actionIdentifier == postponeAction)
        m_gate->postpone();
    else if (response.actionIdentifier == restNowAction)
        m_gate->restNow();
    else if (response.actionIdentifier == waitAction)
        m_gate->keepWaiting();
    return true;
}
