#pragma once
// Compressed data files (root.cmp beside root.raw) and copies of whole test sets.
//
// Compression is done here, in the process (zstd behind a per-channel filter, format in
// CmpHeader.h). Each run still keeps the flags of section "Compression" of the shared settings
// file, which a watching program may poll: "Done" = "F" when the run starts, then "Error" =
// "T" or "F" and "Done" = "T" when it ends.
//
// A destination is written under a temporary name in its folder and renamed when complete, so
// a failed run leaves no file under the destination's name (and an existing one untouched).
// Decompressing checks the original size and checksum: a damaged, truncated or foreign file
// fails with a reason instead of giving wrong data.

#include <filesystem>
#include <string>

#include "analysis/files/CmpCodec.h"
#include "analysis/files/CompressionResult.h"
#include "analysis/files/TempRawFile.h"

namespace common {
class Progress;
class Prompt;
}  // namespace common

namespace files {

inline constexpr const char* kCompressionSection = "Compression";

// Compresses the raw data file into cmpPath. Equal paths fail at once, without touching the
// flags. settings.channels is the file's channel count when the caller knows it ("NrChannels"),
// 0 to take it from the data.
CompressionResult CompressDataFile(const std::filesystem::path& rawPath,
                                   const std::filesystem::path& cmpPath,
                                   const CodecSettings& settings = {},
                                   const StopRequest& stop = {});

// Decompresses cmpPath into rawPath, which then equals the original raw file byte for byte.
// Equal paths fail at once.
CompressionResult DecompressDataFile(const std::filesystem::path& cmpPath,
                                     const std::filesystem::path& rawPath,
                                     const StopRequest& stop = {});

// Decompresses cmpPath into a new private temporary file (TempRawFile::create) for an opened
// test; temp holds it on success and is empty on failure. Every open test gets a file of its
// own, so a test still open never stands in the way of the next.
CompressionResult DecompressToTemp(const std::filesystem::path& cmpPath, TempRawFile& temp);

// Copies every file named sourceRoot + "." + any ending (sourceRoot is a path without
// extension, such as /data/Test01) to destinationDirectory/destinationRoot + the same ending,
// in name order, and returns whether everything was saved.
// - compress set, decompress clear: root.raw becomes root.cmp, and the copy's set file says
//   "RawFileCompressed" = "T";
// - decompress set, compress clear: root.cmp becomes root.raw and "RawFileCompressed" = "F";
// - otherwise every file is copied as it is and nothing is written.
// Progress shows "Copying file " & n, and "Copying files - Compressing data file" while the
// data file is compressed; a stop request from it abandons the copy. At the end the prompt
// shows "Copying Finished" (padded), or, when the mode's data file was missing or any file
// could not be saved, the warning "Error - Data not saved." with "Disk may be full or
// unavailable".
bool CopyTestSet(bool compress, bool decompress, const std::filesystem::path& sourceRoot,
                 const std::string& destinationRoot,
                 const std::filesystem::path& destinationDirectory, common::Progress& progress,
                 common::Prompt& prompt);

// True when the file is gone afterwards (or never existed).
bool RemoveFileIfPresent(const std::filesystem::path& path);

// Creates the file when it does not exist; an existing file keeps its contents. False when it
// cannot be created.
bool EnsureFileExists(const std::filesystem::path& path);

// There are no short (8.3) names here: the path as it is.
std::string ShortPathOf(const std::string& path);

// The texts that CopyTestSet shows.
inline constexpr const char* kCopyingFinished =
    "                                Copying Finished                                  ";
inline constexpr const char* kDataNotSaved =
    "     Error - Data not saved.  [nl]Disk may be full or unavailable";

}  // namespace files
