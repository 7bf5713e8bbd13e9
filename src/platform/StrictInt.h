#pragma once

#include <QStringView>
#include <optional>

// A base-10 integer: an optional single leading sign, one or more ASCII digits,
// nothing else, within the signed 64-bit range. No trimming, no locale.
std::optional<qint64> parseStrictInt64(QStringView text);
