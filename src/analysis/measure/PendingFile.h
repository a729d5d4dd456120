#pragma once
// An export file written completely under a private temporary name in the folder of the file
// it becomes, then given its name in one step: a failed export (no permission, a full disk)
// leaves neither a partial file nor a damaged earlier one. The temporary file is removed
// unless it was committed.

#include <cstdint>
#include <string>
#include <string_view>

namespace measure {

class PendingFile {
public:
    // A new empty file ".<name>.XXXXXX<ending>" beside target, readable like an ordinary
    // document. Throws common::IoError ("Cannot write <target>: reason").
    explicit PendingFile(const std::string& target, const std::string& ending = "");
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const std::string& path() const { return m_path; }

    // Appends the bytes (throws common::IoError).
    void write(std::string_view bytes);
    // Makes sure the folder's file system takes this many bytes now (the space is given back
    // at once); throws common::IoError when it does not. For writers that cannot report a
    // failed write themselves.
    void checkSpace(std::int64_t bytes);
    // Closes the descriptor (throws common::IoError when the last writes failed). Another
    // writer may then write the file by its path.
    void close();

    // Renames the file onto the target, replacing it.
    void commitReplacing();
    // Gives the file the name target unless a file of that name exists: false then, and the
    // file stays pending. Throws common::IoError on any other failure.
    bool commitAsNew(const std::string& target);

private:
    [[noreturn]] void fail(const std::string& what, int error) const;

    std::string m_target;
    std::string m_path;  // empty once committed
    int m_fd = -1;
};

}  // namespace measure
