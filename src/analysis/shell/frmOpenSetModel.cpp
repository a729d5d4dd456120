#include "analysis/shell/frmOpenSetModel.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "analysis/files/SetFileKeys.h"
#include "analysis/files/clasSetFileEC.h"
#include "analysis/files/clsDataset.h"
#include "analysis/shell/msgGraphs.h"
#include "common/AppPaths.h"
#include "common/FileNames.h"
#include "common/IniFunctions.h"
#include "common/Prompt.h"

namespace shell {
namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

}  // namespace

std::string dataFileMissingMessage(const std::string& dataFile) {
    return "The data file, " + dataFile +
           " was not found. [nl][nl]This file may not have been transferred from another "
           "computer.";
}

std::string downloadErrorsQuestion() {
    return "Errors were detected during the download of this data.\n" + std::string(19, ' ') +
           "Open file?";
}

std::filesystem::path startDirectory() {
    const std::string stored = common::ReadSharedSetting(kStartDirectoryKey);
    if (!stored.empty()) return stored;
    return common::userDataDirectory() / "data";
}

std::vector<std::string> filesWithExtension(const std::filesystem::path& directory,
                                            const std::string& ext) {
    std::vector<std::string> names;
    std::error_code ec;
    const std::string wanted = "." + lower(ext);
    for (std::filesystem::directory_iterator it(directory, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        const std::string name = it->path().filename().string();
        if (lower(it->path().extension().string()) == wanted) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

frmOpenSetModel::frmOpenSetModel(msgGraphs& graphs, common::Prompt& prompt,
                                 std::function<void()> hideDialog)
    : m_graphs(graphs), m_prompt(prompt), m_hide(std::move(hideDialog)) {}

void frmOpenSetModel::Load() {
    m_openEnabled = true;
    SetDirectory(startDirectory());
}

void frmOpenSetModel::SetDirectory(const std::filesystem::path& directory) {
    m_directory = directory;
    m_name.clear();
    m_comment.clear();
}

std::vector<std::string> frmOpenSetModel::fileList() const {
    return filesWithExtension(m_directory, kSetFileExtension);
}

void frmOpenSetModel::FileClicked(const std::string& name) {
    m_name = name;
    m_comment.clear();
    files::clasSetFileEC set;
    set.Setup((m_directory / name).string());
    try {
        m_comment = set.sComment();
    } catch (const std::exception&) {
        // An unreadable file has no comment to show; opening it reports why.
    }
}

bool frmOpenSetModel::bNameKeyAccepted(char key) {
    const auto c = static_cast<unsigned char>(key);
    return key == '\b' || (c < 128 && std::isalnum(c));
}

bool frmOpenSetModel::NameEntered() {
    if (!m_name.empty()) return true;
    common::ShowMessage(m_prompt, kNameTooShort);
    return false;
}

OpenOutcome frmOpenSetModel::Open() {
    m_openEnabled = false;
    if (m_name.empty()) {
        common::ShowMessage(m_prompt, kNameTooShort);
        m_openEnabled = true;
        return OpenOutcome::Refused;
    }
    std::string path = (m_directory / m_name).string();
    // The name box takes no ".", so a typed name is the set file's root.
    if (!common::FileExists(path) && m_name.find('.') == std::string::npos) {
        const std::string withExtension = path + "." + kSetFileExtension;
        if (common::FileExists(withExtension)) path = withExtension;
    }
    const OpenOutcome outcome = openPath(path, false);
    m_openEnabled = true;
    return outcome;
}

OpenOutcome frmOpenSetModel::openPath(const std::string& path, bool quiet) {
    if (!common::FileExists(path)) {
        common::ShowMessage(m_prompt, kFileNotFound);
        return OpenOutcome::Refused;
    }
    files::clasSetFileEC set;
    set.Setup(path);
    const bool compressed = set.bIsSettingTrue(files::SetFileKeys::Settings, files::SetFileKeys::RawFileCompressed);
    const std::string dataFile = common::ChangeExtension(path, compressed ? "cmp" : "raw");
    if (!common::FileExists(dataFile)) {
        common::ShowMessage(m_prompt, dataFileMissingMessage(dataFile));
        return OpenOutcome::Refused;
    }
    if (set.bIsSettingTrue(files::SetFileKeys::Settings, files::SetFileKeys::Errors) &&
        !m_prompt.askYesNo(downloadErrorsQuestion(), common::kMessageTitle))
        return OpenOutcome::Refused;
    if (m_hide) m_hide();
    return m_graphs.OpenTestSet(path, quiet) ? OpenOutcome::Opened : OpenOutcome::Failed;
}

int frmOpenSetModel::OpenAllHandHeld() {
    const std::vector<std::string> names = filesWithExtension(m_directory, kHandHeldExtension);
    if (names.empty()) {
        common::ShowMessage(m_prompt, kNoHandHeldFiles);
        return 0;
    }
    int opened = 0;
    for (const std::string& name : names)
        if (openPath((m_directory / name).string(), true) == OpenOutcome::Opened) ++opened;
    common::ShowMessage(m_prompt, files::kAllGraphsDrawn);
    return opened;
}

void frmOpenSetModel::StoreStartDirectory() const {
    common::WriteSharedSetting(kStartDirectoryKey, m_directory.string());
}

}  // namespace shell
