#pragma once

#include <QString>
#include <QStringList>

// Every fixed user-facing line of Tovi. A pick from a table is uniform at random.
namespace ToviCopy {

const QStringList& startupSigns();
const QStringList& workCountdownTemplates();

// One entry of `lines`, chosen uniformly at random; empty for an empty table.
QString pick(const QStringList& lines);

} // namespace ToviCopy
