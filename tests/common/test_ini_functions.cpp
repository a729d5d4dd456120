#include "common/IniFunctions.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "common/Error.h"
#include "common/Ini.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono;
using common::ini::readValue;
using testsupport::readFile;
using testsupport::writeFile;

class IniFunctionsTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::filesystem::path file = dir / "test.ini";
};

// --- number texts ---------------------------------------------------------------------------

struct RealCase {
    const char* text;
    std::optional<double> expected;
};

TEST(ParseRealText, AcceptsPointOrCommaAndRejectsEverythingElse) {
    const std::vector<RealCase> cases = {
        {"1.5", 1.5},       {"1,5", 1.5},        {"  -2.5e3\t", -2500.0}, {"+3", 3.0},
        {".5", 0.5},        {"5.", 5.0},         {"1E-3", 0.001},         {"-0", 0.0},
        {"1.5.2", {}},      {"1,5,2", {}},       {"1,000.5", {}},         {"", {}},
        {"   ", {}},        {"abc", {}},         {"nan", {}},             {"NaN", {}},
        {"inf", {}},        {"-inf", {}},        {"infinity", {}},        {"1e400", {}},
        {"-1e400", {}},     {"0x10", {}},        {"+-1", {}},             {"++1", {}},
        {"+", {}},          {"-", {}},           {"1e", {}},              {"- 1", {}},
        {"1 000", {}},      {"12abc", {}},       {"1.5V", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(common::parseRealText(c.text), c.expected);
    }
}

TEST(ParseRealText, IgnoresTheLocaleDecimalSeparator) {
    // A locale whose decimal separator is "," must not change what "1.5" means.
    const std::string old = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "de_DE"))
        GTEST_SKIP() << "no German locale installed";
    const auto point = common::parseRealText("1.5");
    const auto comma = common::parseRealText("1,5");
    std::setlocale(LC_ALL, old.c_str());
    EXPECT_EQ(point, 1.5);
    EXPECT_EQ(comma, 1.5);
}

struct IntegerCase {
    const char* text;
    std::optional<std::int32_t> expected;
};

TEST(ParseIntegerText, RoundsHalvesToEvenAndRefusesOutOfRange) {
    const std::vector<IntegerCase> cases = {
        {"7", 7},
        {" -12 ", -12},
        {"2.5", 2},
        {"3.5", 4},
        {"-2.5", -2},
        {"-3.5", -4},
        {"2.6", 3},
        {"1,6", 2},
        {"1e3", 1000},
        {"2147483647", std::numeric_limits<std::int32_t>::max()},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"2147483648", {}},
        {"-2147483649", {}},
        {"2147483647.5", {}},  // rounds to the even 2147483648, which does not fit
        {"99999999999", {}},
        {"1e400", {}},
        {"", {}},
        {"x", {}},
        {"1.5.2", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(common::parseIntegerText(c.text), c.expected);
    }
}

TEST(RealToText, ReadsBackExactly) {
    for (const double x : {0.1, -2.5, 1e-7, 2500000.0, 1.0 / 3.0, 0.0}) {
        const std::string text = common::realToText(x);
        EXPECT_EQ(common::parseRealText(text), x) << text;
    }
    EXPECT_EQ(common::realToText(0.1), "0.1");
    EXPECT_THROW(common::realToText(std::nan("")), std::invalid_argument);
    EXPECT_THROW(common::realToText(std::numeric_limits<double>::infinity()), std::invalid_argument);
}

// --- strings, flags, numbers in files -------------------------------------------------------

TEST_F(IniFunctionsTest, NoDataInAnyCaseReadsAsMissing) {
    writeFile(file, "[s]\na=no data\nb=NO DATA\nc=No Data\nd=\ne=no data here\n");
    for (const char* key : {"a", "b", "c", "missing"}) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(common::ReadIniString(file, "s", key).found);
        EXPECT_EQ(common::ReadIniStringOr(file, "s", key, "dflt"), "dflt");
    }
    const auto empty = common::ReadIniString(file, "s", "d");
    EXPECT_TRUE(empty.found);
    EXPECT_EQ(empty.value, "");
    EXPECT_EQ(common::ReadIniString(file, "s", "e").value, "no data here");
    EXPECT_FALSE(common::ReadIniString(dir / "absent.ini", "s", "a").found);
}

TEST_F(IniFunctionsTest, MultiLineTextStoresEveryLineBreakFormAsMark) {
    struct Case {
        std::string text, stored, readBack;
    };
    const std::vector<Case> cases = {
        {"first\r\nsecond", "first[nl]second", "first\r\nsecond"},
        {"first\nsecond", "first[nl]second", "first\r\nsecond"},
        {"first\rsecond", "first[nl]second", "first\r\nsecond"},
        {"a\r\r\nb\n\nc", "a[nl][nl]b[nl][nl]c", "a\r\n\r\nb\r\n\r\nc"},
        {"ends\r\n", "ends[nl]", "ends\r\n"},
        {"one line", "one line", "one line"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        common::WriteIniText(file, "settings", "FileComment", c.text);
        EXPECT_EQ(readValue(file, "settings", "FileComment"), c.stored);
        const auto read = common::ReadIniText(file, "settings", "FileComment");
        EXPECT_TRUE(read.found);
        EXPECT_EQ(read.value, c.readBack);
    }
}

TEST_F(IniFunctionsTest, ReadingTextDropsOneLeadingBackslash) {
    writeFile(file, "[s]\nk=\\\\x[nl]y\n");
    EXPECT_EQ(common::ReadIniText(file, "s", "k").value, "\\x\r\ny");
    const auto missing = common::ReadIniText(file, "s", "other");
    EXPECT_FALSE(missing.found);
    EXPECT_EQ(missing.value, "");
}

TEST_F(IniFunctionsTest, PlainWriteOfALineBreakIsRefused) {
    EXPECT_THROW(common::WriteIniString(file, "s", "k", "a\nb"), std::invalid_argument);
    EXPECT_THROW(common::WriteIniString(file, "s", "k", "a\rb"), std::invalid_argument);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(IniFunctionsTest, FlagRuleLooksAtTheFirstCharacter) {
    writeFile(file, "[s]\na=True\nb=T\nc=t\nd=Tx\ne=F\nf=False\ng=\nh=no data\ni=yes\n");
    const std::vector<std::pair<const char*, bool>> cases = {
        {"a", true},  {"b", true},  {"c", true},  {"d", true},  {"e", false},      {"f", false},
        {"g", false}, {"h", false}, {"i", false}, {"missing", false},
    };
    for (const auto& [key, expected] : cases) EXPECT_EQ(common::ReadIniFlag(file, "s", key), expected) << key;

    common::WriteIniFlag(file, "s", "w", true);
    EXPECT_EQ(readValue(file, "s", "w"), "T");
    common::WriteIniFlag(file, "s", "w", false);
    EXPECT_EQ(readValue(file, "s", "w"), "F");
}

TEST_F(IniFunctionsTest, RealAndLongReadsReportFailureWithTheirMarkers) {
    writeFile(file, "[s]\ncomma=1,5\nbad=1.5.2\nempty=\nlong=12\nfrac=2.5\nhuge=99999999999\n");
    EXPECT_EQ(common::ReadIniReal(file, "s", "comma").value, 1.5);
    EXPECT_TRUE(common::ReadIniReal(file, "s", "comma").ok);
    for (const char* key : {"bad", "empty", "missing"}) {
        const auto real = common::ReadIniReal(file, "s", key);
        EXPECT_FALSE(real.ok) << key;
        EXPECT_EQ(real.value, -1.23456789E-300) << key;
    }
    EXPECT_EQ(common::ReadIniLong(file, "s", "long").value, 12);
    EXPECT_EQ(common::ReadIniLong(file, "s", "frac").value, 2);
    for (const char* key : {"bad", "empty", "missing", "huge"}) {
        const auto value = common::ReadIniLong(file, "s", key);
        EXPECT_FALSE(value.ok) << key;
        EXPECT_EQ(value.value, -30000) << key;
    }
}

// --- counters -------------------------------------------------------------------------------

TEST_F(IniFunctionsTest, CounterStartsAtOneAndCountsOn) {
    writeFile(file, "[s]\nseven=7\nword=abc\nnodata=No Data\n");
    EXPECT_EQ(common::IncrementIniCounter(file, "s", "new"), 1);
    EXPECT_EQ(readValue(file, "s", "new"), "1");
    EXPECT_EQ(common::IncrementIniCounter(file, "s", "new"), 2);
    EXPECT_EQ(common::IncrementIniCounter(file, "s", "seven"), 8);
    EXPECT_EQ(readValue(file, "s", "seven"), "8");
    EXPECT_EQ(common::IncrementIniCounter(file, "s", "word"), 1);
    EXPECT_EQ(common::IncrementIniCounter(file, "s", "nodata"), 1);
}

TEST_F(IniFunctionsTest, CounterAtItsLimitFailsAndKeepsItsValue) {
    writeFile(file, "[s]\nfull=2147483647\nshort=32767\n");
    const std::string before = readFile(file);
    EXPECT_THROW(common::IncrementIniCounter(file, "s", "full"), std::overflow_error);
    EXPECT_THROW(common::incrementIniCounterWithin(file, "s", "short", -32768, 32767),
                 std::overflow_error);
    EXPECT_EQ(readFile(file), before);
}

TEST_F(IniFunctionsTest, CounterIncrementsOfSeveralProcessesAllCount) {
    constexpr int processes = 4;
    constexpr int perProcess = 25;
    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int failures = 0;
            for (int i = 0; i < perProcess; ++i) {
                try {
                    common::IncrementIniCounter(file, "Number of files downloaded", "2026Dec");
                } catch (...) {
                    ++failures;
                }
            }
            ::_exit(failures == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(readValue(file, "Number of files downloaded", "2026Dec"),
              std::to_string(processes * perProcess));
}

// --- shared settings and new download names -------------------------------------------------

class SharedSettingsTest : public ::testing::Test {
protected:
    testsupport::TempDir home;
    testsupport::ScopedVantrelHome scoped{home.path()};
    std::filesystem::path shared = home / "vantrel.ini";
};

TEST_F(SharedSettingsTest, SettingsGoToSectionSettingsOfTheSharedFile) {
    EXPECT_EQ(common::ReadSharedSetting("CV Analysis Start Directory"), "");
    common::WriteSharedSetting("CV Analysis Start Directory", "/data/tests");
    EXPECT_EQ(readValue(shared, "settings", "CV Analysis Start Directory"), "/data/tests");
    EXPECT_EQ(common::ReadSharedSetting("cv analysis start directory"), "/data/tests");
}

TEST(DownloadMonthText, EnglishAbbreviationsWhateverTheLocale) {
    const std::vector<const char*> expected = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (unsigned m = 1; m <= 12; ++m)
        EXPECT_EQ(common::downloadMonthText(year{2026} / month{m} / day{1}),
                  std::string("2026") + expected[m - 1]);
    EXPECT_EQ(common::downloadMonthText(year{987} / month{3} / day{1}), "0987Mar");
    EXPECT_THROW(common::downloadMonthText(year{2026} / month{2} / day{30}), std::invalid_argument);
}

TEST_F(SharedSettingsTest, DownloadNamesCountPerMonth) {
    const year_month_day december = year{2003} / month{12} / day{6};
    EXPECT_EQ(common::NewDownloadFileName(december), "CV2003Dec001");
    EXPECT_EQ(common::NewDownloadFileName(december), "CV2003Dec002");
    EXPECT_EQ(common::NewDownloadFileName(year{2004} / month{1} / day{2}), "CV2004Jan001");
    EXPECT_EQ(readValue(shared, "Number of files downloaded", "2003Dec"), "2");
    EXPECT_EQ(readValue(shared, "Number of files downloaded", "2004Jan"), "1");

    common::ini::writeValue(shared, "Number of files downloaded", "2003Dec", "999");
    EXPECT_EQ(common::NewDownloadFileName(december), "CV2003Dec1000");
}

TEST_F(SharedSettingsTest, TodaysDownloadNameHasTheFormOfAName) {
    const std::string name = common::NewDownloadFileName();
    ASSERT_EQ(name.size(), 12u) << name;
    EXPECT_EQ(name.substr(0, 2), "CV");
    EXPECT_EQ(name.substr(9), "001");
}

// --- download log ---------------------------------------------------------------------------

TEST_F(IniFunctionsTest, DownloadLogReads) {
    writeFile(file, "[Status]\nNrTests=3\nStored Test 2=T\nStored Test 3=F\nPortLoc=888\nMes No=x\n");
    EXPECT_EQ(common::ReadLogTestCount(file), 3);
    EXPECT_EQ(common::ReadLogTestCount(dir / "absent.log"), 1);
    EXPECT_TRUE(common::bLogTestStored(file, 2));
    EXPECT_FALSE(common::bLogTestStored(file, 3));
    EXPECT_FALSE(common::bLogTestStored(file, 1));
    EXPECT_EQ(common::lReadLogStatus(file, "PortLoc"), 888);
    for (const char* key : {"Mes No", "Complete"}) {
        try {
            common::lReadLogStatus(file, key);
            ADD_FAILURE() << key << " did not fail";
        } catch (const common::Error& e) {
            EXPECT_EQ(e.number(), 3180);
            EXPECT_EQ(e.source(), "Log File Error");
            EXPECT_EQ(e.description(), "Value not found");
        }
    }
}

TEST_F(IniFunctionsTest, LogCountOfAnUnreadableNumberIsOne) {
    writeFile(file, "[Status]\nNrTests=many\n");
    EXPECT_EQ(common::ReadLogTestCount(file), 1);
}

}  // namespace
