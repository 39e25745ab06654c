#pragma once
// The real program as a script on a server starts it: no display, no runtime directory,
// nothing on standard input. The test target defines DECKSHOT_EXE.
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace testapp {

struct ProgramRun {
    int exitCode = -1;
    std::string errors;  // standard error
};

// Runs the program with `arguments` (shell words) in `directory`, with `environment` (shell
// words NAME=value) added.
inline ProgramRun runProgram(const std::string& arguments, const std::string& directory = ".",
                             const std::string& environment = "") {
    const std::string command = "cd \"" + directory +
                                "\" && env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR " +
                                environment + " " + std::string(DECKSHOT_EXE) + " " + arguments +
                                " 2>&1 >/dev/null </dev/null";
    ProgramRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[512];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.errors.append(buffer, n);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace testapp
