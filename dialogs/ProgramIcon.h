#pragma once

#include <QIcon>
#include <QPixmap>

namespace dialogs {

// The program's motif: a white X on a red disc, on a dark-blue square. Drawn
// rather than shipped, so that it is sharp at every size.
QPixmap ProgramPicture(int size);

// The motif at the usual icon sizes, for the windows' title bars.
QIcon ProgramIcon();

} // namespace dialogs
