#pragma once
// The open-test window without its controls: the folder shown, its set files, the name and
// comment boxes, opening one set file or every hand-held recorder file of the folder, and the
// start folder kept in the shared settings ("CV Analysis Start Directory").

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace common {
class Prompt;
}

namespace shell {

class msgGraphs;

inline constexpr const char* kOpenSetTitle = " Choose Corvane file";
inline constexpr const char* kOpenButton = "&Open";
inline constexpr const char* kCancelButton = "&Cancel";
inline constexpr const char* kNameLabel = "Name :";
inline constexpr const char* kCommentLabel = "File Comments:";
inline constexpr const char* kStartDirectoryKey = "CV Analysis Start Directory";
inline constexpr const char* kNameTooShort = "File name must have more than one character.";
inline constexpr const char* kFileNotFound = "File not found.";
inline constexpr const char* kNoHandHeldFiles = "No Quiddor II files found.";
inline constexpr const char* kSetFileExtension = "crv";
inline constexpr const char* kHandHeldExtension = "qd2";

// "The data file, " & path & " was not found. [nl][nl]This file may ..."
std::string dataFileMissingMessage(const std::string& dataFile);
// The question asked before opening a test whose download reported errors.
std::string downloadErrorsQuestion();

// The folder the open-test window shows first: the stored start folder, else the user data
// folder's "data".
std::filesystem::path startDirectory();

// Files of the folder whose extension is ext (either case), by name.
std::vector<std::string> filesWithExtension(const std::filesystem::path& directory,
                                            const std::string& ext);

enum class OpenOutcome { Refused, Opened, Failed };

class frmOpenSetModel {
public:
    // hideDialog is called just before a test set is opened.
    frmOpenSetModel(msgGraphs& graphs, common::Prompt& prompt,
                    std::function<void()> hideDialog = {});

    // The window loads: start folder, empty boxes.
    void Load();
    const std::filesystem::path& directory() const { return m_directory; }
    // Another folder: the file list follows, the boxes are cleared.
    void SetDirectory(const std::filesystem::path& directory);
    std::vector<std::string> fileList() const;

    // A file of the list was clicked: its name, and its comment ("" when it has none).
    void FileClicked(const std::string& name);
    const std::string& name() const { return m_name; }
    void SetName(std::string name) { m_name = std::move(name); }
    const std::string& comment() const { return m_comment; }
    // Keys of the name box: letters, digits and Backspace (8).
    static bool bNameKeyAccepted(char key);
    // Enter in the name box: false (and the message) when it is empty.
    bool NameEntered();

    bool bOpenEnabled() const { return m_openEnabled; }
    // "&Open": checks the name, the set file, its data file and its download errors, then
    // hides the dialog and opens the test set.
    OpenOutcome Open();
    // Every hand-held file of the folder, quietly, then "All graphs drawn."; the number
    // opened.
    int OpenAllHandHeld();
    // Stores the folder as the start folder.
    void StoreStartDirectory() const;

private:
    // Steps 2 to 6 of opening one set file.
    OpenOutcome openPath(const std::string& path, bool quiet);

    msgGraphs& m_graphs;
    common::Prompt& m_prompt;
    std::function<void()> m_hide;
    std::filesystem::path m_directory;
    std::string m_name;
    std::string m_comment;
    bool m_openEnabled = true;
};

}  // namespace shell
