#include <AuditFindings.h>
#include <CommandLine.h>
#include <FileFaults.h>
#include <SheetFormat.h>
#include <SheetReader.h>
#include <TrimPageToTitle.h>
#include <WriteMetaPage.h>

#include <QtTest>

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using metatags::MetaTag;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

const QByteArray Utf8Page = "<html><head>\r\n<meta name=\"Title\" content=\"Caf\xC3\xA9\">\r\n"
                            "<meta name=\"Description\" content=\"Tools\tand\\parts\">\r\n"
                            "<title>Shop</title></head><body>Hi</body></html>\r\n";
const QByteArray DoctypePage = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                               "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                               "<title>Shop</title></head><body>Hi</body></html>\n<script src=\"x.js\"></script>\n";

// A page with these values (a null one, {}, left out), and the head and tail given.
QByteArray page(const QByteArray &title, const QByteArray &description = "D", const QByteArray &keywords = "K",
    const QByteArray &head = "<html><head>", const QByteArray &tail = "</head><body>Hi</body></html>")
{
    QByteArray page = head;
    for (const auto &[word, value] :
        { std::pair("Title", title), std::pair("Description", description), std::pair("KeyWords", keywords) })
        if (!value.isNull())
            page += "<meta name=\"" + QByteArray(word) + "\" content=\"" + value + "\">\r\n";
    return page + "<title>Shop</title>" + tail;
}

const QByteArray Title = "Hand tools and spare parts for the workshop";
const QByteArray Description = "Saws, drills and clamps sorted by trade, with spare parts that ship the same day.";

// What the editor's Save writes after opening page with the Open button and
// typing the title.
QByteArray savedByEditor(const QByteArray &page, const QString &title)
{
    const metatags::PageEncoding encoding = metatags::SniffPageEncoding(page);
    const auto read = metatags::ReadMetaValues(page, encoding, metatags::ReadOrder::EachOnItsOwn);
    QByteArray kept = page; // left whole without a title tag
    metatags::TrimPageToTitle(kept);
    return metatags::MetaPreamble(metatags::EncodeForPage(
               { { title, std::nullopt }, read[MetaTag::Description].value, read[MetaTag::KeyWords].value }, encoding))
        + kept + "\r\n";
}

// What each file below the current folder holds (a link: its target), and
// its inode and modification time, which a file left alone keeps.
QMap<QString, std::pair<QByteArray, QString>> files()
{
    QMap<QString, std::pair<QByteArray, QString>> files;
    for (QDirIterator walk(".", QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); walk.hasNext();) {
        const QFileInfo file(QDir::cleanPath(walk.next()));
        struct stat status = {};
        (void)::lstat(QFile::encodeName(file.filePath()).constData(), &status);
        files[file.filePath()] = { file.isSymLink() ? file.symLinkTarget().toUtf8() : ReadFile(file.filePath()),
            QStringLiteral("%1 %2.%3").arg(status.st_ino).arg(status.st_mtim.tv_sec).arg(status.st_mtim.tv_nsec) };
    }
    return files;
}

// A run of the program: its arguments and standard input, and the exit status
// and the text on standard error and output that it must end with.
struct Run
{
    QStringList arguments;
    QByteArray input;
    int status = 0;
    QByteArray err;
    QByteArray out;
};

// Each audit row as "field finding: detail".
QStringList rowsText(const std::vector<cli::AuditRow> &rows)
{
    QStringList text;
    for (const cli::AuditRow &row : rows)
        text << QStringLiteral("%1 %2: %3").arg(cli::FieldColumn(row.field), cli::FindingName(row.finding), row.detail);
    return text;
}

// The program as a shell starts it, with no display nor any other setting in
// its environment: every signal at its default action, and at most
// fileSizeLimit bytes to a file when one is given (ulimit -f).
void startBatch(QProcess &process, const QString &folder, const QStringList &arguments, rlim_t fileSizeLimit = 0)
{
    process.setProcessEnvironment(QProcessEnvironment());
    process.setWorkingDirectory(folder);
    process.setChildProcessModifier([fileSizeLimit] {
        for (const int signal : { SIGXFSZ, SIGINT, SIGTERM, SIGHUP })
            ::signal(signal, SIG_DFL);
        const rlimit limit { fileSizeLimit, fileSizeLimit };
        if (fileSizeLimit > 0)
            ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    process.start(QStringLiteral(TAGWRIGHT_BATCH), arguments);
}

QStringList temporaryFilesIn(const QString &folder)
{
    return QDir(folder).entryList({ QStringLiteral(".tagwright-*") }, QDir::Files | QDir::Hidden);
}

} // namespace

Q_DECLARE_METATYPE(Run)

class TestBatch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Runs against one folder of pages; every file that a run does not write
    // keeps its bytes, inode and time.
    void runsSayWhatTheyDo_data()
    {
        QTest::addColumn<Run>("run"); // a part of each stream
        // The file written with the title typed (by default "New"), and the page it is from.
        QTest::addColumn<QStringList>("written");

        const auto row = [](const char *name, const QStringList &arguments, const QByteArray &input, int status,
                             const char *err, const char *out = "", const QStringList &written = {}) {
            QTest::newRow(name) << Run { arguments, input, status, err, out } << written;
        };
        const QStringList apply { "apply", "-" };
        const QByteArray sheet = "path\ttitle\na.html\tNew\n";
        const QByteArray jsonNew = "{\"path\":\"a.html\",\"title\":\"New\"}\n";
        // What show writes, apply reads back and leaves the pages alone; an edited value is saved as the editor
        // saves it after the same typing.
        const QByteArray shown = cli::SheetHeader()
            + "a.html\tCaf\xC3\xA9\tTools\\tand\\\\parts\t\tfound\tfound\tmissing\n"
            + "o.html\ta\\r\\nb\\nc\\rd\xC3\xA9\t\t\tfound\tmissing\tunusable\n";
        const QByteArray json = R"({"path":"a.html","title":"Café","description":"Tools\tand\\parts","keywords":null,)"
                                R"("title_status":"found","description_status":"found","keywords_status":"missing"})"
                                "\n";
        row("show", { "show", "a.html", "gone.html", "o.html" }, {}, 1, "gone.html: No such file", shown);
        row("show --json", { "show", "--json", "a.html" }, {}, 0, "", json);
        row("unedited sheet", apply, shown, 0, "(standard input): 0 written, 2 unchanged, 0 failed\n");
        row("unedited JSON", apply, json, 0, "(standard input): 0 written, 1 unchanged, 0 failed\n");
        row("edited to awkward text", apply, "path\ttitle\na.html\t\"\"\"q\"\" a\\tb\\r\\nc\\\\n\xE2\x82\xAC\\\\\"\n",
            0, "", "", { "a.html", "a.html", "\"q\" a\tb\nc\\n\u20ac\\" });
        // A bad row is reported with its line, and the others are written.
        const auto bad = [&](const char *name, const QByteArray &rows, const char *err) {
            row(name, apply, rows, 1, err, "", { "a.html", "a.html" });
        };
        bad("missing page", sheet + "gone.html\tT\n",
            ": No such file or directory\ntagwright-batch: (standard input): 1 written, 0 unchanged, 1 failed\n");
        bad("listed twice by a link", sheet + "alias.html\tT\n", "alias.html: the page is already listed on line 2.");
        bad("a path that reads as a listed page", sheet + "linked/../a.html\tT\n", ":3: linked/../a.html: No such");
        bad("value holding >", sheet + "h.html\ta > b\n", ":3: h.html: the title value holds \">\"");
        bad("page without a title tag", sheet + "untitled.html\tT\n", ":3: untitled.html: it has no <title>");
        bad("page in UTF-16", sheet + "utf16.html\tT\n", ":3: utf16.html: The page is in UTF-16");
        bad("control characters in a file name", sheet + "x\x1b[2J\x7f\tT\n", ":3: x\\u001b[2J\\u007f: No such");
        bad("too few columns", sheet + "b.html\n", ":3: The line has 1 columns, the header 2.");
        bad("unknown escape", sheet + "b.html\tC:\\web\n", ":3: b.html: The title cell has a backslash");
        bad("quote never closed", sheet + "b.html\t\"T\n", ":3: A quote that opens a cell is never closed.");
        bad("not UTF-8", sheet + "b.html\tCaf\xe9\n", ":3: b.html: The title cell is not UTF-8 text.");
        bad("JSON NUL in a path", jsonNew + "{\"path\":\"b\\u0000x\"}\n", ":2: b\\u0000x: The path holds a NUL");
        bad("JSON path not text", jsonNew + "{\"path\":1}\n", ":2: \"path\" is not text.");
        bad("JSON value a number", jsonNew + "{\"path\":\"b\",\"title\":1}\n", ":2: b: \"title\" is neither text");
        bad("JSON unknown key", jsonNew + "{\"path\":\"b\",\"titel\":\"\"}\n", ":2: b: The line has a key \"titel\"");
        bad("not JSON", jsonNew + "{\"path\":\n", ":2: The line is not JSON: ");
        // A header that is no header stops the run before anything is written.
        row("empty sheet", apply, "\n\n", 2, "tagwright-batch: (standard input): The sheet is empty.\n");
        row("no path column", apply, "title\nT\n", 2, ":1: The header has no \"path\" column.");
        row("misspelt column", apply, "\npath\tTitel\n", 2, ":2: The header has a column \"Titel\"; the columns are");
        row("column twice", apply, "path\ttitle\tTitle\n", 2, ":1: The header names the column \"Title\" twice.");
        row("two sheets", { "apply", "a.tsv", "b.tsv" }, {}, 2, "tagwright-batch: apply needs exactly one sheet.\n");
        row("unknown command", { "lost" }, {}, 2, "there is no command \"lost\".");
        row("help", { "--help" }, {}, 0, "", "Usage: tagwright-batch COMMAND [OPTIONS] ARGUMENTS\n");
        row("version", { "--version" }, {}, 0, "", "tagwright-batch ");
        row("a command's help", { "show", "-h" }, {}, 0, "", "Usage: tagwright-batch show [options] FILE...\n");
        row("set's help", { "set", "--help" }, {}, 0, "", "Usage: tagwright-batch set [options] FILE\n");
        row("a terminal shows a progress bar, cleared at the end", QStringList { "show" } + QStringList(11, "a.html"),
            {}, 0, "] 100% 11/11\r\x1b[K");
        row("ten files are too few for a bar", QStringList { "show", "v", "w" } + QStringList(8, "a.html"), {}, 1,
            "v: No such file or directory\ntagwright-batch: w: No such file or directory\n");
        row("a device as the sheet", { "apply", "/dev/zero" }, {}, 2, "/dev/zero: It is a device");
        row("header not UTF-8", apply, "path\t\xe9\n", 2, ":1: The header line is not UTF-8 text.");
        // A dry run tells what the run would do, and writes nothing; it shows how the sheet was read.
        const auto dry = [&](const char *name, const QByteArray &in, const char *out, bool fails = false) {
            row(name, { "apply", "-n", "-" }, in, fails, fails ? "0 would change, 0 unchanged, 1 would fail" : "", out);
        };
        dry("would change; byte-order mark, CR LF and blank lines", "\xEF\xBB\xBFpath\ttitle\r\n\r\na.html\tNew\r\n",
            "a.html: would change\n  title: \"Caf\xC3\xA9\" -> \"New\"\n  keywords: (missing) -> \"\"\n");
        dry("columns by name, a value column left out", "Description\tPath\n\"X\"\ta.html\r\r\n",
            "a.html: would change\n  description: \"Tools\\tand\\\\parts\" -> \"X\"\n  keywords: (missing) -> \"\"\n");
        dry("quoted line breaks and tabs, control characters",
            "path\ttitle\n\"a.html\"\t\"o\nl \"\"t\"\"\\t\x1b[2J\x7f\xc2\x9b\r\n\"\n",
            "  title: \"Caf\xC3\xA9\" -> \"o\\nl \\\"t\\\"\\t\\u001b[2J\\u007f\\u009b\\n\"\n");
        dry("JSON after a byte-order mark, null is not given",
            "\xEF\xBB\xBF{\"path\":\"a.html\",\"description\":null,\"keywords\":\"K\"}",
            "a.html: would change\n  keywords: (missing) -> \"K\"\n");
        dry("DOCTYPE, charset, viewport and script are dropped", "path\ttitle\nd.html\tNew\n",
            "  drops 130 bytes before <title>: <!DOCTYPE html>, <html lang=\"en\">, <meta charset=\"utf-8\">, "
            "<meta name=\"viewport\" \xE2\x80\xA6>\n  drops 30 bytes after </html>: <script src=\"x.js\">\n");
        dry("at most eight tags, each at most 60 characters", "path\ttitle\nt.html\tNew\n",
            "  drops 168 bytes before <title>: <b class='a b'>, <img "
            "src=\"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">, "
            "<img src=\"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa \xE2\x80\xA6>, <br>, <br>, <br>, <br>, "
            "<br>, text\n"
            "  drops 36 bytes after </html>: <hr>, <hr>, <hr>, <hr>, <hr>, <hr>, <hr>, <hr>, 1 more tags\n");
        dry("UTF-16", "path\ttitle\nutf16.html\tNew\n", "utf16.html: would fail: it is in UTF-16", true);
        dry("two names", "path\ttitle\nh.html\tNew\n", "h.html: would fail: It is one file with 2 names", true);
        dry("a bad row", "path\ttitle\n\tT\n", "(standard input):2: would fail: The line names no page.", true);
        dry("unedited", "path\ttitle\nd.html\t\n", "d.html: unchanged\n");
        // A value typed with a line break, into a page that a save of it gave: the save would change nothing.
        row("already as saved", apply, "path\ttitle\ns.html\ta\\nb\n", 0, "0 written, 1 unchanged");
        row("whole page", { "apply", "-n", "--whole-page", "-" }, "path\ttitle\nuntitled.html\tNew\n", 0,
            "1 would change, 0 unchanged, 0 would fail", "  has no <title> tag: the preamble goes in front");
        // An output folder leaves the pages alone; x is a linked folder.
        const QByteArray site = "path\ttitle\nsite/a.html\tNew\n";
        row("-o keeps relative paths, makes folders", { "apply", "-o", "out", "-" }, site, 0, "", "",
            { "out/site/a.html", "site/a.html" });
        row("-o onto the page itself", { "apply", "-o", ".", "-" }, site, 1, "written to site/a.html, the page itself");
        row("-o ., no file", { "apply", "-o", ".", "-" }, "path\ttitle\ngone.html\t\n", 1, ":2: gone.html: No such");
        row("-o onto another page of the sheet", { "apply", "-o", "site", "-" }, site + "a.html\tNew\n", 1,
            "site/a.html, which is the page on line 2.", "", { "site/site/a.html", "site/a.html" });
        row("-o, a path climbing out", { "apply", "-o", "out", "-" }, "path\ttitle\nx/../../a.html\tNew\n", 0, "", "",
            { "out" + QDir(QDir::tempPath()).canonicalPath() + "/a.html", "a.html" }); // goes by its absolute path
        row("-o, two rows to one output file", { "apply", "-o", "out", "-" }, site + "x/../site/a.html\tNew\n", 1,
            "out/site/a.html, as is the page on line 2.", "", { "out/site/a.html", "site/a.html" });
        row("set -o", { "set", "a.html", "--title", "New", "-o", "new/a.html" }, {}, 0,
            "tagwright-batch: a.html: 1 written, 0 unchanged, 0 failed\n", "", { "new/a.html", "a.html" });
        row("set writes it whole when told", { "set", "untitled.html", "--title", "New", "--whole-page" }, {}, 0, "",
            "", { "untitled.html", "untitled.html" });
        row("set -n", { "set", "a.html", "--title", "New", "-n", "-o", "b.html" }, {}, 0, "",
            "a.html -> b.html: would change\n");
        row("set -n onto a file a save refuses", { "set", "a.html", "--title", "New", "-n", "-o", "h.html" }, {}, 1,
            "1 would fail", "a.html: would fail: It is one file with 2 names");
        // Audit: pages/sub/b.htm alone has one finding, a short title.
        // The pages in "pages" share a title and a description, and a's keywords are empty.
        const auto audit
            = [&](const char *name, const QStringList &arguments, int status, const char *err, const char *out = "") {
                  row(name, QStringList { "audit" } + arguments, {}, status, err, out);
              };
        audit("each field's rows together, pages in sorted order", { "-r", "pages" }, 1,
            "2 pages read; 7 findings: 1 empty, 2 too-short, 4 duplicate.\n",
            "path\tfield\tfinding\tdetail\n"
            "pages/a.html\ttitle\ttoo-short\t4 characters, fewer than 30\n"
            "pages/a.html\ttitle\tduplicate\talso in pages/sub/b.htm\n"
            "pages/a.html\tdescription\tduplicate\talso in pages/sub/b.htm\n"
            "pages/a.html\tkeywords\tempty\t\n"
            "pages/sub/b.htm\ttitle\ttoo-short\t4 characters, fewer than 30\n"
            "pages/sub/b.htm\ttitle\tduplicate\talso in pages/a.html\n"
            "pages/sub/b.htm\tdescription\tduplicate\talso in pages/a.html\n");
        audit("ignored", { "--ignore", "too-short,empty, duplicate", "-r", "pages" }, 0, "no findings");
        audit("fails on others", { "--fail-on", "missing,duplicate", "pages/sub/b.htm" }, 0, "1 finding");
        audit("fails on it", { "--fail-on", "missing,too-short", "pages/sub/b.htm" }, 1, "1 finding");
        audit("one length, 0 px", { "--title-chars", "4-4", "--title-px", "0", "pages/sub/b.htm" }, 0, "no findings");
        audit("1 px", { "--title-px", "1", "--description-px", "0", "pages/sub/b.htm" }, 1, "1 too-short, 1 too-long.");
        audit("pages that cannot be read, a folder without -r", { "gone.html", "pages" }, 1,
            "Give -r to check the pages in it.\n0 pages read, 2 could not be read; no findings.\n");
        audit("unknown finding", { "--fail-on", "missing,lost", "a.html" }, 2, "--fail-on: \"missing,lost\" is not");
        audit("range upside down", { "--title-chars", "60-30", "a.html" }, 2, "--title-chars needs two numbers");
        audit("negative pixels", { "--title-px", "-1", "a.html" }, 2, "--title-px needs a number of pixels");
        audit("no pages", {}, 2, "audit needs at least one file or folder.");
    }

    void runsSayWhatTheyDo()
    {
        QFETCH(Run, run);
        QFETCH(QStringList, written);

        QTemporaryDir folder;
        QVERIFY(QDir::setCurrent(folder.path()));
        QVERIFY(QDir().mkpath("sub/inner") && QDir().mkpath("elsewhere/deep"));
        const std::pair<const char *, QByteArray> pages[] = { { "a.html", Utf8Page }, { "d.html", DoctypePage },
            { "t.html",
                "Hi <b class='a b' >x</b> <img src=\"" + QByteArray(49, 'a') + "\"><img src=\"" + QByteArray(50, 'a')
                    + "\">" + QByteArray("<br>").repeated(5) + "<title>x</title></html>"
                    + QByteArray("<hr>").repeated(9) },
            { "untitled.html", "<h1>Hi</h1>" }, { "utf16.html", "\xff\xfe<title>x</title></html>" },
            { "h.html", Utf8Page },
            { "o.html", "<meta name=\"Title\" content=\"a\r\nb\nc\rd\xE9\"><title>x</title></html>KeyWords" },
            { "site/a.html", Utf8Page }, { "elsewhere/site/a.html", Utf8Page },
            { "pages/a.html", page("Shop", Description, "") }, { "pages/sub/b.htm", page("Shop", Description) },
            { "pages/.hidden/c.html", "x" }, { "pages/notes.txt", "x" },
            { "s.html", savedByEditor(Utf8Page, "a\nb") } };
        for (const auto &[name, bytes] : pages)
            QVERIFY(QDir().mkpath(QFileInfo(name).path()) && WriteFile(name, bytes));
        QVERIFY(QFile::link("a.html", "alias.html") && QFile::link("sub/inner", "linked")
            && ::link("h.html", "h2.html") == 0);
        QVERIFY(QFile::link("elsewhere/deep", "x") && QFile::link(".", "pages/loop"));
        auto before = files();

        QBuffer stdOut;
        QBuffer stdErr;
        QBuffer stdIn(&run.input);
        QVERIFY(
            stdOut.open(QIODevice::WriteOnly) && stdErr.open(QIODevice::WriteOnly) && stdIn.open(QIODevice::ReadOnly));
        cli::Console console { stdOut, stdErr, run.arguments.size() > 10 }; // a terminal for a long run
        QCOMPARE(cli::RunCommandLine(QStringList { "tagwright-batch" } + run.arguments, console, stdIn), run.status);
        QVERIFY2(stdErr.data().contains(run.err), stdErr.data().constData());
        QVERIFY2(stdOut.data().contains(run.out), stdOut.data().constData());
        auto after = files();
        if (!written.isEmpty()) {
            QCOMPARE(after[written[0]].first, savedByEditor(before.value(written[1]).first, written.value(2, "New")));
            before[written[0]] = after[written[0]];
        }
        QCOMPARE(after, before);
    }

    void findingsOfOnePage_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QStringList>("expected"); // a detail ending in "…" is a beginning

        const QByteArray &t = Title;
        const QByteArray &d = Description;
        const QByteArray good = page(t, d);
        const auto row = [](const char *name, const QByteArray &page, const QStringList &expected = {}) {
            QTest::newRow(name) << page << expected;
        };
        row("no title tag", QByteArray(good).replace("<title>", "<h1>"), { "page no-title-tag: …" });
        row("no closing tag", QByteArray(good).replace("</html>", ""), { "page no-closing-tag: …" });
        row("DOCTYPE, charset and viewport ahead of the title",
            page(t, d, "K",
                "<!DOCTYPE html><html><head><meta charset=utf-8>\r\n<meta\r\nname=\"viewport\" "
                "content=\"width=device-width\" data-pwa>\r\n"),
            { R"(page drops-head: <!DOCTYPE html>, <meta charset=utf-8>, <meta name="viewport" content="width=device-width" data-pwa>)" });
        row("charset as http-equiv, another meta tag kept quiet",
            page(t, d, "K",
                "<META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=iso-8859-1'><meta name=\"robots\">"
                "<meta http-equiv=\"Content-Type\" content=\"text/html\"><meta property=\"og:description\" "
                "content=\"a <meta charset=x> b\"><metadata charset=\"x\"><mark charset=\"x\">"),
            { "page drops-head: <META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset …>" });
        row("nothing wrong: a charset behind the title, </HTML>, a line end as one character in the editor",
            page(t, d, QByteArray(1023, 'k') + "\r\n", "", "<meta charset=\"utf-8\" /></HTML>"));
        row("missing", page(t, d, {}), { R"(keywords missing: no "KeyWords" in the page)" });
        row("unusable", page(t, d, {}, "", "</html>KeyWords"),
            { R"(keywords unusable: no value can be cut behind "KeyWords")" });
        row("white space only", page(t, d, " \r\n "), { "keywords empty: only white space" });
        row("other case only", page(t, d, {}, R"(<meta name="keywords"><meta name=KEYWORDS><meta name="keywords">)"),
            { R"(keywords other-case-only: only name="keywords", name="KEYWORDS"; the editor reads "KeyWords")" });
        row("read from the page's text, the tag in another case",
            page(t, {}, "K", "<meta name=\"description\" content=\"x\">", "<body>Description list example</html>"),
            { "description other-case-only: …",
                "description not-in-meta-tag: read from …op</title><body>Description list example</html>",
                "description too-short: 7 characters, fewer than 70" });
        row("multiple, in any case, no lower-case <m at all",
            page(t, d, "K", "", R"(<meta name="description" content="Other"><meta name="Description"></html>)")
                .replace("<meta", "<META"),
            { "description multiple: 3 meta tags for \"Description\", in any case" });
        row("too long in characters", page(QByteArray(70, 'i'), d), { "title too-long: 70 characters, more than 60" });
        // Pixel widths: the advance widths of the font file's hmtx table times the
        // pixel size over its 2048 units per em; "W" has 1933 units, and a
        // character the font lacks counts at its OS/2 average width of 1187.
        row("too long in pixels, the description at 14 px", page(QByteArray(40, 'W'), QByteArray(80, 'W')),
            { "title too-long: 755 px, more than 580 px", "description too-long: 1057 px, more than 920 px" });
        row("characters the font lacks, beyond 16 bits",
            page(QByteArray("\u4e2d\U0001F600\u0100").repeated(20), QByteArray("\u4e2d\U0001F600").repeated(60)),
            { "title too-long: 730 px, more than 580 px", "description too-long: 974 px, more than 920 px" });
        row("references decoded in the title, not in the description",
            page(" \t&#x4E2D;&nbsp;&quot;&lt;&gt;&apos;&#128512;&#67;&#x10FFFF;\r\n\f x",
                "&copy; &#0; &#xD800; &#12 &#x; &#+5; &#1a; &#x110000; &amp"),
            { "title too-short: 11 characters, fewer than 30", "description too-short: 58 characters, fewer than 70" });
        row("cut in the editor", page(t, d, QByteArray(1025, 'k')),
            { "keywords cut-in-editor: 1025 characters; the editor keeps 1024" });
        row("gt in the value", page(t, "Tools > " + d),
            { "description gt-in-value: content=\"Tools > Saws…",
                "description too-short: 5 characters, fewer than 70" });
    }

    void findingsOfOnePage()
    {
        QFETCH(QByteArray, page);
        QFETCH(QStringList, expected);

        const metatags::Result<cli::TextWidth> title = cli::TextWidth::Load(cli::SearchResultFontFile(), 20);
        QVERIFY(title.has_value());
        const cli::TextWidth description = title->atPixelSize(14);
        QStringList rows = rowsText(cli::AuditPage("p.html", page, {}, { &*title, &description }).rows);
        for (qsizetype i = 0; i < qMin(rows.size(), expected.size()); ++i)
            if (expected[i].endsWith(QStringLiteral("…")))
                rows[i] = rows[i].left(expected[i].size() - 1) + QStringLiteral("…");
        QCOMPARE(rows, expected);
    }

    // A sheet may take its limit, counting its bytes and a cost for each row
    // that the refusal names, but not a byte more: a pipe that never ends is cut off.
    void readsASheetUpToItsLimit()
    {
        QByteArray text = "path\ttitle\na.html\tNew\n";
        const auto read = [&text](qint64 limit) {
            QBuffer sheet(&text);
            return sheet.open(QIODevice::ReadOnly) ? cli::ReadSheet(sheet, limit) : cli::Sheet();
        };
        // "The sheet is larger than 0 bytes (counting N bytes for each row)..."
        const QString refused = read(0).error;
        const QRegularExpression rowCost(QStringLiteral("^The sheet is larger than 0 bytes \\(counting (\\d+) bytes"));
        const qint64 limit = text.size() + rowCost.match(refused).captured(1).toLongLong();
        QCOMPARE(read(limit).rows.size(), 1u);
        QVERIFY(read(limit - 1).error.startsWith(QStringLiteral("The sheet is larger than")));
    }

    // Eight pages share a title, the first two a description too; keywords are not compared.
    void duplicatesNameTheOtherPages()
    {
        std::vector<cli::PageAudit> pages;
        for (int i = 1; i <= 8; ++i)
            pages.push_back(
                cli::AuditPage(QStringLiteral("%1.html").arg(i), page("T", "D" + QByteArray::number(i / 3)), {}, {}));
        const std::vector<std::vector<cli::AuditRow>> duplicates = cli::DuplicateRows(pages);

        QCOMPARE(duplicates.size(), pages.size());
        QCOMPARE(rowsText(duplicates[0]),
            QStringList({ "title duplicate: also in 2.html, 3.html, 4.html, 5.html, 6.html and 2 more",
                "description duplicate: also in 2.html" }));
    }

    // The real program, for what only the executable does: exit statuses, streams and signals.
    void runsEndAsTheySay_data()
    {
        QTest::addColumn<Run>("run"); // the beginning of standard output, the end of standard error
        QTest::addColumn<int>("fileSizeLimit");
        QTest::addColumn<int>("signal"); // sent once the save of big.html has begun

        const auto row = [](const char *name, const QStringList &arguments, const QByteArray &input, int status,
                             const char *out, const char *err, int fileSizeLimit = 0, int signal = 0) {
            QTest::newRow(name) << Run { arguments, input, status, err, out } << fileSizeLimit << signal;
        };
        const QStringList set { "set", "big.html", "--title", "New" };
        row("a header that is no header, from a pipe, stops at once", { "apply", "-" },
            QByteArray("a\tx\n").repeated(100000), 2, "", "and their *_status columns.\n");
        row("a file size limit fails the save instead of the program", set, {}, 1, "",
            "big.html: File too large\ntagwright-batch: big.html: 0 written, 0 unchanged, 1 failed\n", 20 * 1024);
        row("output past the file size limit is a failure", QStringList { "show" } + QStringList(1000, "a.html"), {}, 1,
            "path\t", "tagwright-batch: File too large\n", 20 * 1024);
        row("audit needs no display", { "audit", "--json", "--fail-on", "duplicate", "a.html" }, {}, 0,
            R"({"path":"a.html","field":"title","finding":"too-short","detail":"4 characters, fewer than 30"})",
            "1 page read; 3 findings: 1 missing, 2 too-short.\n");
        // The program ends as the signal would, and takes its half-written file along.
        for (const int signal : { SIGINT, SIGTERM, SIGHUP })
            row(::strsignal(signal), set, {}, signal, "", "", 0, signal);
    }

    void runsEndAsTheySay()
    {
        QFETCH(Run, run);
        QFETCH(int, fileSizeLimit);
        QFETCH(int, signal);

        QTemporaryDir folder;
        const QByteArray big = "<title>" + QByteArray(signal ? 256 << 20 : 33 << 10, 'x') + "</title></html>";
        QVERIFY(WriteFile(folder.filePath("a.html"), Utf8Page) && WriteFile(folder.filePath("big.html"), big));
        const QDeadlineTimer quickly(10000);
        QProcess process;
        process.setStandardOutputFile(folder.filePath("out"));
        startBatch(process, folder.path(), run.arguments, rlim_t(fileSizeLimit));
        process.write(run.input);
        process.closeWriteChannel();
        while (signal && temporaryFilesIn(folder.path()).isEmpty() && !process.waitForFinished(1)) { }
        if (signal && process.state() == QProcess::NotRunning)
            QSKIP("the save ended before its temporary file could be seen");
        if (signal)
            ::kill(static_cast<pid_t>(process.processId()), signal);
        QVERIFY(process.waitForFinished(60000) && (signal || !quickly.hasExpired()));
        QCOMPARE(process.exitStatus(), signal ? QProcess::CrashExit : QProcess::NormalExit);
        QCOMPARE(signal ? signal : process.exitCode(), run.status); // the rows give a signal as the status
        QVERIFY(ReadFile(folder.filePath("out")).startsWith(run.out));
        const QByteArray errors = process.readAllStandardError();
        QVERIFY2(errors.endsWith(run.err), errors.constData());
        // Only the program's own lines: nothing from Qt starting up.
        for (const QByteArray &line : errors.split('\n'))
            QVERIFY2(line.isEmpty() || line.startsWith("tagwright-batch: ") || line.contains(" read; "), line.data());
        QCOMPARE(ReadFile(folder.filePath("big.html")), big);
        QCOMPARE(temporaryFilesIn(folder.path()), QStringList());
    }
};

QTEST_MAIN(TestBatch)
#include "tst_batch.moc"
