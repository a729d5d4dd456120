#pragma once
// Plain descriptor I/O for the data files, and the two ways a data file is written: atomically
// under its final name, or as a private temporary file.

#include <cstddef>
#include <filesystem>
#include <string>
#include <sys/types.h>

namespace files {

// Reads until size bytes are in or the file ends; the count read, or -1 (errno set).
ssize_t readFull(int fd, void* buffer, std::size_t size);
// Writes all bytes; false (errno set) when that fails, for example on a full disk.
bool writeAll(int fd, const void* data, std::size_t size);

// A file written under a temporary name in the destination's folder and renamed to the
// destination by commit(), so that the destination is either the complete new file or
// untouched. Without commit() the temporary file is removed.
class AtomicFile {
public:
    // Opens the temporary file; valid() tells whether that worked, reason() why not.
    explicit AtomicFile(std::filesystem::path destination);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    bool valid() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    const std::string& reason() const { return m_reason; }

    // Flushes the data to the disk, gives the file the usual permissions (those of the file it
    // replaces, else 0666 less the umask) and renames it. False with reason() on failure; the
    // temporary file is gone either way.
    bool commit();

private:
    void discard();

    std::filesystem::path m_destination;
    std::filesystem::path m_temporary;
    int m_fd = -1;
    std::string m_reason;
};

// "what path: strerror(errno)".
std::string ioReason(const std::string& what, const std::filesystem::path& path);

}  // namespace files
