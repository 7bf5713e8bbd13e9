#pragma once

#include <QString>

namespace Directories {
// Base of the statistics store (~/.local/share); the home directory when the
// platform has none.
QString statsBase();
// Per-user cache directory of Tovi (~/.cache/Tovi).
QString cache();
// Per-user configuration home ($XDG_CONFIG_HOME, ~/.config).
QString configHome();
// Directory for the single-instance lock ($XDG_RUNTIME_DIR, else the temp dir).
QString runtime();

// Creates every missing component of `path` with mode 0700 (existing ones are
// left as they are). Returns an empty string on success, else the error text.
QString makePrivatePath(const QString& path);
} // namespace Directories
