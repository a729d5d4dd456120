// The link library's own port search, command channel and settings-line reads against the
// emulated recorder.

#include "TestImages.h"
#include "link/CommandChannel.h"
#include "link/Directory.h"
#include "link/LocateRecorder.h"
#include "link/Port.h"
#include "link/SettingsLines.h"
#include "recsim/Emulator.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>

namespace recsim {
namespace {

namespace vl = vantrel::link;

TEST(LinkSmoke, FindsTheRecorderAndReadsItsDirectoryAndLines) {
    const testsupport::TempDir dir;
    auto owned = std::make_unique<Emulator>(testing::smallImage(3, 4));
    Emulator& emulator = *owned;
    vl::Port port(std::move(owned));
    vl::CommandChannel channel(port);
    vl::SettingsLines lines(channel);
    vl::Directory directory;
    vl::LocateOptions options;
    options.settingsFile = dir / "vantrel.ini";
    const vl::LocateResult found = vl::LocateRecorder(
        [&](std::int32_t base) {
            lines.ClearLineCache();
            port.SetPortBase(base);
            port.EnterStandardMode();
            port.IdlePort();
            directory = vl::ReadDirectory(lines, nullptr);
        },
        options);
    ASSERT_EQ(found.outcome, vl::LocateOutcome::Found) << found.message;
    EXPECT_EQ(found.port, 888);
    EXPECT_EQ(found.tried, (std::vector<std::int32_t>{632, 888}));
    EXPECT_EQ(directory.slots, 4);
    EXPECT_EQ(directory.storedTests(), 3);
    EXPECT_EQ(directory.measurementNumber(1), 101);
    for (int n : {14, 32, 34, 36, 38, 40, 96, 98, 128, 130, 256})
        for (int k = 0; k < 64; ++k)
            ASSERT_EQ(lines.LineByte(n, k), emulator.settingsMemory().byte(n, k)) << n << "." << k;
    EXPECT_EQ(emulator.counters().abortedCommands, 0u);
    EXPECT_EQ(emulator.counters().unansweredBits, 0u);
}

}  // namespace
}  // namespace recsim
