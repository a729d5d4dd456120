#pragma once
// The test choice of a run without a user: every stored test is fetched, as if the boxes were
// left ticked and Download pressed.

#include "download/TestChooser.h"

namespace download {

class AllTestsChooser final : public TestChooser {
  public:
    void SetNrTests(int storedTests) override { m_storedTests = storedTests; }
    bool testChosen(int t) const override { return t >= 1 && t <= m_storedTests; }

  private:
    int m_storedTests = 0;
};

}  // namespace download
