#pragma once

#include <QList>
#include <QString>
#include <optional>

class Defaults;

// The looks of the rest overlay, in menu and selector order.
enum class RestTheme { aurora, wallpaper, ultraman };

namespace RestThemes {
inline const QString settingsKey = QStringLiteral("selectedTheme");

const QList<RestTheme>& allCases();
QString rawValue(RestTheme theme);
// Exactly one of the three raw values, case-sensitive; nothing otherwise.
std::optional<RestTheme> fromRawValue(const QString& raw);
QString displayName(RestTheme theme);
QString icon(RestTheme theme);

// The stored theme as the rest view reads it: absent or unknown is aurora.
RestTheme selected(const Defaults& defaults);
// What the wallpaper checks compare: the stored string, "aurora" when absent.
QString selectedRawValue(const Defaults& defaults);
} // namespace RestThemes
