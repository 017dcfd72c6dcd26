#pragma once

#include <QFont>

class QWidget;

namespace app {

// The window's font: a narrow sans-serif of 8 points, for which the fixed
// sizes of its controls were made. Where the system's fonts run wider, half
// a point at a time is taken off (down to 7 points) until every caption
// under client fits its control whole.
QFont CaptionFont(const QWidget *client);

} // namespace app
