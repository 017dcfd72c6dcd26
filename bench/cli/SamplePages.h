#pragma once

#include <string>
#include <vector>

namespace benchcli {

// A page with the three meta tags, a title, and a body of prose and links that
// makes it size bytes long, ending in "</body></html>". Written in pieces, so
// a large page costs no memory. Returns false when it cannot be written.
bool WriteSamplePage(const std::string &path, long long size, int number);

// count small pages of about two kilobytes in folder, as relative paths
// "folder/page00001.html" ...; empty when one cannot be written.
std::vector<std::string> WriteSmallPages(const std::string &folder, int count);

} // namespace benchcli
