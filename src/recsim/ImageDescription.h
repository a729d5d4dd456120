#pragma once
// A recorder image described in plain words, for `recsim show` and for test logs.

#include "recsim/RecorderImage.h"

#include <string>

namespace recsim {

std::string describeImage(const RecorderImage& image);

}  // namespace recsim
