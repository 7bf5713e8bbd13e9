#pragma once

#include "rest/RestGate.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

// Every fixed user-facing line of Tovi. A pick from a table is uniform at random.
namespace ToviCopy {

const QStringList& startupSigns();
const QStringList& workCountdownTemplates();
const QStringList& restCompleteLines();
const QStringList& ultramanSubtitles();
QString restStatusLine();

// --- pause
// A pause submenu entry: seconds from now, 0 for until tomorrow.
QString pauseChoiceTitle(qint64 seconds);
QString pausedStatusLine(const QDateTime& until, const QDateTime& now);
// The tray icon's tool tip: `secondsToRest` 0 while resting, -1 while paused.
QString toolTip(qint64 secondsToRest, const QDateTime& pausedUntil, const QDateTime& now);

// --- before a rest
// The heads-up's title and body.
std::pair<QString, QString> restHeadsUp(RestGate::HeadsUp headsUp);
// The status line while a rest that fell due waits.
QString waitingStatusLine(RestGate::Wait wait);
QString waitingToolTip();
QString naturalRestLine();

// One entry of `lines`, chosen uniformly at random; empty for an empty table.
QString pick(const QStringList& lines);

} // namespace ToviCopy
