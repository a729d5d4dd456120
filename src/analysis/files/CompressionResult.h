#pragma once
// The outcome of compressing, decompressing or copying a data file.

#include <string>
#include <utility>

namespace files {

struct CompressionResult {
    bool ok = false;
    // Why the run failed ("" on success), for the user and the log.
    std::string reason;
    // Set when the flags of section "Compression" of the shared settings could not be
    // written; the data result above stands either way.
    std::string flagProblem;

    explicit operator bool() const noexcept { return ok; }

    static CompressionResult success() { return CompressionResult{true, {}, {}}; }
    static CompressionResult failure(std::string why) {
        return CompressionResult{false, std::move(why), {}};
    }
};

}  // namespace files
