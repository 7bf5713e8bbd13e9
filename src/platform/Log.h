#pragma once

#include <QString>
#include <QStringList>

// One line per message on standard output; no levels, no log file.
namespace Log {
void line(const QString& message);

// Tests collect the lines instead of reading stdout. Pass nullptr to stop.
void setCapture(QStringList* lines);
} // namespace Log
