#include "DesktopMotionPreference.h"

#include "GSettingsKey.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {
QString configHome() {
    const QString home = qEnvironmentVariable("XDG_CONFIG_HOME");
    return home.isEmpty() ? QDir::homePath() + u"/.config"_s : home;
}

// The user's file first, then the system's, as KDE reads kdeglobals.
std::optional<QString> kdeglobals(const QString& group, const QString& key) {
    QStringList dirs = qEnvironmentVariable("XDG_CONFIG_DIRS").split(u':', Qt::SkipEmptyParts);
    if (dirs.isEmpty())
        dirs = {u"/etc/xdg"_s};
    dirs.prepend(configHome());
    for (const QString& dir : dirs)
        if (auto value = DesktopMotionPreference::iniValue(dir + u"/kdeglobals"_s, group, key))
            return value;
    return std::nullopt;
}

std::optional<bool> gtkAnimationsOff(const QString& version) {
    const auto value = DesktopMotionPreference::iniValue(
        configHome() + u"/gtk-"_s + version + u"/settings.ini"_s, u"Settings"_s, u"gtk-enable-animations"_s);
    if (!value)
        return std::nullopt;
    return *value == u"false"_s || *value == u"0"_s;
}
} // namespace

DesktopMotionPreference::DesktopMotionPreference(QObject* parent)
    : MotionPreference(parent)
    , m_animations(new GSettingsKey(u"org.gnome.desktop.interface"_s, u"enable-animations"_s, this)) {
    m_rows = {
        {u"GNOME enable-animations"_s,
         [this]() -> std::optional<bool> {
             // GNOME's own: other desktops leave it as it was, perhaps long ago.
             if (!qEnvironmentVariable("XDG_CURRENT_DESKTOP").contains(u"GNOME"_s, Qt::CaseInsensitive))
                 return std::nullopt;
             const auto on = m_animations->value();
             return on ? std::optional<bool>(!*on) : std::nullopt;
         }},
        {u"KDE AnimationDurationFactor"_s,
         []() -> std::optional<bool> {
             const auto factor = kdeglobals(u"KDE"_s, u"AnimationDurationFactor"_s);
             bool number = false;
             const double value = factor ? factor->toDouble(&number) : 1;
             return number ? std::optional<bool>(value == 0) : std::nullopt;
         }},
        {u"GTK 4 gtk-enable-animations"_s, [] { return gtkAnimationsOff(u"4.0"_s); }},
        {u"GTK 3 gtk-enable-animations"_s, [] { return gtkAnimationsOff(u"3.0"_s); }},
    };
}

QString DesktopMotionPreference::askedBy() {
    for (const Row& row : m_rows)
        if (row.reduced().value_or(false))
            return row.name;
    return QString();
}

bool DesktopMotionPreference::reduced() {
    return !askedBy().isEmpty();
}

std::optional<QString> DesktopMotionPreference::iniValue(const QString& path, const QString& group,
                                                         const QString& key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    const QString header = u'[' + group + u']';
    bool inGroup = false;
    std::optional<QString> value;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inGroup = line == header;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        // KDE marks keys with flags such as "[$i]"; the last line of a key wins.
        if (inGroup && equals > 0 && line.left(equals).section(u'[', 0, 0).trimmed() == key)
            value = line.mid(equals + 1).trimmed();
    }
    return value;
}
