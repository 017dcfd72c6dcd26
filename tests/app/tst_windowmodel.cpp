#include "WindowUnderTest.h"

#include <FileFaults.h>

#include <QClipboard>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMap>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>

#include <algorithm>
#include <array>
#include <functional>
#include <limits>
#include <optional>

// Random sequences of commands given to the real window, each step checked
// against a small model of what the window and the folder should hold. The
// model works the rules out on its own, without the page operations, so that
// a fault in them shows up as a difference.
//
// TAGWRIGHT_MODEL_SEED and TAGWRIGHT_MODEL_SEQUENCES replay a failure: every
// sequence is seeded with the base seed plus its number.

using Answer = app::UserPrompts::Answer;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int SanitizerSlowdown = 2;
#else
constexpr int SanitizerSlowdown = 1;
#endif

// windows-1252 bytes 0x80 to 0x9F; the five the standard leaves out stand for
// the C1 control of the same number.
constexpr char16_t Windows1252High[] = u"\x20AC\x0081\x201A\x0192\x201E\x2026\x2020\x2021\x02C6\x2030\x0160\x2039"
                                       u"\x0152\x008D\x017D\x008F\x0090\x2018\x2019\x201C\x201D\x2022\x2013\x2014"
                                       u"\x02DC\x2122\x0161\x203A\x0153\x009D\x017E\x0178";

const std::array<QByteArray, 3> Words { "Title", "Description", "KeyWords" };
const std::array<const char *, 3> FieldNames { "Text1", "Text2", "Text3" };
constexpr std::array<qsizetype, 3> Limits { 512, 1024, 1024 };
constexpr qint64 NoLimit = std::numeric_limits<qint64>::max();

bool isUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString ignored = decoder(bytes);
    return !decoder.hasError();
}

QString decodeValue(QByteArrayView bytes, bool utf8Page)
{
    if (utf8Page) {
        QStringDecoder decoder(
            QStringConverter::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        return decoder(bytes);
    }
    QString text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += QChar(byte >= 0x80 && byte < 0xA0 ? Windows1252High[byte - 0x80] : char16_t(byte));
    }
    return text;
}

QByteArray encodeValue(QString text, bool utf8)
{
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    if (utf8)
        return text.toUtf8();
    QByteArray bytes;
    const auto *highEnd = std::end(Windows1252High) - 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        const auto *high = std::find(std::begin(Windows1252High), highEnd, unit);
        if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
            bytes += static_cast<char>(unit);
        } else if (high != highEnd) {
            bytes += static_cast<char>(0x80 + (high - Windows1252High));
        } else {
            char32_t code = unit;
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                code = QChar::surrogateToUcs4(text[i], text[i + 1]), ++i;
            bytes += "&#" + QByteArray::number(static_cast<uint>(code)) + ';';
        }
    }
    return bytes;
}

QString plainBreaks(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

// At most count units, never half a surrogate pair.
QString leftWhole(const QString &text, qsizetype count)
{
    if (count >= text.size())
        return text;
    if (count > 0 && text[count - 1].isHighSurrogate())
        --count;
    return text.left(std::max<qsizetype>(count, 0));
}

// The value cut from behind the first occurrence of word, or nothing when the
// word is missing or no '>' stands far enough behind it.
std::optional<QByteArray> readValue(const QByteArray &page, const QByteArray &word)
{
    const qsizetype at = page.indexOf(word);
    const qsizetype valueAt = at + word.size() + 11;
    const qsizetype end = at < 0 ? -1 : page.indexOf('>', at);
    if (end < 0 || end - 1 < valueAt)
        return std::nullopt;
    return page.mid(valueAt, end - 1 - valueAt);
}

QByteArray keptPart(const QByteArray &page)
{
    qsizetype title = page.indexOf("<title>");
    if (title < 0)
        title = page.indexOf("<TITLE>");
    if (title < 0)
        return page;
    qsizetype closing = page.indexOf("</html>", title);
    if (closing < 0)
        closing = page.indexOf("</HTML>", title);
    return page.mid(title, closing < 0 ? -1 : closing + 7 - title);
}

struct Field
{
    QString text;
    std::optional<QByteArray> source; // while the text is exactly what the page held
};

bool typedBeyondAscii(const std::array<Field, 3> &fields)
{
    return std::any_of(fields.begin(), fields.end(), [](const Field &field) {
        return !field.source
            && std::any_of(field.text.begin(), field.text.end(), [](QChar c) { return c.unicode() >= 0x80; });
    });
}

// Typed values go out in the encoding the page was opened with; these pages
// declare none, so their bytes tell.
QByteArray savedFile(const std::array<Field, 3> &fields, const QByteArray &kept, bool utf8)
{
    QByteArray file = "<html>\r\n<head>\r\n<meta name=\"Author\" content=\"Corvantis\">\r\n"
                      "<meta name=\"GENERATOR\" content=\"Tagwright 2.0\">\r\n";
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const Field &field = fields[i];
        file += "<meta name=\"" + Words[i] + "\" content=\""
            + (field.source ? *field.source : encodeValue(field.text, utf8)) + "\">\r\n";
    }
    return file + kept + "\r\n";
}

// Files by name in the test folder; nothing for a folder.
using Disk = QMap<QString, std::optional<QByteArray>>;

struct Model
{
    std::array<Field, 3> fields;
    QString originalPath;
    QString newPath;
    QByteArray page = "Text10\r\n";
    bool pageIsUtf8 = true; // as found when it was opened
    // The file last opened, and whether another program has touched it since
    // it was opened or saved by the window.
    QString openedPath;
    qsizetype stampedSize = 0;
    bool changedOnDisk = false;
    Disk disk;
    qsizetype questions = 0;
    qsizetype errors = 0;
    qsizetype showings = 0;
    QString errorPath;
};

enum Command { Open, Type, Paste, Reset, Save, SaveAs, EditPath, OutsideChange, CommandCount };

struct Mix
{
    std::array<int, CommandCount> weights;
    int longTextPercent; // pastes and page values long enough to meet the limits
    int sizeLimitPercent; // saves under a file size limit near the file's size
};

// Every save syncs the file and its folder; in memory that costs nothing, on a
// disk it makes the test eight times slower.
QString folderTemplate()
{
    const QFileInfo memory(QStringLiteral("/dev/shm"));
    return (memory.isDir() && memory.isWritable() ? memory.filePath() : QDir::tempPath())
        + QStringLiteral("/tagwright-model-XXXXXX");
}

QString shown(const QString &text)
{
    QString out = text.left(80);
    out.replace(QLatin1Char('\n'), QLatin1String("\\n")).replace(QLatin1Char('\r'), QLatin1String("\\r"));
    return QLatin1Char('"') + out + (text.size() > 80 ? QStringLiteral("...\" (%1)").arg(text.size()) : "\"");
}

QString shown(const QByteArray &bytes)
{
    QString out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += byte >= 0x20 && byte < 0x7F ? QString(QLatin1Char(c))
                                           : QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    }
    return QLatin1Char('"') + out + QLatin1Char('"');
}

// Where two byte strings part, with a little on either side.
QString whereTheyDiffer(const QByteArray &window, const QByteArray &model)
{
    qsizetype at = 0;
    while (at < window.size() && at < model.size() && window[at] == model[at])
        ++at;
    const qsizetype from = std::max<qsizetype>(at - 40, 0);
    return QStringLiteral("%1 and %2 bytes, from byte %3: window %4, model %5")
        .arg(window.size())
        .arg(model.size())
        .arg(from)
        .arg(shown(window.mid(from, 80)), shown(model.mid(from, 80)));
}

class Sequence
{
public:
    Sequence(quint32 seed, const Mix &mix)
        : m_rng(seed)
        , m_mix(mix)
        , m_folder(folderTemplate())
    { }

    // Runs the steps and gives a description of the first difference, or nothing.
    QString run();
    const QStringList &log() const { return m_log; }
    // How often each situation worth reaching came up.
    const QMap<QString, int> &reached() const { return m_reached; }

private:
    QString path(const QString &name) const { return m_folder.filePath(name); }
    QString nameOf(const QString &target) const { return QDir(m_folder.path()).relativeFilePath(target); }
    void reach(const char *situation) { ++m_reached[QLatin1String(situation)]; }
    bool chance(int percent) { return int(m_rng.bounded(100)) < percent; }
    template<typename T> T pick(const QList<T> &list) { return list[qsizetype(m_rng.bounded(quint32(list.size())))]; }
    QString describe(const QString &target) const
    {
        return shown(target.startsWith(QLatin1Char('/')) ? nameOf(target) : target);
    }

    QByteArray makePage();
    QString randomText(const QString &alphabet, qsizetype length);
    QString candidatePath();
    std::optional<QString> dialogAnswer(QString &described);
    Answer confirmation();
    void step(int number);
    void open();
    void typeOrPaste(bool paste);
    void reset();
    void editPath();
    void save(bool asNew);
    void outsideChange();
    bool write(const QString &target, const QByteArray &bytes, qint64 limit);
    QString difference();

    QRandomGenerator m_rng;
    Mix m_mix;
    QTemporaryDir m_folder;
    WindowUnderTest m_ui;
    Model m_model;
    QStringList m_log;
    QMap<QString, int> m_reached;
};

QString Sequence::randomText(const QString &alphabet, qsizetype length)
{
    const QList<uint> characters = alphabet.toUcs4();
    QString text;
    for (qsizetype i = 0; i < length; ++i) {
        const auto character = static_cast<char32_t>(pick(characters));
        text += QString::fromUcs4(&character, 1);
    }
    return text;
}

// A page with or without each meta tag and title tag, values with line breaks,
// quotes and '>', in UTF-8 or windows-1252.
QByteArray Sequence::makePage()
{
    const bool utf8 = chance(50);
    QByteArray tags;
    for (const QByteArray &word : Words) {
        // A '>' would end a long value early.
        const bool isLong = chance(m_mix.longTextPercent);
        const QByteArray value = encodeValue(
            randomText(QStringLiteral("ab Z\"<&\r\n\u00e9\u00fc\u20ac\u201c\u2026\u03a9") + (isLong ? "" : ">"),
                isLong ? 500 + m_rng.bounded(700) : m_rng.bounded(12)),
            utf8);
        // Found, found in capitals, found with " />", not found, unusable, missing.
        tags += pick<QByteArray>(
            { "<meta name=\"W\" content=\"V\">\r\n", "<META NAME=\"W\" CONTENT=\"V\">",
                "<meta name=\"W\" content=\"V\" />\r\n", "<meta name=\"w\" content=\"V\">\r\n", "<b>W</b>\r\n", "" })
                    .replace("W", word)
                    .replace("w", word.toLower())
                    .replace("V", value);
    }
    const QByteArray title = pick<QByteArray>({ "<title>Shop</title>", "<TITLE>Shop</TITLE>", "<Title>x</Title>", "" });
    const QByteArray head = chance(30) ? title + tags : tags + title;
    return (utf8 && chance(20) ? "\xEF\xBB\xBF" : "")
        + pick<QByteArray>({ "<html><head>\r\n", "<HTML>", "<!-- </html> -->", "" }) + head + "</head><body>"
        + encodeValue(QStringLiteral("Caf\u00e9 \u20ac"), utf8) + "</body>"
        + pick<QByteArray>({ "</html>\r\n", "</HTML>", "</html>\r\n<!-- after -->\r\n", "" });
}

QString Sequence::candidatePath()
{
    QStringList names { QStringLiteral("folder.html"), QStringLiteral("missing/page.html"),
        QStringLiteral("new%1.html").arg(m_rng.bounded(3)) };
    for (auto it = m_model.disk.cbegin(); it != m_model.disk.cend(); ++it) {
        if (it.value())
            names += { it.key(), it.key() }; // files that exist come up more often
    }
    if (!m_model.openedPath.isEmpty() && chance(30))
        return m_model.openedPath;
    return path(pick(names));
}

// A file picked, an empty name, or a cancel.
std::optional<QString> Sequence::dialogAnswer(QString &described)
{
    const quint32 kind = m_rng.bounded(12u);
    const std::optional<QString> answer = kind <= 1 ? std::nullopt
        : kind == 2                                 ? std::optional<QString>(QString())
                                                    : candidatePath();
    described = answer ? describe(*answer) : QStringLiteral("cancel");
    return answer;
}

Answer Sequence::confirmation()
{
    const quint32 kind = m_rng.bounded(10u);
    return kind < 7 ? Answer::Yes : kind < 9 ? Answer::No : Answer::Cancel;
}

void Sequence::open()
{
    const bool button = chance(50);
    QString described;
    const std::optional<QString> answer = dialogAnswer(described);
    m_log += QStringLiteral("Open by %1, dialog %2")
                 .arg(button ? QStringLiteral("button") : QStringLiteral("menu"), described);
    m_ui.fileDialog.answers = { answer };
    m_ui.run(button ? QStringLiteral("Command1") : QStringLiteral("Open"));

    ++m_model.showings;
    if (!answer || answer->isEmpty())
        return;
    const std::optional<QByteArray> file = m_model.disk.value(nameOf(*answer));
    if (!file) {
        reach("an open refused");
        ++m_model.errors;
        m_model.errorPath = *answer;
        return;
    }
    reach("a page opened");
    m_model.originalPath = m_model.openedPath = *answer;
    m_model.page = *file;
    m_model.pageIsUtf8 = isUtf8(*file);
    m_model.stampedSize = file->size();
    m_model.changedOnDisk = false;
    if (!button && !file->contains("Title"))
        return;
    for (std::size_t i = 0; i < Words.size(); ++i) {
        if (const std::optional<QByteArray> value = readValue(*file, Words[i])) {
            const QString text = plainBreaks(decodeValue(*value, m_model.pageIsUtf8));
            const QString kept = leftWhole(text, Limits[i]);
            if (kept.size() < text.size())
                reach("a page's value cut to its field");
            m_model.fields[i] = { kept, kept.size() == text.size() ? value : std::nullopt };
        }
    }
}

void Sequence::typeOrPaste(bool paste)
{
    const auto i = std::size_t(m_rng.bounded(3));
    Field &field = m_model.fields[i];
    qsizetype at = m_rng.bounded(quint32(field.text.size() + 1));
    if (at > 0 && field.text[at - 1].isHighSurrogate())
        --at;
    app::MetaFieldEdit *edit = m_ui.field(FieldNames[i]);
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(int(at));
    edit->setTextCursor(cursor);

    QString added;
    if (paste) {
        const qsizetype length = chance(m_mix.longTextPercent) ? 300 + m_rng.bounded(900) : 1 + m_rng.bounded(20);
        const QString text = randomText(QStringLiteral("xy \"<>\r\n\u00e9\u20ac\U0001F600"), length);
        m_log += QStringLiteral("Paste %1 into %2 at %3").arg(shown(text), FieldNames[i]).arg(at);
        QGuiApplication::clipboard()->setText(text);
        edit->paste();
        added = leftWhole(plainBreaks(text), Limits[i] - field.text.size());
    } else {
        const QString text = randomText(QStringLiteral("ab Z\"<>&\n\u00e9\u20ac\u03a9"), 1 + m_rng.bounded(15));
        m_log += QStringLiteral("Type %1 into %2 at %3").arg(shown(text), FieldNames[i]).arg(at);
        typeText(edit, text);
        added = text.left(std::max<qsizetype>(Limits[i] - field.text.size(), 0));
    }
    if (field.text.size() + added.size() == Limits[i])
        reach("a field filled to its limit");
    if (!added.isEmpty()) {
        field.text.insert(at, added);
        field.source.reset();
    }
}

bool Sequence::write(const QString &target, const QByteArray &bytes, qint64 limit)
{
    const QString name = nameOf(target);
    const bool isFolder = m_model.disk.contains(name) && !m_model.disk.value(name);
    if (isFolder || name.contains(QLatin1Char('/')) || bytes.size() > limit) {
        reach(bytes.size() > limit ? "a write over the file size limit" : "a write to a bad target");
        ++m_model.errors;
        m_model.errorPath = target;
        return false;
    }
    reach(limit != NoLimit ? "a file written under a file size limit" : "a file written");
    if (std::any_of(m_model.fields.begin(), m_model.fields.end(), [](const Field &f) { return f.source.has_value(); }))
        reach("a page's value written back untouched");
    if (!m_model.pageIsUtf8 && typedBeyondAscii(m_model.fields))
        reach("a typed value written as windows-1252");
    m_model.disk[name] = bytes;
    m_model.page = keptPart(m_model.page);
    if (target == m_model.openedPath) {
        m_model.stampedSize = bytes.size();
        m_model.changedOnDisk = false;
    }
    return true;
}

// Save or Save As, by button or menu, with every answer, and sometimes under
// a file size limit that the file may or may not fit.
void Sequence::save(bool asNew)
{
    const bool button = chance(50);
    const Answer confirm = confirmation();
    const Answer overwrite = chance(50) ? Answer::Yes : Answer::No;
    QString described;
    const std::optional<QString> answer = asNew ? dialogAnswer(described) : std::nullopt;
    const QByteArray expected = savedFile(m_model.fields, keptPart(m_model.page), m_model.pageIsUtf8);
    qint64 limit = NoLimit;
    if (chance(m_mix.sizeLimitPercent))
        limit = std::max<qint64>(expected.size() + qint64(m_rng.bounded(41)) - 20, 1);

    const char *command = asNew ? (button ? "Command2" : "saveas") : (button ? "Command4" : "save");
    m_log += QStringLiteral("%1: %2%3%4")
                 .arg(QLatin1String(command),
                     QLatin1String(confirm == Answer::Yes ? "Yes"
                             : confirm == Answer::No      ? "No"
                                                          : "Cancel"),
                     asNew ? QStringLiteral(", dialog ") + described
                           : QStringLiteral(", if asked: ") + QLatin1String(overwrite == Answer::Yes ? "Yes" : "No"),
                     limit != NoLimit
                         ? QStringLiteral(", file size limit %1 for %2 bytes").arg(limit).arg(expected.size())
                         : QString());
    m_ui.prompts.answers = { confirm, overwrite };
    m_ui.fileDialog.answers = { answer };
    {
        std::optional<testsupport::FileSizeLimit> sizeLimit;
        if (limit != NoLimit)
            sizeLimit.emplace(limit);
        if (sizeLimit && !sizeLimit->isSet()) {
            m_log.last() += QStringLiteral(" (not set: %1)").arg(sizeLimit->error());
            limit = NoLimit;
        }
        m_ui.run(QLatin1String(command));
    }

    ++m_model.questions;
    if (confirm != Answer::Yes)
        return;
    if (asNew) {
        ++m_model.showings;
        if (!answer || answer->isEmpty())
            return;
        if (write(*answer, expected, limit) && button)
            m_model.newPath = *answer;
        return;
    }
    const QString target = m_model.originalPath;
    if (target.isEmpty())
        return;
    const bool otherFile = target != m_model.openedPath && m_model.disk.value(nameOf(target)).has_value();
    if ((target == m_model.openedPath && m_model.changedOnDisk) || otherFile) {
        reach(otherFile ? "another existing file asked about" : "a changed file asked about");
        ++m_model.questions;
        if (overwrite != Answer::Yes)
            return;
    }
    write(target, expected, limit);
}

// Another program appends to a file, deletes it, or writes it anew. The
// opened file's size always changes, so that the window can tell.
void Sequence::outsideChange()
{
    QStringList others;
    for (auto it = m_model.disk.cbegin(); it != m_model.disk.cend(); ++it) {
        if (it.value() && path(it.key()) != m_model.openedPath)
            others += it.key();
    }
    const bool opened = !m_model.openedPath.isEmpty() && (others.isEmpty() || chance(80));
    if (!opened && others.isEmpty())
        return;
    const QString name = opened ? nameOf(m_model.openedPath) : pick(others);
    std::optional<QByteArray> &file = m_model.disk[name];
    if (file && chance(30)) {
        m_log += QStringLiteral("Another program deletes %1").arg(name);
        QFile::remove(path(name));
        m_model.disk.remove(name);
    } else {
        file = file ? *file + "<!-- theirs -->\r\n"
                    : "<title>theirs</title>" + QByteArray(m_model.stampedSize + 1 + m_rng.bounded(9), '.');
        m_log += QStringLiteral("Another program writes %1 (%2 bytes)").arg(name).arg(file->size());
        testsupport::WriteFile(path(name), *file);
    }
    m_model.changedOnDisk = m_model.changedOnDisk || opened;
}

void Sequence::reset()
{
    m_log += QStringLiteral("RESET");
    m_ui.run(QStringLiteral("Command5"));
    m_model.fields = {};
    m_model.originalPath.clear();
    m_model.newPath.clear();
}

// Either path typed over by hand; only the original path counts for a command.
void Sequence::editPath()
{
    const bool original = chance(80);
    const QString text = chance(10) ? QString() : candidatePath();
    m_log += QStringLiteral("Edit %1 to %2")
                 .arg(original ? QStringLiteral("Text6") : QStringLiteral("Text7"), describe(text));
    m_ui.line(original ? "Text6" : "Text7")->setText(text);
    (original ? m_model.originalPath : m_model.newPath) = text;
}

void Sequence::step(int number)
{
    int total = 0;
    for (const int weight : m_mix.weights)
        total += weight;
    int draw = int(m_rng.bounded(total));
    int command = 0;
    while (draw >= m_mix.weights[std::size_t(command)])
        draw -= m_mix.weights[std::size_t(command++)];

    const qsizetype logged = m_log.size();
    const std::array<std::function<void()>, CommandCount> commands { [this] { open(); }, [this] { typeOrPaste(false); },
        [this] { typeOrPaste(true); }, [this] { reset(); }, [this] { save(false); }, [this] { save(true); },
        [this] { editPath(); }, [this] { outsideChange(); } };
    commands[std::size_t(command)]();
    for (qsizetype i = logged; i < m_log.size(); ++i)
        m_log[i].prepend(QStringLiteral("%1. ").arg(number));
    m_ui.prompts.answers.clear();
    m_ui.fileDialog.answers.clear();
}

QString Sequence::difference()
{
    for (std::size_t i = 0; i < 3; ++i) {
        if (m_ui.text(FieldNames[i]) != m_model.fields[i].text)
            return QStringLiteral("%1: window %2, model %3")
                .arg(FieldNames[i], shown(m_ui.text(FieldNames[i])), shown(m_model.fields[i].text));
    }
    if (m_ui.text("Text6") != m_model.originalPath || m_ui.text("Text7") != m_model.newPath)
        return QStringLiteral("paths: window %1 %2, model %3 %4")
            .arg(m_ui.text("Text6"), m_ui.text("Text7"), m_model.originalPath, m_model.newPath);
    if (m_ui.window.pageBuffer() != m_model.page)
        return QStringLiteral("page buffer: ") + whereTheyDiffer(m_ui.window.pageBuffer(), m_model.page);
    const ScriptedPrompts &prompts = m_ui.prompts;
    if (prompts.questions.size() != m_model.questions || prompts.errors.size() != m_model.errors
        || m_ui.fileDialog.showings.size() != m_model.showings)
        return QStringLiteral("questions, messages, dialogs: window %1 %2 %3, model %4 %5 %6 (last: %7)")
            .arg(prompts.questions.size())
            .arg(prompts.errors.size())
            .arg(m_ui.fileDialog.showings.size())
            .arg(m_model.questions)
            .arg(m_model.errors)
            .arg(m_model.showings)
            .arg(prompts.questions.value(prompts.questions.size() - 1) + " / "
                + prompts.errors.value(prompts.errors.size() - 1));
    if (!prompts.errors.isEmpty() && !prompts.errors.last().contains(QDir::toNativeSeparators(m_model.errorPath)))
        return QStringLiteral("the message %1 does not name %2").arg(prompts.errors.last(), m_model.errorPath);

    Disk disk;
    QDirIterator it(m_folder.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        disk[nameOf(file)] = it.fileInfo().isDir() ? std::nullopt : std::optional(testsupport::StateOf(file).bytes);
    }
    if (disk.keys() != m_model.disk.keys())
        return QStringLiteral("files: %1, model %2")
            .arg(disk.keys().join(QLatin1Char(' ')), m_model.disk.keys().join(QLatin1Char(' ')));
    for (auto file = disk.cbegin(); file != disk.cend(); ++file) {
        if (file.value() != m_model.disk.value(file.key()))
            return file.key() + QStringLiteral(": ")
                + whereTheyDiffer(
                    file.value().value_or("(folder)"), m_model.disk.value(file.key()).value_or("(folder)"));
    }
    return {};
}

QString Sequence::run()
{
    const int steps = 1 + int(m_rng.bounded(25));
    if (!m_folder.isValid() || !QDir(m_folder.path()).mkdir(QStringLiteral("folder.html")))
        return QStringLiteral("no test folder");
    m_model.disk[QStringLiteral("folder.html")] = std::nullopt;
    for (int i = 0; i < 4; ++i) {
        const QString name = QStringLiteral("page%1.html").arg(i);
        const QByteArray page = chance(5) ? QByteArray() : makePage();
        m_model.disk[name] = page;
        if (!testsupport::WriteFile(path(name), page))
            return QStringLiteral("cannot write ") + name;
    }
    for (int number = 1; number <= steps; ++number) {
        step(number);
        if (const QString found = difference(); !found.isEmpty())
            return found;
    }
    return {};
}

quint32 fromEnvironment(const char *name, quint32 fallback)
{
    bool ok = false;
    const uint value = qEnvironmentVariable(name).toUInt(&ok);
    return ok ? value : fallback;
}

} // namespace

Q_DECLARE_METATYPE(Mix)

class WindowModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void randomCommandsMatchTheModel_data();
    void randomCommandsMatchTheModel();
};

void WindowModel::randomCommandsMatchTheModel_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("sequences");
    QTest::addColumn<Mix>("mix");

    // Open, Type, Paste, Reset, Save, SaveAs, EditPath, OutsideChange.
    const auto row = [](const char *name, quint32 seed, int sequences, const Mix &mix) {
        QTest::newRow(name) << fromEnvironment("TAGWRIGHT_MODEL_SEED", seed)
                            << int(fromEnvironment("TAGWRIGHT_MODEL_SEQUENCES", quint32(sequences / SanitizerSlowdown)))
                            << mix;
    };
    row("every command", 1000000, 1000, { { 4, 3, 2, 1, 3, 3, 2, 2 }, 10, 10 });
    row("saves against other programs and failed writes", 2000000, 500, { { 3, 1, 1, 1, 5, 5, 3, 4 }, 5, 30 });
    row("typing and pasting at the limits", 3000000, 500, { { 2, 5, 5, 1, 2, 2, 1, 1 }, 40, 5 });
}

void WindowModel::randomCommandsMatchTheModel()
{
    QFETCH(quint32, seed);
    QFETCH(int, sequences);
    QFETCH(Mix, mix);

    QElapsedTimer timer;
    timer.start();
    qsizetype steps = 0;
    QMap<QString, int> reached;
    for (int i = 0; i < sequences; ++i) {
        Sequence sequence(seed + quint32(i), mix);
        const QString found = sequence.run();
        steps += sequence.log().size();
        for (auto it = sequence.reached().cbegin(); it != sequence.reached().cend(); ++it)
            reached[it.key()] += it.value();
        if (!found.isEmpty())
            QFAIL(qPrintable(found
                + QStringLiteral("\nafter these steps (replay: TAGWRIGHT_MODEL_SEED=%1 TAGWRIGHT_MODEL_SEQUENCES=1):\n")
                      .arg(seed + quint32(i))
                + sequence.log().join(QLatin1Char('\n'))));
    }
    qInfo("%d sequences, %lld steps, %lld ms", sequences, static_cast<long long>(steps),
        static_cast<long long>(timer.elapsed()));
    for (auto it = reached.cbegin(); it != reached.cend(); ++it)
        qInfo("%6d x %s", it.value(), qPrintable(it.key()));

    // A generator that has drifted would pass without reaching these.
    if (sequences < 100)
        return;
    for (const char *situation :
        { "a page opened", "an open refused", "a page's value cut to its field", "a field filled to its limit",
            "a file written", "a file written under a file size limit", "a write over the file size limit",
            "a write to a bad target", "a page's value written back untouched", "a typed value written as windows-1252",
            "a changed file asked about", "another existing file asked about" })
        QVERIFY2(reached.value(QLatin1String(situation)) > 0, situation);
}

QTEST_MAIN(WindowModel)
#include "tst_windowmodel.moc"
