#pragma once

#include <optional>
#include <string>
#include <vector>

namespace benchcli {

// Runs a program (found on PATH) to its end with its standard output going to
// output (/dev/null unless given) and its standard error to /dev/null, and gives the wall-clock seconds from spawn to
// exit, or nothing when it could not run or did not exit with status 0. Every
// command of the comparison is started this way, so the cost of starting a
// process is the same on both sides.
std::optional<double> SecondsToRun(const std::vector<std::string> &arguments, const char *output = "/dev/null");

} // namespace benchcli
