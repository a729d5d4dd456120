#pragma once
// A recorder image that cannot be used: unreadable, malformed, or describing a recorder that
// cannot exist. The message names the file, the section and key, and what is wrong.

#include <stdexcept>

namespace recsim {

class ImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace recsim
