#include "RestTheme.h"

#include "platform/Defaults.h"

using namespace Qt::StringLiterals;

namespace RestThemes {
const QList<RestTheme>& allCases() {
    static const QList<RestTheme> cases{RestTheme::aurora, RestTheme::wallpaper, RestTheme::ultraman};
    return cases;
}

QString rawValue(RestTheme theme) {
    switch (theme) {
    case RestTheme::aurora:
        return u"aurora"_s;
    case RestTheme::wallpaper:
        return u"wallpaper"_s;
    case RestTheme::ultraman:
        return u"ultraman"_s;
    }
    return u"aurora"_s;
}

std::optional<RestTheme> fromRawValue(const QString& raw) {
    for (RestTheme theme : allCases()) {
        if (rawValue(theme) == raw)
            return theme;
    }
    return std::nullopt;
}

QString displayName(RestTheme theme) {
    switch (theme) {
    case RestTheme::aurora:
        return u"极光萤火虫"_s;
    case RestTheme::wallpaper:
        return u"随机网络壁纸"_s;
    case RestTheme::ultraman:
        return u"光之巨人"_s;
    }
    return {};
}

QString icon(RestTheme theme) {
    switch (theme) {
    case RestTheme::aurora:
        return u"\u2728"_s;
    case RestTheme::wallpaper:
        return u"\U0001F3DE\uFE0F"_s;
    case RestTheme::ultraman:
        return u"\u26A1\uFE0F"_s;
    }
    return {};
}

QString selectedRawValue(const Defaults& defaults) {
    return defaults.string(settingsKey, u"aurora"_s);
}

RestTheme selected(const Defaults& defaults) {
    return fromRawValue(selectedRawValue(defaults)).value_or(RestTheme::aurora);
}
} // namespace RestThemes
