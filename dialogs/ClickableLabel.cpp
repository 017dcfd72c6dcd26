#include "ClickableLabel.h"

#include <QMouseEvent>

namespace dialogs {

void ClickableLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    // Dragging off the label before letting go takes the click back.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

} // namespace dialogs
