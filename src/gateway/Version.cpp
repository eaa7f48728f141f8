#include "gateway/Version.h"
#include <tuple>

bool IsNewerVersion(int major, int minor, int release)
{
    // Compared in order: an older version with a larger part (2.0.5) is no update.
    return std::tie(major, minor, release)
        > std::tie(kOwnVersionMajor, kOwnVersionMinor, kOwnVersionRelease);
}
