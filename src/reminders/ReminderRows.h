#pragma once

#include "ReminderProfile.h"

// The body reminders, one row each: drink water, then the pelvic-floor set.
namespace ReminderRows {
const QList<ReminderRow>& all();
const ReminderRow& hydration();
const ReminderRow& pelvicFloor();
// Row `index` of the copy's reminders as shown: the instruction, if any, after the body.
ReminderText text(const ReminderCopy& copy, qsizetype index);
// `line` with "%d" replaced by the day's count.
QString loggedLine(const QString& line, qint64 count);
} // namespace ReminderRows
