#include "analysis/shell/frmCopySetModel.h"

#include <sys/statvfs.h>

#include <cctype>

#include "analysis/files/Compress.h"
#include "analysis/files/SetFileKeys.h"
#include "analysis/files/clasSetFileEC.h"
#include "analysis/shell/frmOpenSetModel.h"
#include "common/AppPaths.h"
#include "common/FileNames.h"
#include "common/NumberFormat.h"
#include "common/Prompt.h"

namespace shell {

std::optional<std::string> freeSpaceText(const std::filesystem::path& directory) {
    struct statvfs volume {};
    if (::statvfs(directory.c_str(), &volume) != 0) return std::nullopt;
    const double bytes = static_cast<double>(volume.f_bavail) * static_cast<double>(volume.f_frsize);
    return common::formatNumber(bytes / (1024.0 * 1024.0), "#0") + " MB free";
}

void frmCopySetModel::SetFileBoxForCopy(const std::string& sourceSetFile) {
    m_source = sourceSetFile;
    files::clasSetFileEC set;
    set.Setup(sourceSetFile);
    m_sourceCompressed =
        set.bIsSettingTrue(files::SetFileKeys::Settings, files::SetFileKeys::RawFileCompressed);
    m_name = common::NameUpToFirstDot(common::SplitPath(sourceSetFile).name);
    m_directory = common::userDataDirectory() / "data";
    m_compress = false;
}

std::string frmCopySetModel::compressionLabel() const {
    return m_sourceCompressed ? "Compressed" : "Uncompressed";
}

bool frmCopySetModel::bNameKeyAccepted(char key) {
    const auto c = static_cast<unsigned char>(key);
    return key == '\b' || key == '-' || key == '_' || key == '&' || key == '+' ||
           (c < 128 && std::isalnum(c));
}

bool frmCopySetModel::NameEntered() {
    if (!m_name.empty()) return true;
    m_prompt.message(kNameTooShort, kEmptyNameTitle);
    return false;
}

bool frmCopySetModel::SaveData(common::Progress& progress) {
    // A name that could climb out of the folder or is empty would not be a new root there.
    if (m_name.empty() || m_name.find('/') != std::string::npos || m_name == "." ||
        m_name == "..") {
        m_prompt.message(kNameTooShort, kEmptyNameTitle);
        return false;
    }
    const std::string root =
        common::StripTrailingBackslash(m_directory.string()) + "/" + m_name;
    for (const char* ext : {".crv", ".raw", ".cmp"}) {
        if (common::FileExists(root + ext)) {
            common::ShowMessage(m_prompt, kChooseAnotherFile);
            return false;
        }
    }
    const std::string sourceRoot = common::NameUpToFirstDot(m_source);
    return files::CopyTestSet(m_compress, m_sourceCompressed, sourceRoot, m_name, m_directory,
                              progress, m_prompt);
}

}  // namespace shell
