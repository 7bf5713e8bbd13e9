#pragma once

#include <QLatin1StringView>

// The one reverse-DNS id: the desktop entry's name, the AppStream id and the
// session-bus name.
namespace AppId {
inline constexpr QLatin1StringView name{"io.github.tovi.Tovi"};
inline constexpr QLatin1StringView objectPath{"/io/github/tovi/Tovi"};
} // namespace AppId
