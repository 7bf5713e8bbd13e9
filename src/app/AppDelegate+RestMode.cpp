#include "AppDelegate.h"

#include "TrayMenu.h"
#include "platform/Defaults.h"
#include "rest/RestCycle.h"

using namespace Qt::StringLiterals;

namespace {
const QString selectedTagKey = u"selectedRestModeTag"_s;
const QString customWorkKey = u"customRestModeWorkDuration"_s;
const QString customRestKey = u"customRestModeRestDuration"_s;
} // namespace

std::optional<RestMode> AppDelegate::savedCustomRestMode() const {
    const Defaults& defaults = *m_services.defaults;
    const qint64 work = defaults.integer(customWorkKey, 0);
    const qint64 rest = defaults.integer(customRestKey, 0);
    if (work < 1 || rest < 1)
        return std::nullopt;
    return RestMode{customRestModeTag, work, rest};
}

void AppDelegate::select(const RestMode& mode) {
    m_selectedRestModeTag = mode.tag;
    m_cycle->setDurations(mode.workDuration, mode.restDuration);
    showRestModes();
}

void AppDelegate::showRestModes() {
    m_trayMenu->showRestModes(m_selectedRestModeTag,
                              {m_selectedRestModeTag, m_cycle->workDuration(), m_cycle->restDuration()},
                              savedCustomRestMode());
}

void AppDelegate::loadRestModeConfiguration() {
    if (const std::optional<qint64> tag = m_services.defaults->integer(selectedTagKey)) {
        if (*tag == customRestModeTag) {
            if (const auto custom = savedCustomRestMode()) {
                select(*custom);
                return;
            }
        }
        if (const RestMode* preset = RestModes::preset(*tag)) {
            select(*preset);
            return;
        }
    } else if (const auto custom = savedCustomRestMode()) {
        select(*custom);
        return;
    }
    select(*RestModes::preset(defaultRestModeTag));
}

void AppDelegate::selectMode(qint64 tag) {
    RestMode mode;
    if (tag == customRestModeTag) {
        const auto custom = savedCustomRestMode();
        if (!custom) {
            showRestModes();
            showCustomRestModeDialog();
            return;
        }
        mode = *custom;
    } else if (const RestMode* preset = RestModes::preset(tag)) {
        mode = *preset;
    } else {
        showRestModes();
        return;
    }
    select(mode);
    m_services.defaults->setInteger(selectedTagKey, mode.tag);
    updateStatusMenuTitle();
}

void AppDelegate::saveCustomRestMode(qint64 workMinutes, qint64 restSeconds) {
    Defaults& defaults = *m_services.defaults;
    defaults.setInteger(customWorkKey, workMinutes * 60);
    defaults.setInteger(customRestKey, restSeconds);
    select({customRestModeTag, workMinutes * 60, restSeconds});
    defaults.setInteger(selectedTagKey, customRestModeTag);
    updateStatusMenuTitle();
}
