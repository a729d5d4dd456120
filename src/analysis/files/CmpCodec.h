#pragma once
// Compression of a data file into the .cmp format (CmpHeader.h) and back, streamed in blocks
// so that memory stays at a few MiB whatever the file's size.

#include <cstddef>
#include <functional>

#include "analysis/files/CmpHeader.h"
#include "analysis/files/CompressionResult.h"

namespace files {

// Asked between blocks; true stops the run (it then fails with reason "cancelled").
using StopRequest = std::function<bool()>;

struct CodecSettings {
    // zstd level, 1..19. Level 1 packs the filtered planes as tightly as the slow levels do:
    // what is left after the filter is noise, and searching it for matches only costs time.
    int level = 1;
    DataFilter filter = DataFilter::ChannelDelta;
    // Channel count of the filter: 1..255, or 0 to take it from the data (likelyChannelCount).
    unsigned channels = 0;
    // Words per filter block, before rounding down to whole records.
    std::size_t blockWords = std::size_t{1} << 19;
};

// Reads the regular file `in` from its current offset (normally 0) to its end and writes the
// compressed file to `out`, from offset 0. `out` must be an empty regular file (its header is
// written last, in place).
CompressionResult compressStream(int in, int out, const CodecSettings& settings,
                                 const StopRequest& stop = {});

// Reads a compressed file from `in` (a regular file at offset 0) and writes the original
// bytes to `out`. Fails, with the reason, for a wrong magic number, an unknown version or
// filter, a truncated file, data after the end, damaged data or a checksum mismatch. What was
// written to `out` before a failure is to be thrown away by the caller.
CompressionResult decompressStream(int in, int out, const StopRequest& stop = {});

}  // namespace files
