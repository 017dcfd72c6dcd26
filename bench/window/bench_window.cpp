// The main window against its baselines, each pair measured in turns within
// one run so that both see the same machine: start-up to the first painted
// window beside a bare QWidget of the same size, and open-then-save of a
// 256 MiB page through the window's commands beside the page operations alone.

#include <Browser.h>
#include <FileDialog.h>
#include <MainWindow.h>
#include <UserPrompts.h>

#include <LoadPage.h>
#include <MetaPageJobs.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr qint64 PageSize = qint64(256) * 1024 * 1024;

// Seams that answer at once: the open dialog picks one file, the save dialog
// another, and every question is answered Yes.
class FixedFileDialog : public app::FileDialog
{
public:
    FixedFileDialog(QString openPath, QString savePath)
        : m_openPath(std::move(openPath))
        , m_savePath(std::move(savePath))
    { }
    std::optional<QString> choose(QWidget *, Purpose purpose, const QString &) override
    {
        return purpose == Purpose::Open ? m_openPath : m_savePath;
    }

private:
    QString m_openPath;
    QString m_savePath;
};

class YesPrompts : public app::UserPrompts
{
public:
    Answer askYesNoCancel(QWidget *, const QString &, const QString &) override { return Answer::Yes; }
    Answer askYesNo(QWidget *, const QString &, const QString &) override { return Answer::Yes; }
    void showError(QWidget *, const QString &, const QString &text) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        ++errors;
    }

    int errors = 0;
};

class IdleBrowser : public links::Browser
{
public:
    void open(QWidget *, const QUrl &) override { }
};

bool writeLargePage(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray head = "<html><head>\r\n<meta name=\"Title\" content=\"Big page\">\r\n"
                            "<meta name=\"Description\" content=\"A page of many paragraphs\">\r\n"
                            "<meta name=\"KeyWords\" content=\"big, page\">\r\n<title>Big</title></head><body>\r\n";
    const QByteArray tail = "</body></html>\r\n";
    const QByteArray line = "<p>The quick brown fox jumps over the lazy dog, again and again.</p>\r\n";
    QByteArray body;
    while (body.size() < 4 * 1024 * 1024)
        body += line;
    qint64 written = file.write(head);
    while (written + body.size() + tail.size() <= PageSize)
        written += file.write(body);
    file.write(QByteArray(PageSize - written - tail.size(), ' '));
    file.write(tail);
    return file.error() == QFileDevice::NoError;
}

double secondsOf(const std::function<bool()> &job, bool &ok)
{
    QElapsedTimer timer;
    timer.start();
    ok = job() && ok;
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

struct Baseline
{
    const char *name;
    std::function<bool()> job;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Runs the editor and its baselines in rounds, starting each round with the
// next one so that none always goes first. The reported time is the editor's;
// each baseline gets its median time and the median of the per-round ratios
// editor / baseline, which a busy machine disturbs far less than a ratio of
// totals.
void measureAgainst(
    benchmark::State &state, const std::function<bool()> &editor, const std::vector<Baseline> &baselines)
{
    std::vector<std::function<bool()>> jobs { editor };
    for (const Baseline &baseline : baselines)
        jobs.push_back(baseline.job);
    std::vector<std::vector<double>> seconds(jobs.size());
    bool ok = true;
    std::size_t first = 0;
    for (auto _ : state) {
        for (std::size_t step = 0; step < jobs.size(); ++step) {
            const std::size_t job = (first + step) % jobs.size();
            seconds[job].push_back(secondsOf(jobs[job], ok));
        }
        state.SetIterationTime(seconds[0].back());
        first = (first + 1) % jobs.size();
    }
    if (!ok) {
        state.SkipWithError("a run failed");
        return;
    }
    state.counters["editor_median_ms"] = 1000 * median(seconds[0]);
    for (std::size_t i = 0; i < baselines.size(); ++i) {
        const std::string name = baselines[i].name;
        std::vector<double> ratios;
        for (std::size_t round = 0; round < seconds[0].size(); ++round)
            ratios.push_back(seconds[0][round] / seconds[i + 1][round]);
        state.counters[name + "_median_ms"] = 1000 * median(seconds[i + 1]);
        state.counters["ratio_to_" + name] = median(ratios);
    }
}

void StartupToFirstWindow(benchmark::State &state, const QString &probe, QSize editorSize)
{
    const auto run = [&probe](const QStringList &arguments) {
        return [probe, arguments] { return QProcess::execute(probe, arguments) == 0; };
    };
    const QString width = QString::number(editorSize.width());
    const QString height = QString::number(editorSize.height());
    // The bare window shows no text and so never starts the font system,
    // which any window with a caption needs; the second baseline shows one
    // line of text, to tell that share apart.
    measureAgainst(state, run({ QStringLiteral("editor") }),
        { { "bare", run({ QStringLiteral("bare"), width, height }) },
            { "bare_with_text", run({ QStringLiteral("text"), width, height }) } });
}

void OpenThenSave256MiB(benchmark::State &state, const QTemporaryDir &folder)
{
    const QString page = folder.filePath(QStringLiteral("page.html"));
    if (!writeLargePage(page)) {
        state.SkipWithError("cannot write the page");
        return;
    }
    const QString byWindow = folder.filePath(QStringLiteral("by-window.html"));
    const QString byOperations = folder.filePath(QStringLiteral("by-operations.html"));
    FixedFileDialog fileDialog(page, byWindow);
    YesPrompts prompts;
    IdleBrowser browser;
    app::MainWindow window(fileDialog, prompts, browser);
    auto *openButton = window.findChild<QPushButton *>(QStringLiteral("Command1"));
    auto *saveAsButton = window.findChild<QPushButton *>(QStringLiteral("Command2"));

    const auto throughWindow = [&] {
        openButton->click();
        saveAsButton->click();
        return prompts.errors == 0;
    };
    const auto operationsAlone = [&] {
        metatags::Result<metatags::StampedPage> loaded = metatags::LoadPage(page);
        if (!loaded.has_value())
            return false;
        QByteArray buffer = std::move(loaded->bytes);
        const metatags::PageEncoding encoding = metatags::SniffPageEncoding(buffer);
        metatags::PerTag<metatags::FieldValue> fields;
        metatags::ReadMetaValues(buffer, encoding, metatags::ReadOrder::EachOnItsOwn)
            .forEach([&fields](metatags::MetaTag tag, const metatags::TagRead &read) { fields[tag] = read.value; });
        return metatags::SaveMetaPage(byOperations, fields, buffer, encoding).has_value();
    };
    measureAgainst(state, throughWindow, { { "page_operations", operationsAlone } });
    QFile::remove(page);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);

    // The bare window gets the editor's outer size, menu bar included.
    QSize editorSize;
    {
        FixedFileDialog fileDialog({}, {});
        YesPrompts prompts;
        IdleBrowser browser;
        app::MainWindow window(fileDialog, prompts, browser);
        editorSize = window.size();
    }
    const QString probe = QCoreApplication::applicationDirPath() + QStringLiteral("/window_startup_probe");
    QTemporaryDir folder;

    benchmark::RegisterBenchmark("StartupToFirstWindow/editor_vs_bare_QWidget", StartupToFirstWindow, probe, editorSize)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(40);
    benchmark::RegisterBenchmark("OpenThenSave/256MiB/window_vs_page_operations", OpenThenSave256MiB, std::cref(folder))
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(10);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
