#pragma once
#include <QString>
#include <optional>

// The program's own version (shown in the about box, default of the latest known version).
inline constexpr int kOwnVersionMajor = 2;
inline constexpr int kOwnVersionMinor = 1;
inline constexpr int kOwnVersionRelease = 1;

// True when the offered version is newer than the program's own: major, minor and release
// compared in this order.
bool IsNewerVersion(int major, int minor, int release);

struct TVersion {
    int Major = 0;
    int Minor = 0;
    int Release = 0;
    friend bool operator==(const TVersion&, const TVersion&) = default;
};

// The element VersionInfo of `response` with its Major, Minor and Release; none unless all
// three are integers of 0 or more.
std::optional<TVersion> ReadVersionInfo(const QString& response);
