#include "common/Ini.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "common/Error.h"
#include "common/IniText.h"

namespace common::ini {
namespace {

namespace fs = std::filesystem;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    int get() const { return m_fd; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

// The whole file, or nothing when it cannot be read (missing counts as empty for writers).
std::optional<std::string> readAll(const fs::path& file) {
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return std::nullopt;
    std::string content;
    char buffer[16384];
    while (true) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    return content;
}

// Writers of the files of one folder take turns through a lock on the folder itself: the INI
// file cannot carry the lock, because every write replaces it by a new file.
class FolderLock {
public:
    explicit FolderLock(const fs::path& folder)
        : m_fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (m_fd.get() < 0) throw IoError(systemMessage("Cannot open folder " + folder.string()));
        while (::flock(m_fd.get(), LOCK_EX) != 0) {
            if (errno != EINTR) throw IoError(systemMessage("Cannot lock folder " + folder.string()));
        }
    }
    // Closing the descriptor releases the lock.

private:
    FileDescriptor m_fd;
};

void writeAll(int fd, std::string_view content, const fs::path& file) {
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            throw IoError(systemMessage("Cannot write " + file.string()));
        }
        content.remove_prefix(static_cast<std::size_t>(n));
    }
}

// Temporary files of a write are named "." + file name + "." + six random characters.
std::string temporaryPrefix(const fs::path& file) {
    std::string prefix(1, '.');
    prefix.append(file.filename().string());
    prefix.push_back('.');
    return prefix;
}

// Replaces the file by one holding content: a temporary file beside it, then rename, so a
// reader sees the old or the new file and never a part of one, even when this process dies.
void replaceFile(const fs::path& file, std::string_view content) {
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    std::string pattern = (folder / temporaryPrefix(file)).string() + "XXXXXX";
    FileDescriptor fd(::mkostemp(pattern.data(), O_CLOEXEC));
    if (fd.get() < 0) throw IoError(systemMessage("Cannot write " + file.string()));
    const fs::path temp = pattern;
    try {
        struct stat st {};
        const mode_t mode = (::stat(file.c_str(), &st) == 0) ? (st.st_mode & 07777) : 0644;
        if (::fchmod(fd.get(), mode) != 0)
            throw IoError(systemMessage("Cannot write " + file.string()));
        writeAll(fd.get(), content, file);
        if (::close(fd.release()) != 0) throw IoError(systemMessage("Cannot write " + file.string()));
        if (::rename(temp.c_str(), file.c_str()) != 0)
            throw IoError(systemMessage("Cannot replace " + file.string()));
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
}

// A rename would replace even a file without write permission: honour the permission
// first. A file with no write bit at all counts as read-only for root too.
void refuseReadOnly(const fs::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return;  // a new file
    if ((st.st_mode & 0222) == 0 || ::access(file.c_str(), W_OK) != 0)
        throw IoError("Cannot write " + file.string() + ": the file is read-only");
}

// The real file behind a symbolic link, so that a write replaces the target, not the link.
fs::path resolved(const fs::path& file) {
    std::error_code ec;
    const fs::path target = fs::canonical(file, ec);
    return ec ? file : target;
}

// Temporary files of writers that died between creating and renaming them. Only a writer
// holding the folder lock has a temporary file, so under the lock every one found is stale.
void removeStaleTemporaries(const fs::path& folder, const fs::path& file) {
    const std::string prefix = temporaryPrefix(file);
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0)
            fs::remove(it->path(), ec);
    }
}

template <class Change>
void modify(const fs::path& given, Change&& change) {
    const fs::path file = resolved(given);
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    FolderLock lock(folder);
    removeStaleTemporaries(folder, file);
    std::string before;
    std::error_code ec;
    if (fs::exists(file, ec)) {
        auto content = readAll(file);
        if (!content) throw IoError(systemMessage("Cannot read " + file.string()));
        before = std::move(*content);
    }
    const std::optional<std::string> after = change(before);
    if (!after || *after == before) return;
    refuseReadOnly(file);
    replaceFile(file, *after);
}

}  // namespace

std::optional<std::string> readValue(const fs::path& file, std::string_view section,
                                     std::string_view key) {
    const auto content = readAll(file);
    if (!content) return std::nullopt;
    return text::find(*content, section, key);
}

void writeValue(const fs::path& file, std::string_view section, std::string_view key,
                std::string_view value) {
    text::checkWritable(section, key, value);
    modify(file, [&](const std::string& content) -> std::optional<std::string> {
        if (text::find(content, section, key) == std::optional<std::string>(std::string(value)))
            return std::nullopt;  // nothing changes: leave the file alone
        return text::withValue(content, section, key, value);
    });
}

void writeValueBefore(const fs::path& file, std::string_view section, std::string_view key,
                      std::string_view value, std::string_view before) {
    text::checkWritable(section, key, value);
    modify(file, [&](const std::string& content) -> std::optional<std::string> {
        if (text::find(content, section, key) == std::optional<std::string>(std::string(value)))
            return std::nullopt;
        return text::withValueBefore(content, section, key, value, before);
    });
}

std::string updateValue(const fs::path& file, std::string_view section, std::string_view key,
                        const std::function<std::string(const std::optional<std::string>&)>& change) {
    text::checkWritable(section, key, "");
    std::string written;
    modify(file, [&](const std::string& content) -> std::optional<std::string> {
        written = change(text::find(content, section, key));
        text::checkWritable(section, key, written);
        return text::withValue(content, section, key, written);
    });
    return written;
}

void removeKey(const fs::path& file, std::string_view section, std::string_view key) {
    std::error_code ec;
    if (!fs::exists(file, ec)) return;
    modify(file, [&](const std::string& content) -> std::optional<std::string> {
        return text::withoutKey(content, section, key);
    });
}

std::vector<std::string> keysOf(const fs::path& file, std::string_view section) {
    const auto content = readAll(file);
    return content ? text::keys(*content, section) : std::vector<std::string>{};
}

std::vector<std::string> sectionsOf(const fs::path& file) {
    const auto content = readAll(file);
    return content ? text::sections(*content) : std::vector<std::string>{};
}

}  // namespace common::ini
