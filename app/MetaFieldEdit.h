#pragma once

#include <MetaFields.h>

#include <QPlainTextEdit>

namespace app {

// A meta value field: several lines, word-wrapped, no scroll bars, Tab moves
// on and Enter breaks the line. It holds at most maxLength characters however
// they arrive (typed, pasted, dropped or put in by an open), cutting what does
// not fit. A value read from a page keeps its source bytes until the user
// edits it, so that an untouched value is written back byte for byte.
class MetaFieldEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit MetaFieldEdit(qsizetype maxLength, QWidget *parent = nullptr);

    // The text with "\n" for every line break, and the source bytes while untouched.
    metatags::FieldValue value() const;
    // Shows the value with its line breaks (CR LF, LF or CR); a value that is
    // too long is cut and loses its source bytes.
    void setValue(const metatags::FieldValue &value);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // How many more characters fit in place of the current selection.
    qsizetype room() const;
    QString cutToRoom(const QString &text) const;

    qsizetype m_maxLength;
    std::optional<QByteArray> m_sourceBytes;
};

} // namespace app
