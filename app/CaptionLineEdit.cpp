#include "CaptionLineEdit.h"

#include <ClickableLabel.h>

#include <QApplication>
#include <QMouseEvent>

namespace app {

CaptionLineEdit::CaptionLineEdit(const QString &text, QWidget *parent)
    : QLineEdit(text, parent)
{
    setFrame(false);
    setFocusPolicy(Qt::ClickFocus);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, QApplication::palette("QMenu").color(QPalette::Window));
    setPalette(colours);
    setCursorPosition(0);
}

void CaptionLineEdit::mouseReleaseEvent(QMouseEvent *event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (dialogs::EndsClick(*this, *event))
        emit clicked();
}

} // namespace app
