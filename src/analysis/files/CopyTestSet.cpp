#include <algorithm>
#include <array>
#include <cctype>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "analysis/files/Compress.h"
#include "analysis/files/FileIo.h"
#include "analysis/files/SetFileKeys.h"
#include "analysis/files/clasSetFileEC.h"
#include "common/Error.h"
#include "common/FileNames.h"
#include "common/IniFunctions.h"
#include "common/Progress.h"
#include "common/Prompt.h"

namespace files {
namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Set-file endings in order of preference (one set holds one of them).
constexpr std::array<const char*, 4> kSetFileEndings = {".crv", ".plr", ".qdr", ".qd2"};

struct SetMember {
    std::filesystem::path path;
    std::string ending;  // from the name's first "." on, as spelt on disk
};

// The files of the set, in name order (a folder's listing order is no order at all).
std::vector<SetMember> membersOf(const std::filesystem::path& sourceRoot) {
    std::vector<SetMember> members;
    const std::string prefix = sourceRoot.filename().string() + ".";
    const std::filesystem::path folder =
        sourceRoot.has_parent_path() ? sourceRoot.parent_path() : std::filesystem::path(".");
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (name.rfind(prefix, 0) != 0 || !it->is_regular_file(typeError)) continue;
        members.push_back({it->path(), common::ExtensionFromFirstDot(name)});
    }
    std::sort(members.begin(), members.end(),
              [](const SetMember& a, const SetMember& b) { return a.path < b.path; });
    return members;
}

const SetMember* findEnding(const std::vector<SetMember>& members, const std::string& ending) {
    for (const SetMember& m : members)
        if (lower(m.ending) == ending) return &m;
    return nullptr;
}

CompressionResult copyAtomically(const std::filesystem::path& from,
                                 const std::filesystem::path& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return CompressionResult::failure(ioReason("cannot open", from));
    AtomicFile out(to);
    CompressionResult result = out.valid() ? CompressionResult::success()
                                           : CompressionResult::failure(out.reason());
    std::vector<unsigned char> buffer(out.valid() ? std::size_t{1} << 20 : 0);
    while (result) {
        const ssize_t n = readFull(in, buffer.data(), buffer.size());
        if (n < 0) result = CompressionResult::failure(ioReason("cannot read", from));
        if (n <= 0) break;
        if (!writeAll(out.fd(), buffer.data(), static_cast<std::size_t>(n)))
            result = CompressionResult::failure(ioReason("cannot write", to));
    }
    ::close(in);
    if (result && !out.commit()) result = CompressionResult::failure(out.reason());
    return result;
}

// The channel count that the set file gives for the filter; 0 (take it from the data) when it
// has none that fits.
unsigned channelCountOf(const std::vector<SetMember>& members) {
    for (const char* ending : kSetFileEndings) {
        if (const SetMember* set = findEnding(members, ending)) {
            clasSetFileEC setFile;
            setFile.Setup(set->path.string());
            const int n = setFile.wMainIntWithDefault(SetFileKeys::NrChannels, 0);
            return n >= 1 && n <= 255 ? static_cast<unsigned>(n) : 0;
        }
    }
    return 0;
}

}  // namespace

bool CopyTestSet(bool compress, bool decompress, const std::filesystem::path& sourceRoot,
                 const std::string& destinationRoot,
                 const std::filesystem::path& destinationDirectory, common::Progress& progress,
                 common::Prompt& prompt) {
    const bool compressMode = compress && !decompress;
    const bool decompressMode = decompress && !compress;
    const std::filesystem::path base =
        common::StripTrailingBackslash(destinationDirectory.string()) + "/" + destinationRoot;
    const std::vector<SetMember> members = membersOf(sourceRoot);

    // Copying a set onto itself would truncate what it reads.
    std::error_code ec;
    bool saved = std::filesystem::absolute(base, ec).lexically_normal() !=
                 std::filesystem::absolute(sourceRoot, ec).lexically_normal();
    bool modeDone = false;
    const SetMember* raw = findEnding(members, ".raw");
    const SetMember* cmp = findEnding(members, ".cmp");
    CodecSettings settings;
    settings.channels = channelCountOf(members);
    const StopRequest stop = [&progress] { return progress.step(); };

    std::size_t number = 0;
    for (const SetMember& member : members) {
        if (!saved) break;
        ++number;
        progress.setText("Copying file " + std::to_string(number));
        progress.setFraction(static_cast<double>(number - 1) / static_cast<double>(members.size()));
        if (progress.step()) {
            saved = false;
            break;
        }
        const std::string ending = lower(member.ending);
        if (compressMode && ending == ".raw") {
            progress.setText("Copying files - Compressing data file");
            modeDone = static_cast<bool>(
                CompressDataFile(member.path, base.string() + ".cmp", settings, stop));
            saved = modeDone;
        } else if (decompressMode && ending == ".cmp") {
            modeDone = static_cast<bool>(
                DecompressDataFile(member.path, base.string() + ".raw", stop));
            saved = modeDone;
        } else if ((compressMode && ending == ".cmp" && raw) ||
                   (decompressMode && ending == ".raw" && cmp)) {
            // An old copy of the data in the other form: the mode's result replaces it.
            continue;
        } else {
            saved = static_cast<bool>(copyAtomically(member.path, base.string() + member.ending));
        }
    }
    if (compressMode || decompressMode) saved = saved && modeDone;

    if (saved && (compressMode || decompressMode)) {
        // The copy of the source's own set file; a set without one gets root.crv.
        std::string setFile = base.string() + ".crv";
        for (const char* ending : kSetFileEndings)
            if (const SetMember* set = findEnding(members, ending)) {
                setFile = base.string() + set->ending;
                break;
            }
        try {
            common::WriteIniFlag(setFile, SetFileKeys::Settings, SetFileKeys::RawFileCompressed,
                                 compressMode);
        } catch (const common::IoError&) {
            saved = false;  // the data are there, but the set would not find them
        }
    }
    progress.setFraction(1.0);

    if (saved)
        prompt.message(kCopyingFinished, common::kMessageTitle);
    else
        prompt.message(kDataNotSaved, common::kWarningTitle);
    return saved;
}

}  // namespace files
