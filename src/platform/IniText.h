#pragma once

#include <QSettings>

// The settings file read and written as INI the way QSettings writes it, with
// every value kept as text. QSettings' own INI reader turns "@Variant(...)" and
// its kin into any type Qt knows, decoding pixmaps or asking for gigabytes on
// the way; this program stores only text, so a hand-edited or damaged file
// can at worst hold a value that reads as absent.
namespace IniText {
QSettings::Format format();

bool read(QIODevice& device, QSettings::SettingsMap& map);
bool write(QIODevice& device, const QSettings::SettingsMap& map);
} // namespace IniText
