#pragma once
// Names of a download run's files, all built from the file-name root given on the command
// line (a folder and a name prefix, used as it is):
//   set file of test t    root + NN + ".crv"
//   data file of test t   root + NN + ".raw"
//   log of the run        root + ".log"
// NN is t with two digits, a "0" before numbers below 10.

#include <string>

namespace download {

// Throws std::out_of_range for t outside 1 to 99.
std::string testNumberText(int t);
std::string setFileName(const std::string& fileRoot, int t);
std::string rawFileName(const std::string& fileRoot, int t);
std::string logFileName(const std::string& fileRoot);
// A root that is empty or holds nothing but blanks names no file.
bool isBlankRoot(const std::string& fileRoot);

}  // namespace download
