#pragma once
// A private temporary raw file (the decompressed data of an open compressed test). The holder
// removes the file when it goes: keep it for as long as the test's data are mapped (a mapping
// stays valid after the name is gone, but the disk space is freed only with the mapping).

#include <filesystem>
#include <string>

namespace files {

class TempRawFile {
public:
    TempRawFile() = default;
    // Takes charge of an existing file.
    explicit TempRawFile(std::filesystem::path file) : m_path(std::move(file)) {}
    TempRawFile(TempRawFile&& other) noexcept;
    TempRawFile& operator=(TempRawFile&& other) noexcept;
    TempRawFile(const TempRawFile&) = delete;
    TempRawFile& operator=(const TempRawFile&) = delete;
    ~TempRawFile() { reset(); }

    // Creates a new file with a unique name ("tempdata-XXXXXX.raw") and mode 0600 in
    // common::userDataDirectory(), or in $TMPDIR (default /tmp) when that folder cannot take
    // it. Returns its open descriptor (the caller closes it), or -1 with reason set and the
    // holder left empty.
    int create(std::string& reason);

    const std::filesystem::path& path() const { return m_path; }
    bool empty() const { return m_path.empty(); }
    // Removes the file now.
    void reset();
    // Keeps the file and forgets it.
    std::filesystem::path release();

private:
    std::filesystem::path m_path;
};

}  // namespace files
