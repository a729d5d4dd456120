#pragma once
// Runs one of our programs the way a user does: a separate process started from an argument
// vector, with chosen environment variables, its output captured.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/TempDir.h"

extern char** environ;

namespace testsupport {

struct ProgramRun {
    int exitCode = -1;  // 128 + signal when the program was killed
    std::string out;
    std::string err;
};

// The current environment with each (name, value) of overrides set.
inline ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                             const std::vector<std::pair<std::string, std::string>>& overrides = {}) {
    TempDir capture;
    const auto outFile = capture / "out", errFile = capture / "err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);

    std::vector<std::string> argStore = {program};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        bool replaced = false;
        for (const auto& [name, value] : overrides) replaced |= entry.rfind(name + "=", 0) == 0;
        if (!replaced) envStore.push_back(entry);
    }
    for (const auto& [name, value] : overrides) envStore.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);

    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + program);
    int status = 0;
    while (::waitpid(pid, &status, 0) != pid)
        if (errno != EINTR) throw std::runtime_error("waitpid failed");
    ProgramRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = readFile(outFile);
    run.err = readFile(errFile);
    return run;
}

}  // namespace testsupport
