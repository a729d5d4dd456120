#include "analysis/files/Compress.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "analysis/files/FileIo.h"
#include "common/AppPaths.h"
#include "common/Error.h"
#include "common/IniFunctions.h"

namespace files {
namespace {

void writeFlag(const char* key, bool value, CompressionResult& result) {
    try {
        common::WriteIniFlag(common::sharedSettingsFile(), kCompressionSection, key, value);
    } catch (const common::IoError& e) {
        if (result.flagProblem.empty()) result.flagProblem = e.what();
    }
}

bool samePath(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec)) return true;
    return std::filesystem::absolute(a, ec).lexically_normal() ==
           std::filesystem::absolute(b, ec).lexically_normal();
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

template <typename Work>
CompressionResult intoAtomicFile(const std::filesystem::path& source,
                                 const std::filesystem::path& destination, Work work) {
    Descriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) return CompressionResult::failure(ioReason("cannot open", source));
    struct stat st {};
    if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return CompressionResult::failure(source.string() + " is not a regular file");
    AtomicFile out(destination);
    if (!out.valid()) return CompressionResult::failure(out.reason());
    CompressionResult result = work(in.get(), out.fd());
    if (!result) {
        result.reason = source.string() + ": " + result.reason;
        return result;  // out removes the unfinished file
    }
    if (!out.commit()) return CompressionResult::failure(out.reason());
    return result;
}

// One run, framed by the "Compression" flags.
template <typename Work>
CompressionResult flaggedRun(Work work) {
    CompressionResult start;
    writeFlag("Done", false, start);
    CompressionResult result = work();
    if (result.flagProblem.empty()) result.flagProblem = start.flagProblem;
    writeFlag("Error", !result.ok, result);
    writeFlag("Done", true, result);
    return result;
}

}  // namespace

CompressionResult CompressDataFile(const std::filesystem::path& rawPath,
                                   const std::filesystem::path& cmpPath,
                                   const CodecSettings& settings, const StopRequest& stop) {
    if (samePath(rawPath, cmpPath))
        return CompressionResult::failure("the data file and the compressed file are the same");
    return flaggedRun([&] {
        return intoAtomicFile(rawPath, cmpPath, [&](int in, int out) {
            return compressStream(in, out, settings, stop);
        });
    });
}

CompressionResult DecompressDataFile(const std::filesystem::path& cmpPath,
                                     const std::filesystem::path& rawPath,
                                     const StopRequest& stop) {
    if (samePath(rawPath, cmpPath))
        return CompressionResult::failure("the compressed file and the data file are the same");
    return flaggedRun([&] {
        return intoAtomicFile(cmpPath, rawPath,
                              [&](int in, int out) { return decompressStream(in, out, stop); });
    });
}

CompressionResult DecompressToTemp(const std::filesystem::path& cmpPath, TempRawFile& temp) {
    temp.reset();
    return flaggedRun([&] {
        Descriptor in(::open(cmpPath.c_str(), O_RDONLY | O_CLOEXEC));
        if (in.get() < 0) return CompressionResult::failure(ioReason("cannot open", cmpPath));
        std::string reason;
        TempRawFile made;
        Descriptor out(made.create(reason));
        if (out.get() < 0) return CompressionResult::failure(reason);
        CompressionResult result = decompressStream(in.get(), out.get());
        if (!result) {
            result.reason = cmpPath.string() + ": " + result.reason;
            return result;  // made removes the file
        }
        temp = std::move(made);
        return result;
    });
}

bool RemoveFileIfPresent(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) return true;
    std::filesystem::remove(path, ec);
    return !std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

bool EnsureFileExists(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    return ::close(fd) == 0;
}

std::string ShortPathOf(const std::string& path) { return path; }

}  // namespace files
