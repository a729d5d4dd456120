#pragma once
// A unique folder for one test, removed with everything in it at the end.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace testsupport {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vantrel-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

inline void writeFile(const std::filesystem::path& file, const std::string& content) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

inline std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Points VANTREL_HOME at a folder for the lifetime of the object.
class ScopedVantrelHome {
public:
    explicit ScopedVantrelHome(const std::filesystem::path& dir) {
        if (const char* old = std::getenv("VANTREL_HOME")) m_old = old, m_hadOld = true;
        ::setenv("VANTREL_HOME", dir.c_str(), 1);
    }
    ~ScopedVantrelHome() {
        if (m_hadOld) ::setenv("VANTREL_HOME", m_old.c_str(), 1);
        else ::unsetenv("VANTREL_HOME");
    }

private:
    std::string m_old;
    bool m_hadOld = false;
};

}  // namespace testsupport
