#include "MetaFieldEdit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace app {

namespace {

// The first count UTF-16 units of text, one less when the cut would split a
// surrogate pair.
QString leftWhole(const QString &text, qsizetype count)
{
    if (count >= text.size())
        return text;
    if (count > 0 && text.at(count - 1).isHighSurrogate())
        --count;
    return text.left(count);
}

bool insertsText(const QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return true;
    const QString text = event->text();
    return !text.isEmpty() && (text.at(0).isPrint() || text.at(0).isSurrogate());
}

} // namespace

MetaFieldEdit::MetaFieldEdit(qsizetype maxLength, QWidget *parent)
    : QPlainTextEdit(parent)
    , m_maxLength(maxLength)
{
    // Lines wrap at the field's width, so only a vertical bar could show.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    // An edit drops the source bytes; setValue() sets them again after its own change.
    connect(this, &QPlainTextEdit::textChanged, this, [this] { m_sourceBytes.reset(); });
}

metatags::FieldValue MetaFieldEdit::value() const
{
    // Not toPlainText(): it turns non-breaking spaces into plain ones.
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return { text, m_sourceBytes };
}

void MetaFieldEdit::setValue(const metatags::FieldValue &value)
{
    const QString shown = metatags::WithPlainLineBreaks(value.text);
    const QString kept = leftWhole(shown, m_maxLength);
    setPlainText(kept);
    m_sourceBytes = kept.size() == shown.size() ? value.sourceBytes : std::nullopt;
}

qsizetype MetaFieldEdit::room() const
{
    const QTextCursor cursor = textCursor();
    const qsizetype used = document()->characterCount() - 1;
    return m_maxLength - used + (cursor.selectionEnd() - cursor.selectionStart());
}

QString MetaFieldEdit::cutToRoom(const QString &text) const
{
    return leftWhole(text, std::max<qsizetype>(room(), 0));
}

void MetaFieldEdit::keyPressEvent(QKeyEvent *event)
{
    if (insertsText(event)) {
        // Return and Enter carry "\r" and add one line break.
        if (std::max<qsizetype>(event->text().size(), 1) > room())
            return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void MetaFieldEdit::inputMethodEvent(QInputMethodEvent *event)
{
    QInputMethodEvent cut(event->preeditString(), event->attributes());
    cut.setCommitString(cutToRoom(event->commitString()), event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&cut);
}

void MetaFieldEdit::insertFromMimeData(const QMimeData *source)
{
    if (!source->hasText())
        return;
    insertPlainText(cutToRoom(metatags::WithPlainLineBreaks(source->text())));
}

} // namespace app
