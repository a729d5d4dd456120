// The open-test and copy-set windows' models on real test sets in a temporary folder.

#include <string>
#include <vector>

#include "ShellFixture.h"
#include "analysis/files/Compress.h"
#include "analysis/shell/frmCopySetModel.h"
#include "analysis/shell/frmOpenSetModel.h"

namespace shelltest {
namespace {

class OpenSet : public ShellFixture {
protected:
    OpenSet() {
        m_open.Load();
        m_open.SetDirectory(m_data);
    }
    int m_hidden = 0;
    shell::frmOpenSetModel m_open{m_graphs, m_prompt, [this] { ++m_hidden; }};
};

TEST_F(OpenSet, RefusalsNameTheirCauseAndOpenNothing) {
    addTest("NoData", "crv", false);
    const fs::path flaggedCmp = addTest("Packed");
    setMainKey(flaggedCmp, "RawFileCompressed", "T");
    const fs::path errors = addTest("Faulty");
    setMainKey(errors, "Errors", "T");

    struct Case {
        std::string name;
        std::string message;  // the one box shown ("" for the question only)
    };
    const std::vector<Case> cases = {
        {"", shell::kNameTooShort},
        {"Missing.crv", shell::kFileNotFound},
        {"NoData.crv", shell::dataFileMissingMessage((m_data / "NoData.raw").string())},
        {"Packed.crv", shell::dataFileMissingMessage((m_data / "Packed.cmp").string())},
    };
    for (const Case& c : cases) {
        m_prompt.clear();
        m_open.SetName(c.name);
        EXPECT_EQ(m_open.Open(), shell::OpenOutcome::Refused) << c.name;
        EXPECT_EQ(m_prompt.messages(), (std::vector<std::string>{c.message})) << c.name;
        EXPECT_TRUE(m_open.bOpenEnabled());
    }

    m_prompt.clear();
    m_prompt.answerYesNo(false);
    m_open.SetName("Faulty.crv");
    EXPECT_EQ(m_open.Open(), shell::OpenOutcome::Refused);
    ASSERT_EQ(m_prompt.shown().size(), 1u);
    EXPECT_EQ(m_prompt.shown()[0].kind, common::ScriptedPrompt::Kind::YesNo);
    EXPECT_EQ(m_prompt.shown()[0].text, shell::downloadErrorsQuestion());
    EXPECT_EQ(m_prompt.shown()[0].title, common::kMessageTitle);
    EXPECT_EQ(m_hidden, 0);
    EXPECT_FALSE(m_graphs.IsAnyDatasetOpen());

    m_prompt.answerYesNo(true);
    EXPECT_EQ(m_open.Open(), shell::OpenOutcome::Opened);
    EXPECT_EQ(m_hidden, 1);
    EXPECT_EQ(m_graphs.lCount(), 1);
}

TEST_F(OpenSet, AClickedFileOpensAndATypedRootFindsItsSetFile) {
    addTest("CV2026Dec001_01");
    testsupport::writeFile(m_data / "notes.txt", "x");
    EXPECT_EQ(m_open.fileList(), (std::vector<std::string>{"CV2026Dec001_01.crv"}));

    m_open.FileClicked("CV2026Dec001_01.crv");
    EXPECT_EQ(m_open.name(), "CV2026Dec001_01.crv");
    EXPECT_NE(m_open.comment().find("Test 1 of 1\r\nBench 3"), std::string::npos);
    EXPECT_EQ(m_open.Open(), shell::OpenOutcome::Opened);
    EXPECT_EQ(m_prompt.messages(), (std::vector<std::string>{"All graphs drawn."}));

    // The name box takes no ".": a typed root opens root.crv.
    m_open.SetDirectory(m_data);
    EXPECT_EQ(m_open.name(), "");
    EXPECT_EQ(m_open.comment(), "");
    m_open.SetName("CV2026Dec001_01");
    EXPECT_EQ(m_open.Open(), shell::OpenOutcome::Opened);
    EXPECT_EQ(m_graphs.lCount(), 2);
}

TEST_F(OpenSet, AllHandHeldFilesOpenQuietlyInNameOrder) {
    for (const char* root : {"H3", "H1", "H2"}) addTest(root, "qd2");
    addTest("Other");

    EXPECT_EQ(m_open.OpenAllHandHeld(), 3);
    EXPECT_EQ(m_prompt.messages(), (std::vector<std::string>{"All graphs drawn."}));
    ASSERT_EQ(m_graphs.lCount(), 3);
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(m_graphs.dataset(n)->setFile().sSetFileName(),
                  (m_data / ("H" + std::to_string(n) + ".qd2")).string());

    m_prompt.clear();
    m_open.SetDirectory(m_dir / "empty");
    EXPECT_EQ(m_open.OpenAllHandHeld(), 0);
    EXPECT_EQ(m_prompt.messages(), (std::vector<std::string>{shell::kNoHandHeldFiles}));
}

TEST_F(OpenSet, StartDirectoryComesFromTheSharedSettings) {
    EXPECT_EQ(shell::startDirectory(), m_dir.path() / "data");
    m_open.StoreStartDirectory();
    EXPECT_EQ(common::ReadSharedSetting("CV Analysis Start Directory"), m_data.string());
    shell::frmOpenSetModel other(m_graphs, m_prompt);
    other.Load();
    EXPECT_EQ(other.directory(), m_data);
}

TEST(NameKeys, OpenAndCopyBoxes) {
    struct Case {
        char key;
        bool open, copy;
    };
    const std::vector<Case> cases = {
        {'a', true, true},  {'Z', true, true},   {'7', true, true},  {'\b', true, true},
        {'.', false, false}, {' ', false, false}, {'-', false, true}, {'_', false, true},
        {'&', false, true}, {'+', false, true},  {'/', false, false}, {'\xE9', false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shell::frmOpenSetModel::bNameKeyAccepted(c.key), c.open) << int(c.key);
        EXPECT_EQ(shell::frmCopySetModel::bNameKeyAccepted(c.key), c.copy) << int(c.key);
    }
}

class CopySet : public ShellFixture {
protected:
    CopySet() {
        m_source = addTest("Src");
        m_copy.SetFileBoxForCopy(m_source.string());
        m_copy.SetDirectory(m_target);
        fs::create_directories(m_target);
    }
    fs::path m_source;
    fs::path m_target = m_dir / "copies";
    shell::frmCopySetModel m_copy{m_prompt};
};

TEST_F(CopySet, SetUpFromTheSource) {
    shell::frmCopySetModel fresh(m_prompt);
    fresh.SetFileBoxForCopy(m_source.string());
    EXPECT_EQ(fresh.name(), "Src");
    EXPECT_EQ(fresh.compressionLabel(), "Uncompressed");
    EXPECT_EQ(fresh.directory(), m_dir.path() / "data");
    const auto free = shell::freeSpaceText(m_target);
    ASSERT_TRUE(free.has_value());
    EXPECT_TRUE(free->ends_with(" MB free"));
    EXPECT_FALSE(shell::freeSpaceText(m_dir / "nowhere").has_value());
}

TEST_F(CopySet, ARootWithAnyOfItsFilesIsRefused) {
    for (const char* ext : {".crv", ".raw", ".cmp"}) {
        const fs::path existing = m_target / (std::string("Taken") + ext);
        testsupport::writeFile(existing, "keep");
        m_prompt.clear();
        m_copy.SetName("Taken");
        EXPECT_FALSE(m_copy.SaveData(m_progress)) << ext;
        EXPECT_EQ(m_prompt.messages(), (std::vector<std::string>{shell::kChooseAnotherFile}));
        EXPECT_EQ(testsupport::readFile(existing), "keep");
        fs::remove(existing);
    }
    m_prompt.clear();
    m_copy.SetName("");
    EXPECT_FALSE(m_copy.SaveData(m_progress));
    ASSERT_EQ(m_prompt.shown().size(), 1u);
    EXPECT_EQ(m_prompt.shown()[0].title, shell::kEmptyNameTitle);
    EXPECT_EQ(m_prompt.shown()[0].text, shell::kNameTooShort);
}

TEST_F(CopySet, CompressingThenDecompressingGivesTheDataBack) {
    m_copy.SetName("Packed");
    m_copy.SetCompress(true);
    ASSERT_TRUE(m_copy.SaveData(m_progress));
    EXPECT_EQ(m_prompt.messages().back(), files::kCopyingFinished);
    EXPECT_TRUE(fs::exists(m_target / "Packed.cmp"));
    EXPECT_FALSE(fs::exists(m_target / "Packed.raw"));

    shell::frmCopySetModel back(m_prompt);
    back.SetFileBoxForCopy((m_target / "Packed.crv").string());
    EXPECT_EQ(back.compressionLabel(), "Compressed");
    back.SetDirectory(m_target);
    back.SetName("Plain");
    ASSERT_TRUE(back.SaveData(m_progress));
    EXPECT_EQ(testsupport::readFile(m_target / "Plain.raw"), testsupport::readFile(m_data / "Src.raw"));
    EXPECT_FALSE(fs::exists(m_target / "Plain.cmp"));
}

}  // namespace
}  // namespace shelltest
