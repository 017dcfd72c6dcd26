#include "SamplePages.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace benchcli {

namespace {

constexpr long long SmallPageSize = 2048;

std::string headOf(int number)
{
    const std::string n = std::to_string(number);
    return "<html>\r\n<head>\r\n"
           "<meta name=\"Title\" content=\"Page "
        + n
        + "\">\r\n"
          "<meta name=\"Description\" content=\"Tools and parts for the workshop, page "
        + n
        + "\">\r\n"
          "<meta name=\"KeyWords\" content=\"tools, parts, workshop\">\r\n"
          "<title>Page "
        + n + "</title>\r\n</head>\r\n<body>\r\n";
}

const std::string Paragraph = "<p>Hand tools, power tools and spare parts, sorted by trade. "
                              "<a href=\"/catalogue/saws.html\">Saws</a>, "
                              "<a href=\"/catalogue/drills.html\">drills</a> and "
                              "<a href=\"/catalogue/clamps.html\">clamps</a> ship the same day.</p>\r\n";
const std::string Tail = "</body>\r\n</html>\r\n";

} // namespace

bool WriteSamplePage(const std::string &path, long long size, int number)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file)
        return false;
    const std::string head = headOf(number);
    long long written = 0;
    const auto put = [&](const std::string &text, std::size_t length) {
        written += static_cast<long long>(length);
        return std::fwrite(text.data(), 1, length, file.get()) == length;
    };
    if (!put(head, head.size()))
        return false;
    const long long body = size - static_cast<long long>(head.size() + Tail.size());
    while (written < static_cast<long long>(head.size()) + body) {
        const long long left = static_cast<long long>(head.size()) + body - written;
        const std::size_t length
            = static_cast<std::size_t>(std::min<long long>(left, static_cast<long long>(Paragraph.size())));
        if (!put(Paragraph, length))
            return false;
    }
    return put(Tail, Tail.size()) && std::fflush(file.get()) == 0;
}

std::vector<std::string> WriteSmallPages(const std::string &folder, int count)
{
    std::filesystem::create_directories(folder);
    std::vector<std::string> paths;
    for (int i = 1; i <= count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/page%05d.html", i);
        paths.push_back(folder + name);
        if (!WriteSamplePage(paths.back(), SmallPageSize, i))
            return {};
    }
    return paths;
}

} // namespace benchcli
