#include "download/DownloadFileNames.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace download {

std::string testNumberText(int t) {
    if (t < 1 || t > 99) throw std::out_of_range("test number " + std::to_string(t) + " has no two-digit name");
    return (t < 10 ? "0" : "") + std::to_string(t);
}

std::string setFileName(const std::string& fileRoot, int t) { return fileRoot + testNumberText(t) + ".crv"; }

std::string rawFileName(const std::string& fileRoot, int t) { return fileRoot + testNumberText(t) + ".raw"; }

std::string logFileName(const std::string& fileRoot) { return fileRoot + ".log"; }

bool isBlankRoot(const std::string& fileRoot) {
    return std::all_of(fileRoot.begin(), fileRoot.end(),
                       [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace download
