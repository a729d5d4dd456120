#pragma once
// Including this header gives the test executable one QApplication, on the offscreen platform
// unless another is chosen, made before the first test and destroyed after the last one:
// destroying it later, in the exit handlers after Qt's own statics, crashes.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

namespace testsupport {

class QtApplicationEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[5] = "test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

inline ::testing::Environment* const kQtApplication =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace testsupport
