#pragma once

// The program's own version (shown in the about box, default of the latest known version).
inline constexpr int kOwnVersionMajor = 2;
inline constexpr int kOwnVersionMinor = 1;
inline constexpr int kOwnVersionRelease = 1;

// True when the offered version is newer than the program's own: major, minor and release
// compared in this order.
bool IsNewerVersion(int major, int minor, int release);
