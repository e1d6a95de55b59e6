#pragma once
// The numbered directory "<base>/.Voxmill<i>" a process keeps its layer files
// in. i is the first number no running process holds: a number is held by an
// exclusive lock on the file "<base>/.Voxmill<i>.lock", which the system
// drops when its holder ends, however it ends, so a crashed job does not keep
// its number. The directory is created when missing and used as it is when
// present; it stays on disk afterwards.

#include <cstdint>

#include <QString>

namespace Voxmill {

class TempDirClaim {
public:
    // Throws when none of the first maxCandidates numbers can be claimed.
    explicit TempDirClaim(const QString& base);
    ~TempDirClaim(); // gives the number back
    TempDirClaim(const TempDirClaim&) = delete;
    TempDirClaim& operator=(const TempDirClaim&) = delete;

    int32_t number() const { return number_; }
    const QString& path() const { return path_; }

    static constexpr int32_t maxCandidates = 1000;

private:
    bool tryClaim(const QString& base, int32_t i);

    int lockFd_ = -1;
    int32_t number_ = -1;
    QString path_;
};

} // namespace Voxmill
