#pragma once
// The copy-set window without its controls: a copy of a test set under a new root in a
// chosen folder, compressing or decompressing its data file on the way.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace common {
class Progress;
class Prompt;
}  // namespace common

namespace shell {

inline constexpr const char* kCopySetTitle = " Save Data Set As ...";
inline constexpr const char* kSaveButton = "&Save Data";
inline constexpr const char* kCompressCheck = "   Compress File";
inline constexpr const char* kCopyExplanation =
    "      This copies the .crv file, the data file, and all the associated graph files.";
inline constexpr const char* kCopyNameLabel = "Name";
inline constexpr const char* kEmptyNameTitle = "Empty file name";
inline constexpr const char* kChooseAnotherFile = "Please choose another file";

// The free space of the folder's file system in megabytes ("#0" & " MB free"); nothing when
// it cannot be read.
std::optional<std::string> freeSpaceText(const std::filesystem::path& directory);

class frmCopySetModel {
public:
    explicit frmCopySetModel(common::Prompt& prompt) : m_prompt(prompt) {}

    // Set up for the source set file: the name box takes its root, the folder the user data
    // folder's "data".
    void SetFileBoxForCopy(const std::string& sourceSetFile);

    bool bSourceCompressed() const { return m_sourceCompressed; }
    // "Compressed" or "Uncompressed".
    std::string compressionLabel() const;
    const std::filesystem::path& directory() const { return m_directory; }
    void SetDirectory(std::filesystem::path directory) { m_directory = std::move(directory); }
    const std::string& name() const { return m_name; }
    void SetName(std::string name) { m_name = std::move(name); }
    bool bCompress() const { return m_compress; }
    void SetCompress(bool compress) { m_compress = compress; }
    // Letters, digits, Backspace (8), "-", "_", "&" and "+".
    static bool bNameKeyAccepted(char key);
    // Enter in the name box: false (and the message) when it is empty.
    bool NameEntered();

    // "&Save Data": refuses a root that already has a .crv, .raw or .cmp file, then copies.
    // True when the copy was saved.
    bool SaveData(common::Progress& progress);

private:
    common::Prompt& m_prompt;
    std::string m_source;  // the set file
    bool m_sourceCompressed = false;
    std::filesystem::path m_directory;
    std::string m_name;
    bool m_compress = false;
};

}  // namespace shell
