#pragma once

#include <QLabel>

class QMouseEvent;

namespace dialogs {

// Whether a mouse release ends a click on widget, as on a link: the left
// button let go over it. Dragging off the widget first takes the click back.
bool EndsClick(const QWidget &widget, const QMouseEvent &event);

// A label that reports a click, as a link does: a left-button press released
// over the label.
class ClickableLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

} // namespace dialogs
