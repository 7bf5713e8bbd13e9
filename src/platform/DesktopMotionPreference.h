#pragma once

#include "MotionPreference.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

class GSettingsKey;

// Less motion when any desktop setting in the table asks for it: GNOME's
// enable-animations (in GNOME), KDE's AnimationDurationFactor 0, GTK's
// gtk-enable-animations. Read afresh at each question, so a change holds
// from the next rest on.
class DesktopMotionPreference final : public MotionPreference {
    Q_OBJECT
public:
    struct Row {
        QString name;
        // Whether this setting asks for less motion; nothing when unset.
        std::function<std::optional<bool>()> reduced;
    };

    explicit DesktopMotionPreference(QObject* parent = nullptr);
    bool reduced() override;
    // The row that asks for less motion, for the log; empty when none does.
    QString askedBy();

    // `key`'s value under [group] in an INI-style file; nothing when absent.
    static std::optional<QString> iniValue(const QString& path, const QString& group, const QString& key);

private:
    GSettingsKey* m_animations;
    std::vector<Row> m_rows;
};
