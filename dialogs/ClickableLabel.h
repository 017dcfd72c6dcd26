#pragma once

#include <QLabel>

namespace dialogs {

// A label that reports a click, as a link does: a left-button press released
// over the label.
class ClickableLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

} // namespace dialogs
