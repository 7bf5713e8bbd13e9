#pragma once

#include <QStringList>

// The fixed lines the rest overlay shows.
namespace RestCopy {
// One is picked per view and kept for the rest.
const QStringList& restTips();
// One is picked per completed skip; it also becomes the skip message.
const QStringList& restSkipLines();
} // namespace RestCopy
