#pragma once

#include <QLineEdit>

namespace app {

// A one-line text field dressed as a label (menu-coloured background, no
// frame) that is left out of the Tab order but takes a click, and says so.
class CaptionLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit CaptionLineEdit(const QString &text, QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

} // namespace app
