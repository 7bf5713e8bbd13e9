#pragma once

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

} // namespace ToviCopy
