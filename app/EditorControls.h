#pragma once

#include <MetaTag.h>

class QLineEdit;
class QPushButton;
class QWidget;

namespace app {

class CaptionLineEdit;
class MetaFieldEdit;

// The controls of the main window that its commands use.
struct EditorControls
{
    metatags::PerTag<MetaFieldEdit *> fields {};
    QLineEdit *originalPath = nullptr;
    QLineEdit *newPath = nullptr;
    CaptionLineEdit *submissionLine = nullptr;

    QPushButton *open = nullptr;
    QPushButton *save = nullptr;
    QPushButton *saveAs = nullptr;
    QPushButton *submit = nullptr;
    QPushButton *reset = nullptr;
};

// Builds every control of the main window inside client at its fixed place,
// with its caption, object name, stacking and Tab order.
EditorControls BuildEditorControls(QWidget *client);

} // namespace app
