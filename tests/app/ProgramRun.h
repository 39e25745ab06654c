#pragma once
// The real program as a script on a server starts it: no display, no runtime directory,
// nothing on standard input. The test target defines DECKSHOT_EXE.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace testapp {

struct ProgramRun {
    int exitCode = -1;
    std::string errors;  // standard error
    std::string output;  // standard output
};

// Runs the program with `arguments` (shell words) in `directory`.
inline ProgramRun runProgram(const std::string& arguments, const std::string& directory = ".") {
    char outputFile[] = "/tmp/deckshot-stdout-XXXXXX";
    const int outputFd = mkstemp(outputFile);
    if (outputFd < 0)
        return ProgramRun{};
    close(outputFd);
    const std::string command =
        "cd \"" + directory + "\" && env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR " +
        std::string(DECKSHOT_EXE) + " " + arguments + " 2>&1 >" + outputFile + " </dev/null";
    ProgramRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        std::remove(outputFile);
        return run;
    }
    char buffer[512];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.errors.append(buffer, n);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ostringstream output;
    output << std::ifstream(outputFile).rdbuf();
    run.output = output.str();
    std::remove(outputFile);
    return run;
}

}  // namespace testapp
