#pragma once
// Root ignores file permissions; for the scope of this object a test run as root acts as an
// ordinary user (nobody), so that a file or folder without write permission really refuses.

#include <unistd.h>

namespace testsupport {

class WithoutRootRights {
public:
    WithoutRootRights() : m_dropped(::geteuid() == 0 && ::seteuid(65534) == 0) {}
    ~WithoutRootRights() {
        if (m_dropped) {
            [[maybe_unused]] const int restored = ::seteuid(0);
        }
    }
    WithoutRootRights(const WithoutRootRights&) = delete;
    WithoutRootRights& operator=(const WithoutRootRights&) = delete;
    // False when the test runs as root and could not drop its rights: permissions do not bind.
    bool permissionsApply() const { return m_dropped || ::geteuid() != 0; }

private:
    bool m_dropped;
};

}  // namespace testsupport
