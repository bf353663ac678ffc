#pragma once

#include <QString>

#include <cstdio>
#include <optional>

namespace tlv {

// Answers --version and --help (-h) of a window program from its raw arguments, before the
// application object exists, so both work on a machine without a display. --version prints
// "<program> <package version>"; --help prints the usage and `summary`. Returns the exit status
// when an answer was printed, nothing when the program should start as usual (other arguments
// are left to Qt, which takes its own such as -platform).
std::optional<int> AnswerInfoOptions(int argc, const char* const* argv, const QString& program,
                                     const QString& summary, std::FILE* out = stdout);

} // namespace tlv
