#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zstd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "RecorderSignal.h"
#include "support/TempDir.h"
#include "analysis/files/CmpHeader.h"
#include "analysis/files/Compress.h"
#include "analysis/files/Xxh64.h"
#include "common/AppPaths.h"
#include "common/Ini.h"
#include "common/Progress.h"
#include "common/ScriptedPrompt.h"

namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::writeFile;

std::string randomBytes(std::size_t size, std::uint64_t seed) {
    testsignal::SplitMix random(seed);
    std::string bytes(size, '\0');
    for (char& b : bytes) b = static_cast<char>(random.next() & 0xFF);
    return bytes;
}

std::string flag(const char* key) {
    return common::ini::readValue(common::sharedSettingsFile(), files::kCompressionSection, key)
        .value_or("(missing)");
}

class Compression : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    testsupport::TempDir home;
    testsupport::ScopedVantrelHome scopedHome{home.path()};

    fs::path compressed(const std::string& raw, const files::CodecSettings& settings = {}) {
        writeFile(dir / "in.raw", raw);
        const auto result = files::CompressDataFile(dir / "in.raw", dir / "in.cmp", settings);
        EXPECT_TRUE(result) << result.reason;
        return dir / "in.cmp";
    }
};

// --- the hash ---------------------------------------------------------------------------------

TEST(Xxh64, AgreesWithTheChecksumOfZstdFrames) {
    // A zstd frame ends with the low 32 bits of XXH64 (seed 0) of its content.
    for (std::size_t size : {0u, 1u, 3u, 4u, 7u, 8u, 31u, 32u, 33u, 63u, 64u, 100u, 4099u}) {
        const std::string data = randomBytes(size, size + 7);
        std::vector<char> frame(ZSTD_compressBound(size) + 16);
        ZSTD_CCtx* cctx = ZSTD_createCCtx();
        ZSTD_CCtx_setParameter(cctx, ZSTD_c_checksumFlag, 1);
        const std::size_t n = ZSTD_compress2(cctx, frame.data(), frame.size(), data.data(), size);
        ZSTD_freeCCtx(cctx);
        ASSERT_FALSE(ZSTD_isError(n));
        std::uint32_t stored = 0;
        for (int i = 0; i < 4; ++i)
            stored |= static_cast<std::uint32_t>(static_cast<unsigned char>(frame[n - 4 + i])) << (8 * i);
        files::Xxh64 hash;
        hash.update(data.data(), size);
        EXPECT_EQ(static_cast<std::uint32_t>(hash.digest()), stored) << "size " << size;
    }
}

TEST(Xxh64, PiecesGiveTheSameHashAsTheWhole) {
    const std::string data = randomBytes(1000, 3);
    files::Xxh64 whole;
    whole.update(data.data(), data.size());
    for (std::size_t piece : {1u, 5u, 31u, 32u, 33u, 999u}) {
        files::Xxh64 pieces;
        for (std::size_t at = 0; at < data.size(); at += piece)
            pieces.update(data.data() + at, std::min(piece, data.size() - at));
        EXPECT_EQ(pieces.digest(), whole.digest()) << "pieces of " << piece;
    }
    EXPECT_EQ(files::Xxh64{}.digest(), 0xEF46DB3751D8E999ULL);  // XXH64 of nothing
}

// --- round trips ------------------------------------------------------------------------------

struct RoundTrip {
    const char* name;
    std::string raw;
    files::DataFilter filter;
    unsigned channels;        // 0: from the data
    std::size_t blockWords;   // small blocks put block edges inside the file
};

TEST_F(Compression, DecompressingGivesTheFileBackByteForByte) {
    const std::string record = testsignal::recorderRecord(150000);
    const std::vector<RoundTrip> cases = {
        {"empty", "", files::DataFilter::ChannelDelta, 0, 1u << 19},
        {"one byte", "\x7f", files::DataFilter::ChannelDelta, 0, 1u << 19},
        {"one word", std::string("\x34\x12", 2), files::DataFilter::ChannelDelta, 2, 1u << 19},
        {"odd length", record.substr(0, 10001), files::DataFilter::ChannelDelta, 2, 1000},
        {"random", randomBytes(300001, 9), files::DataFilter::ChannelDelta, 0, 1u << 19},
        {"all bits set", std::string(4096, '\xff'), files::DataFilter::ChannelDelta, 1, 1000},
        {"realistic", record, files::DataFilter::ChannelDelta, 0, 1u << 19},
        // 1000 words do not split into records of 3: the blocks are rounded down to 999.
        {"realistic, 3 channels, many blocks", record.substr(0, 100003),
         files::DataFilter::ChannelDelta, 3, 1000},
        {"realistic, no filter", record, files::DataFilter::None, 1, 1u << 19},
    };
    for (const RoundTrip& c : cases) {
        SCOPED_TRACE(c.name);
        files::CodecSettings settings;
        settings.filter = c.filter;
        settings.channels = c.channels;
        settings.blockWords = c.blockWords;
        const fs::path cmp = compressed(c.raw, settings);
        const auto back = files::DecompressDataFile(cmp, dir / "out.raw");
        ASSERT_TRUE(back) << back.reason;
        EXPECT_TRUE(readFile(dir / "out.raw") == c.raw);
    }
}

TEST_F(Compression, TheHeaderRecordsFilterChannelsSizeAndChecksum) {
    const std::string record = testsignal::recorderRecord(50000);
    const std::string cmp = readFile(compressed(record));
    const auto decoded = files::decodeHeader(reinterpret_cast<const unsigned char*>(cmp.data()), cmp.size());
    ASSERT_TRUE(std::holds_alternative<files::CmpHeader>(decoded));
    const auto& header = std::get<files::CmpHeader>(decoded);
    EXPECT_EQ(header.filter, files::DataFilter::ChannelDelta);
    EXPECT_EQ(header.channels, 2) << "the interleaving is found in the data";
    EXPECT_EQ(header.originalSize, record.size());
    EXPECT_EQ(header.payloadSize + files::CmpHeader::kSize, cmp.size());
    files::Xxh64 hash;
    hash.update(record.data(), record.size());
    EXPECT_EQ(header.checksum, hash.digest());
    EXPECT_LT(cmp.size() * 3, record.size()) << "recorder data shrink to less than a third";
}

// --- damaged files ----------------------------------------------------------------------------

struct Damage {
    const char* name;
    std::string (*apply)(std::string);
    const char* reasonPart;
};

std::string flipped(std::string s, std::size_t at) {
    s[at] = static_cast<char>(s[at] ^ 0x10);
    return s;
}

TEST_F(Compression, ADamagedFileIsAnErrorAndLeavesNoDataFile) {
    const std::string good = readFile(compressed(testsignal::recorderRecord(40000)));
    const std::vector<Damage> cases = {
        {"empty file", [](std::string) { return std::string(); }, "wrong magic"},
        {"wrong magic", [](std::string s) { return flipped(s, 2); }, "wrong magic"},
        {"a raw file", [](std::string) { return testsignal::recorderRecord(100); }, "wrong magic"},
        {"cut in the magic", [](std::string s) { return s.substr(0, 5); }, "truncated"},
        {"cut in the header", [](std::string s) { return s.substr(0, 30); }, "truncated"},
        {"header only", [](std::string s) { return s.substr(0, 48); }, "truncated"},
        {"cut in half", [](std::string s) { return s.substr(0, s.size() / 2); }, "truncated"},
        {"last byte missing", [](std::string s) { return s.substr(0, s.size() - 1); }, "truncated"},
        {"a byte too many", [](std::string s) { return s + "x"; }, "after its end"},
        {"newer version", [](std::string s) { return flipped(s, 8); }, "version"},
        {"unknown filter", [](std::string s) { return flipped(s, 12); }, "header"},
        {"original size", [](std::string s) { return flipped(s, 24); }, "damaged"},
        {"checksum", [](std::string s) { return flipped(s, 33); }, "checksum"},
        {"payload", [](std::string s) { return flipped(s, s.size() / 2); }, "damaged"},
    };
    for (const Damage& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(dir / "bad.cmp", c.apply(good));
        const auto result = files::DecompressDataFile(dir / "bad.cmp", dir / "bad.raw");
        EXPECT_FALSE(result);
        EXPECT_NE(result.reason.find(c.reasonPart), std::string::npos) << result.reason;
        EXPECT_FALSE(fs::exists(dir / "bad.raw"));
        EXPECT_EQ(flag("Error"), "T");
        EXPECT_EQ(flag("Done"), "T");
    }
    // Nothing half-written is left in the folder either.
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find(".part-"), std::string::npos);
}

TEST_F(Compression, AFailedRunLeavesAnExistingDestinationAsItWas) {
    writeFile(dir / "bad.cmp", "not compressed at all");
    writeFile(dir / "keep.raw", "old data");
    EXPECT_FALSE(files::DecompressDataFile(dir / "bad.cmp", dir / "keep.raw"));
    EXPECT_EQ(readFile(dir / "keep.raw"), "old data");
}

TEST_F(Compression, EqualPathsFailAtOnceWithoutTouchingTheFlags) {
    writeFile(dir / "same.raw", "abcd");
    common::ini::writeValue(common::sharedSettingsFile(), "Compression", "Done", "untouched");
    EXPECT_FALSE(files::CompressDataFile(dir / "same.raw", dir / "same.raw"));
    EXPECT_FALSE(files::CompressDataFile(dir / "same.raw", dir.path() / "." / "same.raw"));
    EXPECT_FALSE(files::DecompressDataFile(dir / "same.raw", dir / "same.raw"));
    EXPECT_EQ(readFile(dir / "same.raw"), "abcd");
    EXPECT_EQ(flag("Done"), "untouched");
}

TEST_F(Compression, TheFlagsSayNotDoneDuringARunAndDoneWithTheOutcomeAfterIt) {
    writeFile(dir / "in.raw", testsignal::recorderRecord(1000));
    std::string doneDuringRun;
    const auto result = files::CompressDataFile(dir / "in.raw", dir / "in.cmp", {}, [&] {
        doneDuringRun = flag("Done");
        return false;
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(doneDuringRun, "F");
    EXPECT_EQ(flag("Done"), "T");
    EXPECT_EQ(flag("Error"), "F");

    EXPECT_FALSE(files::CompressDataFile(dir / "missing.raw", dir / "x.cmp"));
    EXPECT_EQ(flag("Done"), "T");
    EXPECT_EQ(flag("Error"), "T");
    EXPECT_FALSE(fs::exists(dir / "x.cmp"));
}

TEST_F(Compression, AStopRequestAbandonsTheRun) {
    writeFile(dir / "in.raw", testsignal::recorderRecord(1000));
    const auto result = files::CompressDataFile(dir / "in.raw", dir / "in.cmp", {}, [] { return true; });
    EXPECT_FALSE(result);
    EXPECT_NE(result.reason.find("cancelled"), std::string::npos) << result.reason;
    EXPECT_FALSE(fs::exists(dir / "in.cmp"));
}

// --- temporary files of open tests ---------------------------------------------------------

TEST_F(Compression, EachOpenTestGetsAPrivateTemporaryFileRemovedWithItsHolder) {
    const std::string record = testsignal::recorderRecord(3000);
    const fs::path cmp = compressed(record);
    fs::path first;
    {
        files::TempRawFile a, b;
        ASSERT_TRUE(files::DecompressToTemp(cmp, a));
        ASSERT_TRUE(files::DecompressToTemp(cmp, b));  // while a is still open
        EXPECT_NE(a.path(), b.path());
        EXPECT_EQ(a.path().parent_path(), common::userDataDirectory());
        EXPECT_TRUE(readFile(a.path()) == record);
        EXPECT_TRUE(readFile(b.path()) == record);
        struct stat st {};
        ASSERT_EQ(::stat(a.path().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        first = a.path();
        files::TempRawFile moved = std::move(a);
        EXPECT_TRUE(a.empty());
        EXPECT_TRUE(fs::exists(first)) << "moving the holder keeps the file";
    }
    EXPECT_FALSE(fs::exists(first));
    EXPECT_TRUE(fs::is_empty(common::userDataDirectory()) ||
                !fs::exists(common::userDataDirectory() / first.filename()));
}

TEST_F(Compression, AFailedTemporaryDecompressionLeavesNoFile) {
    writeFile(dir / "bad.cmp", readFile(compressed(testsignal::recorderRecord(3000))).substr(0, 200));
    files::TempRawFile temp;
    const auto result = files::DecompressToTemp(dir / "bad.cmp", temp);
    EXPECT_FALSE(result);
    EXPECT_TRUE(temp.empty());
    for (const auto& entry : fs::directory_iterator(common::userDataDirectory()))
        EXPECT_EQ(entry.path().filename().string().rfind("tempdata", 0), std::string::npos);
}

// --- small helpers --------------------------------------------------------------------------

TEST_F(Compression, RemoveAndEnsureFiles) {
    EXPECT_TRUE(files::RemoveFileIfPresent(dir / "never.raw"));
    writeFile(dir / "there.raw", "x");
    EXPECT_TRUE(files::RemoveFileIfPresent(dir / "there.raw"));
    EXPECT_FALSE(fs::exists(dir / "there.raw"));

    writeFile(dir / "kept.raw", "contents");
    EXPECT_TRUE(files::EnsureFileExists(dir / "kept.raw"));
    EXPECT_EQ(readFile(dir / "kept.raw"), "contents");
    EXPECT_TRUE(files::EnsureFileExists(dir / "new.raw"));
    EXPECT_TRUE(fs::exists(dir / "new.raw"));
    EXPECT_FALSE(files::EnsureFileExists(dir / "no-such-folder" / "x.raw"));
    EXPECT_EQ(files::ShortPathOf("/data/a long name/Test01.cmp"), "/data/a long name/Test01.cmp");
}

}  // namespace
