#pragma once

#include "BatchCommands.h"

#include <QStringList>

class QIODevice;

namespace cli {

// Runs the command that arguments (the program's name first) ask for and
// returns the exit status. Help and errors go to the console, never exit().
// input is read when the sheet is "-".
int RunCommandLine(const QStringList &arguments, Console &console, QIODevice &input);

} // namespace cli
