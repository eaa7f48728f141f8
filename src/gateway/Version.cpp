#include "gateway/Version.h"
#include "gateway/Xml.h"
#include <tuple>

bool IsNewerVersion(int major, int minor, int release)
{
    // Compared in order: an older version with a larger part (2.0.5) is no update.
    return std::tie(major, minor, release)
        > std::tie(kOwnVersionMajor, kOwnVersionMinor, kOwnVersionRelease);
}

std::optional<TVersion> ReadVersionInfo(const QString& response)
{
    const QString info = XmlElement(response, QStringLiteral("VersionInfo"));
    const TVersion v{XmlElementInt(info, QStringLiteral("Major"), -1), XmlElementInt(info, QStringLiteral("Minor"), -1),
                     XmlElementInt(info, QStringLiteral("Release"), -1)};
    if (v.Major < 0 || v.Minor < 0 || v.Release < 0)
        return std::nullopt;
    return v;
}
