// tagwright-batch beside the plain tools that move the same bytes. Every
// command is one process over all the files, started the same way, so that a
// ratio compares one run of the program with one run of the tool, start-up
// included. Run by hand: build/default/bench/cli/bench_batch (it makes its
// pages in the temp folder).

#include "../Paired.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

using Command = std::vector<std::string>;
const std::string Batch = TAGWRIGHT_BATCH;
constexpr int SmallPages = 10000;

Command operator+(Command command, const std::vector<std::string> &more)
{
    command.insert(command.end(), more.begin(), more.end());
    return command;
}

// Runs the commands one after the other, standard output to output and
// standard error to /dev/null (a terminal there would draw a progress bar);
// true when each ran and exited with status 0.
std::function<bool()> run(std::vector<Command> commands, std::string output = "/dev/null")
{
    return [commands = std::move(commands), output] {
        for (const Command &command : commands) {
            std::vector<char *> argv;
            for (const std::string &argument : command)
                argv.push_back(const_cast<char *>(argument.c_str()));
            argv.push_back(nullptr);
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init(&actions);
            posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
            pid_t child = 0;
            const int spawned = posix_spawnp(&child, argv.front(), &actions, nullptr, argv.data(), environ);
            posix_spawn_file_actions_destroy(&actions);
            int status = 0;
            if (spawned != 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
                return false;
        }
        return true;
    };
}

// A page with the three meta tags and a title, and paragraphs of prose and
// links up to about size bytes.
void writePage(const std::string &path, int number, long long size)
{
    const std::string n = std::to_string(number);
    std::ofstream page(path, std::ios::binary);
    page << "<html>\r\n<head>\r\n<meta name=\"Title\" content=\"Page " << n
         << "\">\r\n<meta name=\"Description\" content=\"Tools and parts for the workshop, page " << n
         << "\">\r\n<meta name=\"KeyWords\" content=\"tools, parts, workshop\">\r\n<title>Page " << n
         << "</title>\r\n</head>\r\n<body>\r\n";
    const std::string paragraph
        = "<p>Hand tools, power tools and spare parts, sorted by trade. "
          "<a href=\"/catalogue/saws.html\">Saws</a> and <a href=\"/drills.html\">drills</a>.</p>\r\n";
    for (long long written = 0; written < size; written += static_cast<long long>(paragraph.size()))
        page << paragraph;
    page << "</body>\r\n</html>\r\n";
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    const std::filesystem::path root
        = std::filesystem::temp_directory_path() / ("tagwright-bench-cli-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root / "pages");
    std::filesystem::create_directories(root / "copied");
    std::filesystem::current_path(root);
    Command pages, copies;
    std::ofstream edited("edited.tsv");
    edited << "path\ttitle\n";
    for (int i = 1; i <= SmallPages; ++i) {
        pages.push_back("pages/page" + std::to_string(i) + ".html");
        copies.push_back("copied/page" + std::to_string(i) + ".html");
        writePage(pages.back(), i, 1800);
        // A new title for every page, so that apply writes every page.
        edited << pages.back() << "\tA new title\n";
    }
    edited.close();
    writePage("large.html", 0, 256LL * 1024 * 1024);
    if (!run({ Command { Batch, "show" } + pages }, "pages.tsv")()) {
        std::cerr << "bench_batch: could not run " << Batch << "\n";
        return 1;
    }

    const auto show = run({ Command { Batch, "show" } + pages });
    const Command copy = Command { "cp", "-t", "copied" } + pages;
    bench::AddPaired("show/10000 pages", 9, show, { { "cat", run({ Command { "cat" } + pages }) } });
    // apply of the sheet as show wrote it reads and compares every page and
    // writes none, so it should cost about what show does.
    bench::AddPaired("apply unedited/10000 pages", 9, run({ { Batch, "apply", "pages.tsv" } }), { { "show", show } });
    // audit reads what show reads and checks it. The sample titles are short,
    // so every page has findings; none may end the run with a failing status.
    bench::AddPaired("audit/10000 pages", 9, run({ Command { Batch, "audit", "--fail-on", "no-title-tag" } + pages }),
        { { "show", show } });
    // The program makes every page durable before it replaces the old one;
    // sync(1) does the same for the copies, one fsync per file.
    bench::AddPaired("apply/10000 pages", 3, run({ { Batch, "apply", "-o", "applied", "edited.tsv" } }),
        { { "cp", run({ copy }) }, { "cp_sync", run({ copy, Command { "sync" } + copies }) } });
    bench::AddPaired("set/256 MiB page", 9,
        run({ { Batch, "set", "large.html", "--title", "New title", "--description", "New description", "-o",
            "large-set.html" } }),
        { { "dd", run({ { "dd", "if=large.html", "of=large-dd.html", "bs=1M", "conv=fsync", "status=none" } }) } });

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::current_path(root.parent_path());
    std::filesystem::remove_all(root);
    return 0;
}
