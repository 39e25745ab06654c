#pragma once
// The real program as a script on a server starts it: no display, no runtime directory,
// nothing on standard input. The test target defines DECKSHOT_EXE.
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

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

// Runs the program with `arguments` (shell words) in `directory`, with `environment` (shell
// words NAME=value) added.
inline ProgramRun runProgram(const std::string& arguments, const std::string& directory = ".",
                             const std::string& environment = "") {
    char outputFile[] = "/tmp/deckshot-stdout-XXXXXX";
    const int outputFd = mkstemp(outputFile);
    if (outputFd < 0)
        return ProgramRun{};
    close(outputFd);
    const std::string command = "cd \"" + directory +
                                "\" && env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR " +
                                environment + " " + std::string(DECKSHOT_EXE) + " " + arguments +
                                " 2>&1 >" + outputFile + " </dev/null";
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

// Runs the program as from a terminal window, but without a display and with nothing to read:
// standard output and standard error are a pseudo-terminal, and `errors` is all that was
// written there (the terminal turns each "\n" into "\r\n").
inline ProgramRun runOnTerminal(const std::vector<std::string>& arguments,
                                const std::string& directory) {
    ProgramRun run;
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child < 0)
        return run;
    if (child == 0) {
        std::vector<char*> argv{const_cast<char*>(DECKSHOT_EXE)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        if (chdir(directory.c_str()) != 0 || !std::freopen("/dev/null", "r", stdin))
            _exit(126);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        unsetenv("XDG_RUNTIME_DIR");
        execv(DECKSHOT_EXE, argv.data());
        _exit(127);
    }
    char buffer[512];
    for (;;) {
        const ssize_t n = read(terminal, buffer, sizeof buffer);
        if (n > 0)
            run.errors.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;  // EIO: the program and everything it started closed the terminal
    }
    close(terminal);
    int status = 0;
    waitpid(child, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace testapp
