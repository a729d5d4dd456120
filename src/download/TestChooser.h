#pragma once
// The choice of tests when the recorder holds more than one: the window's check boxes
// chkGetTest(1 to 16). Tests script it.

namespace download {

class TestChooser {
public:
    virtual ~TestChooser() = default;
    // Boxes 1 to storedTests visible and ticked; then the Download button visible and enabled.
    virtual void SetNrTests(int storedTests) = 0;
    // Box t is ticked.
    virtual bool testChosen(int t) const = 0;
};

}  // namespace download
