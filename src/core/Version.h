#pragma once

#include <QString>

namespace Version {
constexpr int Major = 4;
constexpr int Minor = 0;
constexpr int Revision = 52;

inline QString text() {
    return QStringLiteral("%1.%2.%3").arg(Major).arg(Minor).arg(Revision);
}

// The maker's web site, shown in the caption and the About menu.
inline QString webSite() {
    return QStringLiteral("https://www.jukora.example");
}

inline QString updateAddress() {
    return webSite() + QStringLiteral("/cgi-bin/update.cgi?soft=Jukora&vers=") + text();
}

inline QString productName() {
    return QStringLiteral("Jukora");
}
} // namespace Version
