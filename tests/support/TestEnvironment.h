#pragma once

#include <QString>

namespace TestEnvironment {
// A fresh, empty directory under the test's own XDG data home.
QString freshDirectory(const QString& name);
// Reads a whole file as UTF-8 lines without the line feeds.
QStringList readLines(const QString& path);
} // namespace TestEnvironment
