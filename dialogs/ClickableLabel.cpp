#include "ClickableLabel.h"

#include <QMouseEvent>

namespace dialogs {

bool EndsClick(const QWidget &widget, const QMouseEvent &event)
{
    return event.button() == Qt::LeftButton && widget.rect().contains(event.position().toPoint());
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (EndsClick(*this, *event))
        emit clicked();
}

} // namespace dialogs
