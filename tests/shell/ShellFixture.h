#pragma once
// A temporary home for the shared settings and a folder of test sets copied from the sample
// test, plus a registry of open test sets answering through a scripted prompt.

#include <filesystem>
#include <string>

#include "analysis/shell/msgGraphs.h"
#include "common/IniFunctions.h"
#include "common/Progress.h"
#include "common/ScriptedPrompt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace shelltest {

namespace fs = std::filesystem;

inline fs::path sampleRoot() { return fs::path(VANTREL_SOURCE_DIR) / "samples" / "CV2026Dec001_01"; }

class ShellFixture : public ::testing::Test {
protected:
    ShellFixture() { fs::create_directories(m_data); }

    // root.<setExt> and root.raw copied from the sample test; the set file's path.
    fs::path addTest(const std::string& root, const std::string& setExt = "crv",
                     bool withData = true) {
        const fs::path set = m_data / (root + "." + setExt);
        fs::copy_file(sampleRoot().string() + ".crv", set);
        if (withData) fs::copy_file(sampleRoot().string() + ".raw", m_data / (root + ".raw"));
        return set;
    }
    void setMainKey(const fs::path& set, const std::string& key, const std::string& value) {
        common::WriteIniString(set, "settings", key, value);
    }

    testsupport::TempDir m_dir;
    testsupport::ScopedVantrelHome m_home{m_dir.path()};
    fs::path m_data = m_dir / "tests";
    common::ScriptedPrompt m_prompt;
    common::SilentProgress m_progress;
    shell::msgGraphs m_graphs{m_prompt, m_progress};
};

}  // namespace shelltest
