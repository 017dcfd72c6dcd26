#include "CommandLine.h"

#include "Audit.h"
#include "FolderWalk.h"
#include "Message.h"

#include <Result.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#ifdef Q_OS_UNIX
#include <FileKind.h>

#include <sys/stat.h>
#endif

namespace cli {

namespace {

// The context the messages are translated in.
struct Text
{
    Q_DECLARE_TR_FUNCTIONS(CommandLine)
};

QString programHelp()
{
    return Text::tr("Usage: tagwright-batch COMMAND [OPTIONS] ARGUMENTS\n\n"
                    "Reads and writes the Title, Description and KeyWords meta values of many web\n"
                    "pages at once, exactly as the Tagwright editor reads and saves them.\n\n"
                    "Commands:\n"
                    "  show FILE...   Print the pages' values as a tab-separated sheet, or as JSON\n"
                    "                 lines with --json. With -r, a FOLDER is walked for *.html\n"
                    "                 and *.htm files.\n"
                    "  apply SHEET    Write the values of a sheet into the pages it lists. A SHEET\n"
                    "                 of \"-\" is read from standard input.\n"
                    "  set FILE       Write values given as options into one page.\n"
                    "  audit [-r] PATH...\n"
                    "                 Report what is wrong with the pages' values: missing, empty,\n"
                    "                 shared, too long for search results, misread by the editor.\n\n"
                    "Options:\n"
                    "  -h, --help     Show this help; after a command, that command's help.\n"
                    "  -v, --version  Show the version.\n\n"
                    "The sheet:\n"
                    "  A header line, then one line per page with the columns path, title,\n"
                    "  description, keywords, title_status, description_status and keywords_status.\n"
                    "  A status is \"found\", \"missing\" (the page has no such tag word) or \"unusable\"\n"
                    "  (the word is there but no value can be cut behind it). In a value a tab, a\n"
                    "  line break or a backslash is written \\t, \\n, \\r or \\\\, and a cell that begins\n"
                    "  with a double quote is quoted as spreadsheets quote it; a quoted cell may\n"
                    "  hold real tabs and line breaks, as spreadsheets write them. Values are UTF-8,\n"
                    "  decoded from the page as the editor decodes them, by the character set the\n"
                    "  page declares, else as UTF-8 when it is valid UTF-8, else as windows-1252.\n"
                    "  Paths are relative to the current folder. apply finds the columns by their\n"
                    "  names in the header; a value column left out keeps the page's own values, and\n"
                    "  the status columns are ignored.\n\n"
                    "How a page is written:\n"
                    "  As the editor's Save writes it after the same values were typed: the\n"
                    "  seven-line meta preamble, then the page from its <title> tag through\n"
                    "  </html>, put in place only once the new file is completely written. A page\n"
                    "  whose values all stay as they are (a missing or unusable value left empty\n"
                    "  counts as unchanged) is not written at all. A value equal to what the page\n"
                    "  holds now is written back byte for byte. When a page is written, a value\n"
                    "  that is missing or unusable in the page and left empty is written empty\n"
                    "  (content=\"\"), as an empty field is. Values are never cut to the editor's\n"
                    "  field lengths. --dry-run tells, for each page that would change, the values\n"
                    "  and what the save would drop.\n\n"
                    "What is refused:\n"
                    "  A page without a <title> or <TITLE> tag (unless --whole-page is given), a\n"
                    "  value holding \">\" (a page cannot give it back), the same file twice in a\n"
                    "  sheet under any name, a path holding a NUL character, and with -o two rows\n"
                    "  writing one file or a row writing over a page; and what a save refuses (see\n"
                    "  man tagwright-batch), such as a page in UTF-16. A sheet larger than 1 GiB, or\n"
                    "  a device given as the sheet, stops the run.\n\n"
                    "Messages and the summary:\n"
                    "  Every message reads \"tagwright-batch: PATH[:LINE]: message\", with control\n"
                    "  characters escaped as in the sheet. A run that writes ends with one line such\n"
                    "  as \"tagwright-batch: pages.tsv: 3 written, 1,712 unchanged, 0 failed\".\n\n"
                    "Exit status:\n"
                    "  0 when every page was read, written or left unchanged, 1 when one or more\n"
                    "  pages failed (each is reported, with its sheet line for apply, and the\n"
                    "  others are still done), 2 for a wrong command line or a sheet that cannot be\n"
                    "  read at all.\n\n"
                    "Examples:\n"
                    "  tagwright-batch show -r site > pages.tsv\n"
                    "  tagwright-batch apply --dry-run pages.tsv     # what would change\n"
                    "  tagwright-batch apply pages.tsv               # rewrite the pages in place\n"
                    "  tagwright-batch apply -o preview pages.tsv    # write under preview/ instead\n"
                    "  tagwright-batch show --json site/*.html |\n"
                    "      jq -c '.keywords = \"tools, parts\"' | tagwright-batch apply -\n"
                    "  tagwright-batch set index.html --description \"Tools and parts\" -o new.html\n"
                    "  tagwright-batch audit -r site --fail-on missing,duplicate\n");
}

int usageError(Console &console, const QString &message)
{
    console.err.write(
        QStringLiteral("tagwright-batch: %1\n%2\n")
            .arg(Printable(message), Text::tr("Run \"tagwright-batch --help\" for the commands and options."))
            .toUtf8());
    return UsageError;
}

// Parses the arguments after the command, which wants one argument or with
// several at least one; on a wrong one, or for help, says so and gives the
// exit status to return.
std::optional<int> parse(QCommandLineParser &parser, const QStringList &arguments, bool several,
    const QString &wrongCount, const QString &examples, Console &console)
{
    const QCommandLineOption help({ QStringLiteral("h"), QStringLiteral("help") }, Text::tr("Show this help."));
    parser.addOption(help);
    if (!parser.parse(arguments))
        return usageError(console, parser.errorText());
    if (parser.isSet(help)) {
        // The usage line names the program as it is installed, with the command first.
        QString text = parser.helpText();
        const QString usage
            = QStringLiteral("%1 [options] %2").arg(QCoreApplication::arguments().value(0), arguments.value(1));
        text.replace(usage, QStringLiteral("tagwright-batch %1 [options]").arg(arguments.value(1)));
        console.out.write((text + QLatin1Char('\n') + examples).toUtf8());
        return Success;
    }
    const qsizetype given = parser.positionalArguments().size() - 1;
    if (given == 0 || (given > 1 && !several))
        return usageError(console, wrongCount);
    return std::nullopt;
}

// The option apply and set share.
QCommandLineOption wholePageOption()
{
    return { QStringLiteral("whole-page"),
        Text::tr("Write a page without a <title> tag whole behind the preamble instead of refusing it.") };
}

int runShow(const QStringList &arguments, Console &console)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("show"), Text::tr("Print the pages' values."), QStringLiteral("show"));
    parser.addPositionalArgument(QStringLiteral("files"), Text::tr("The pages to read."), QStringLiteral("FILE..."));
    const QCommandLineOption json(QStringLiteral("json"), Text::tr("One JSON object per line instead of the sheet."));
    const QCommandLineOption recursive({ QStringLiteral("r"), QStringLiteral("recursive") },
        Text::tr("Read the *.html and *.htm files in each FOLDER given and the folders below it, in sorted order."));
    parser.addOptions({ json, recursive });
    if (const std::optional<int> status = parse(parser, arguments, true, Text::tr("show needs at least one file."),
            Text::tr("Examples:\n  tagwright-batch show site/*.html > pages.tsv\n"
                     "  tagwright-batch show -r site > pages.tsv\n"
                     "  tagwright-batch show --json index.html\n"),
            console))
        return *status;
    return RunShow(PagesToRead(parser.positionalArguments().mid(1), parser.isSet(recursive)),
        parser.isSet(json) ? ShowFormat::JsonLines : ShowFormat::Sheet, console);
}

// Why the sheet cannot be read, or nothing once it is open. A device or a
// folder would be read without end or not at all; a pipe is read, as the
// output of a command given as <(...) is one.
std::optional<QString> openSheet(QFile &sheet)
{
#ifdef Q_OS_UNIX
    struct stat status
    { };
    if (::stat(QFile::encodeName(sheet.fileName()).constData(), &status) == 0 && !S_ISREG(status.st_mode)
        && !S_ISFIFO(status.st_mode))
        return metatags::DescribeNonRegularFile(status.st_mode);
#endif
    if (!sheet.open(QIODevice::ReadOnly))
        return sheet.errorString();
    return std::nullopt;
}

int runApply(const QStringList &arguments, Console &console, QIODevice &input)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(
        QStringLiteral("apply"), Text::tr("Write a sheet's values into its pages."), QStringLiteral("apply"));
    parser.addPositionalArgument(QStringLiteral("sheet"),
        Text::tr("The sheet, as show writes it (tab-separated or JSON lines); \"-\" for standard input."),
        QStringLiteral("SHEET"));
    const QCommandLineOption dryRun({ QStringLiteral("n"), QStringLiteral("dry-run") },
        Text::tr("Print what would change, what a save would drop and what would fail, and write nothing."));
    const QCommandLineOption output({ QStringLiteral("o"), QStringLiteral("output-dir") },
        Text::tr("Write the edited pages under <folder>, keeping their relative paths, and leave the originals as they "
                 "are."),
        Text::tr("folder"));
    const QCommandLineOption wholePage = wholePageOption();
    parser.addOptions({ dryRun, output, wholePage });
    if (const std::optional<int> status = parse(parser, arguments, false, Text::tr("apply needs exactly one sheet."),
            Text::tr("Examples:\n  tagwright-batch apply --dry-run pages.tsv\n"
                     "  tagwright-batch apply -o preview pages.tsv\n"),
            console))
        return *status;

    if (parser.isSet(output) && parser.value(output).isEmpty())
        return usageError(console, Text::tr("--output-dir needs a folder."));
    const ApplyOptions options { parser.isSet(dryRun), parser.value(output), parser.isSet(wholePage) };
    const QString sheetName = parser.positionalArguments().at(1);
    if (sheetName == QLatin1String("-"))
        return RunApply(Text::tr("(standard input)"), ReadSheet(input), options, console);
    QFile sheet(sheetName);
    if (const std::optional<QString> unreadable = openSheet(sheet)) {
        console.err.write(Message(sheetName, 0, *unreadable));
        return UsageError;
    }
    return RunApply(sheetName, ReadSheet(sheet), options, console);
}

int runSet(const QStringList &arguments, Console &console)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("set"), Text::tr("Write values into one page."), QStringLiteral("set"));
    parser.addPositionalArgument(QStringLiteral("file"), Text::tr("The page."), QStringLiteral("FILE"));
    // Each value option is named after its sheet column.
    for (const MetaTag field : AllMetaTags) {
        parser.addOption({ ColumnName(field), Text::tr("The %1 value.").arg(QLatin1String(metatags::TagWord(field))),
            Text::tr("text") });
    }
    const QCommandLineOption output({ QStringLiteral("o"), QStringLiteral("output") },
        Text::tr("Write the result to <file> and leave FILE as it is."), Text::tr("file"));
    const QCommandLineOption dryRun({ QStringLiteral("n"), QStringLiteral("dry-run") },
        Text::tr("Print what would change and what a save would drop, and write nothing."));
    const QCommandLineOption wholePage = wholePageOption();
    parser.addOptions({ output, dryRun, wholePage });
    if (const std::optional<int> status = parse(parser, arguments, false, Text::tr("set needs exactly one file."),
            Text::tr("A value not given is the page's own, as the editor's Open button reads it; one that the page\n"
                     "does not have is written empty.\n\n"
                     "Examples:\n  tagwright-batch set index.html --title \"Shop\" --keywords \"tools, parts\"\n"
                     "  tagwright-batch set index.html --description \"\" -o new.html\n"),
            console))
        return *status;

    if (parser.isSet(output) && parser.value(output).isEmpty())
        return usageError(console, Text::tr("--output needs a file name."));
    const QString page = parser.positionalArguments().at(1);
    PageEdit edit { page, parser.isSet(output) ? parser.value(output) : page, {} };
    for (const MetaTag field : AllMetaTags) {
        if (parser.isSet(ColumnName(field)))
            edit.values[field] = parser.value(ColumnName(field));
    }
    // A result written elsewhere gets its folder made, as apply -o does.
    return RunSet(edit, { parser.isSet(dryRun), parser.isSet(wholePage), parser.isSet(output) }, console);
}

// "30-60" as a range, or nothing when it is not one.
std::optional<CharacterRange> rangeOf(const QString &text)
{
    const QStringList bounds = text.split(QLatin1Char('-'));
    bool leastOk {};
    bool mostOk {};
    const CharacterRange range { bounds.value(0).toLongLong(&leastOk), bounds.value(1).toLongLong(&mostOk) };
    if (bounds.size() != 2 || !leastOk || !mostOk || range.least > range.most)
        return std::nullopt;
    return range;
}

int runAudit(const QStringList &arguments, Console &console)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(
        QStringLiteral("audit"), Text::tr("Report what is wrong with the pages' values."), QStringLiteral("audit"));
    parser.addPositionalArgument(
        QStringLiteral("paths"), Text::tr("The pages to check, or folders with -r."), QStringLiteral("PATH..."));
    const QCommandLineOption recursive({ QStringLiteral("r"), QStringLiteral("recursive") },
        Text::tr("Check the *.html and *.htm files in the folders given and their subfolders."));
    const QCommandLineOption json(QStringLiteral("json"), Text::tr("One JSON object per line instead of the sheet."));
    const QCommandLineOption titleChars(QStringLiteral("title-chars"),
        Text::tr("Titles shorter or longer than this are reported (default 30-60)."), Text::tr("least-most"),
        QStringLiteral("30-60"));
    const QCommandLineOption descriptionChars(QStringLiteral("description-chars"),
        Text::tr("Descriptions shorter or longer than this are reported (default 70-160)."), Text::tr("least-most"),
        QStringLiteral("70-160"));
    const QCommandLineOption titlePx(QStringLiteral("title-px"),
        Text::tr("Titles wider than this in Arial at 20 px are reported; 0 measures none (default 580)."),
        Text::tr("pixels"), QStringLiteral("580"));
    const QCommandLineOption descriptionPx(QStringLiteral("description-px"),
        Text::tr("Descriptions wider than this in Arial at 14 px are reported; 0 measures none (default 920)."),
        Text::tr("pixels"), QStringLiteral("920"));
    const QCommandLineOption ignore(
        QStringLiteral("ignore"), Text::tr("Leave these findings out of the report."), Text::tr("finding,..."));
    const QCommandLineOption failOn(QStringLiteral("fail-on"),
        Text::tr("Only these findings make the exit status 1 (default: any)."), Text::tr("finding,..."));
    parser.addOptions({ recursive, json, titleChars, descriptionChars, titlePx, descriptionPx, ignore, failOn });
    if (const std::optional<int> status
        = parse(parser, arguments, true, Text::tr("audit needs at least one file or folder."),
            Text::tr("Findings, and the fields they are about (\"page\": the whole page):\n"
                     "  missing, unusable, other-case-only, not-in-meta-tag, multiple, gt-in-value,\n"
                     "  empty, cut-in-editor (each field)\n"
                     "  too-short, too-long, duplicate (title, description)\n"
                     "  no-title-tag, no-closing-tag, drops-head (page)\n"
                     "See man tagwright-batch for what each means.\n\n"
                     "Exit status: 0 no findings, 1 findings or a page that cannot be read,\n"
                     "2 a wrong command line.\n\n"
                     "Examples:\n  tagwright-batch audit -r site > findings.tsv\n"
                     "  tagwright-batch audit -r --ignore too-short --fail-on missing,duplicate site\n"),
            console))
        return *status;

    AuditOptions options;
    options.recursive = parser.isSet(recursive);
    options.format = parser.isSet(json) ? ShowFormat::JsonLines : ShowFormat::Sheet;
    for (const auto &[option, range] : { std::pair(&titleChars, &options.limits.titleCharacters),
             std::pair(&descriptionChars, &options.limits.descriptionCharacters) }) {
        const std::optional<CharacterRange> given = rangeOf(parser.value(*option));
        if (!given)
            return usageError(console,
                Text::tr("--%1 needs two numbers such as 30-60, the first not above the second.")
                    .arg(option->names().front()));
        *range = *given;
    }
    for (const auto &[option, pixels] : { std::pair(&titlePx, &options.limits.titlePixels),
             std::pair(&descriptionPx, &options.limits.descriptionPixels) }) {
        bool ok {};
        *pixels = parser.value(*option).toInt(&ok);
        if (!ok || *pixels < 0)
            return usageError(
                console, Text::tr("--%1 needs a number of pixels, 0 or more.").arg(option->names().front()));
    }
    for (const auto &[option, set] : { std::pair(&ignore, &options.ignored), std::pair(&failOn, &options.failOn) }) {
        if (!parser.isSet(*option))
            continue;
        const std::optional<FindingSet> named = FindingsNamed(parser.value(*option));
        if (!named) {
            return usageError(console,
                Text::tr("--%1: \"%2\" is not a list of findings; see tagwright-batch audit --help.")
                    .arg(option->names().front(), parser.value(*option)));
        }
        *set = *named;
    }
    return RunAudit(parser.positionalArguments().mid(1), options, console);
}

} // namespace

int RunCommandLine(const QStringList &arguments, Console &console, QIODevice &input)
{
    const QString command = arguments.value(1);
    if (command == QLatin1String("show"))
        return runShow(arguments, console);
    if (command == QLatin1String("apply"))
        return runApply(arguments, console, input);
    if (command == QLatin1String("set"))
        return runSet(arguments, console);
    if (command == QLatin1String("audit"))
        return runAudit(arguments, console);
    if (command == QLatin1String("-h") || command == QLatin1String("--help") || command == QLatin1String("help")) {
        console.out.write(programHelp().toUtf8());
        return Success;
    }
    if (command == QLatin1String("-v") || command == QLatin1String("--version")) {
        console.out.write(QStringLiteral("tagwright-batch %1\n").arg(QCoreApplication::applicationVersion()).toUtf8());
        return Success;
    }
    if (command.isEmpty())
        return usageError(console, Text::tr("no command was given."));
    return usageError(console, Text::tr("there is no command \"%1\".").arg(command));
}

} // namespace cli
