// The environment decides between the emulator and the real ports.

#include "TestImages.h"
#include "recsim/BackendChoice.h"
#include "recsim/ImageError.h"
#include "recsim/RecorderImageFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace recsim {
namespace {

class BackendChoice : public ::testing::Test {
protected:
    BackendChoice() { ::unsetenv(kRecorderVariable); }
    ~BackendChoice() override { ::unsetenv(kRecorderVariable); }
    testsupport::TempDir m_dir;
};

TEST_F(BackendChoice, NoVariableMeansTheRealPorts) {
    EXPECT_EQ(choosePortBackend(), nullptr);
    ::setenv(kRecorderVariable, "", 1);
    EXPECT_EQ(choosePortBackend(), nullptr);
}

TEST_F(BackendChoice, AnImageGivesTheEmulatorAtItsPort) {
    RecorderImage image = testing::smallImage(1, 1);
    image.port = 956;
    const auto file = m_dir / "r.ini";
    saveImage(image, file);
    ::setenv(kRecorderVariable, file.c_str(), 1);
    const auto backend = choosePortBackend();
    ASSERT_NE(backend, nullptr);
    EXPECT_EQ(backend->name(), "emulator");
    backend->write(956 + 2, 0x05);
    backend->write(956, 0x02);
    EXPECT_EQ(backend->read(956 + 1) & 0x18, 0x18);  // the controller answers attention
    EXPECT_EQ(backend->read(888 + 1), 0xFF);
}

TEST_F(BackendChoice, ABadImageIsAnErrorNotAFallBack) {
    const auto file = m_dir / "bad.ini";
    testsupport::writeFile(file, "[Recorder]\nSlots = 5\n");
    ::setenv(kRecorderVariable, file.c_str(), 1);
    EXPECT_THROW(choosePortBackend(), ImageError);
    ::setenv(kRecorderVariable, (m_dir / "missing.ini").c_str(), 1);
    EXPECT_THROW(choosePortBackend(), ImageError);
}

}  // namespace
}  // namespace recsim
