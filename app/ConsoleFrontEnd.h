#pragma once
// A command-line run without a window: for --no-dialogs, and where there is no display. It reads
// the command line as the main window does and runs the same Convert command, with the messages
// on the console.
#include <cstdio>

#include "app/Options.h"
#include "app/Program.h"

namespace app {

// The exit code: 0 after a conversion (or the usage message), 1 when an error stopped it. The
// list of --print-files goes to `listing`.
int RunWithoutWindow(ProgramServices services, const Options& options, std::FILE* listing = stdout);

}  // namespace app
