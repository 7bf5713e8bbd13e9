#pragma once

#include "reminders/ReminderProfile.h"

#include <QList>
#include <QString>
#include <QStringList>

// Every fixed user-facing line of Tovi. A pick from a table is uniform at random.
namespace ToviCopy {

const QStringList& startupSigns();
const QStringList& workCountdownTemplates();
const QStringList& restCompleteLines();
const QStringList& ultramanSubtitles();
QString restStatusLine();

// One entry of `lines`, chosen uniformly at random; empty for an empty table.
QString pick(const QStringList& lines);

// --- body reminders
const QList<ReminderText>& hydrationReminderTexts();
const QStringList& hydrationSkipRoasts();
const QStringList& hydrationLoggedLines();
const QList<ReminderText>& pelvicFloorReminderTexts();
const QStringList& pelvicFloorSkipRoasts();
const QStringList& pelvicFloorLoggedLines();
// Every pelvic-floor body ends with two line feeds and this.
const QString& pelvicFloorInstruction();

// A random pair of the table.
ReminderText hydrationReminder();
ReminderText pelvicFloorReminder();
// Row `index` of the table, as a reminder shows it.
ReminderText pelvicFloorReminder(qsizetype index);
// A random logged line, "%d" replaced by the day's count.
QString hydrationLoggedLine(qint64 count);
QString pelvicFloorLoggedLine(qint64 count);
QString formatLoggedLine(const QString& line, qint64 count);

// Everything each reminder shows: alert buttons, status lines, the pickers.
ReminderCopy hydrationCopy();
ReminderCopy pelvicFloorCopy();

// The confirm buttons of the notifications and the alerts.
QString hydrationActionTitle();
QString pelvicFloorActionTitle();
QString reminderSkipButton();

// Titles of the skip toast.
QString hydrationSkippedToastTitle();
QString pelvicFloorSkippedToastTitle();

} // namespace ToviCopy
