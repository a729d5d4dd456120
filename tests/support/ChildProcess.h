#pragma once
// One of our programs running as a separate process while the test goes on: started from an
// argument vector with a chosen environment (variables set and removed) and working folder,
// its standard error read as it comes (a pipe), its standard output kept in a file. The test
// can wait for a line on standard error, send a signal, and then wait for the end.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/RunProgram.h"
#include "support/TempDir.h"

namespace testsupport {

struct ChildEnvironment {
    std::vector<std::pair<std::string, std::string>> set;
    std::vector<std::string> unset;
};

class ChildProcess {
  public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const ChildEnvironment& env = {},
                 const std::filesystem::path& workingFolder = {}) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
        m_err = fds[0];
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, (m_capture / "out").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
        if (!workingFolder.empty())
            posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());

        std::vector<std::string> argStore = {program};
        argStore.insert(argStore.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : argStore) argv.push_back(a.data());
        argv.push_back(nullptr);

        std::vector<std::string> envStore;
        auto named = [](const std::string& entry, const std::string& name) {
            return entry.rfind(name + "=", 0) == 0;
        };
        for (char** e = environ; *e; ++e) {
            const std::string entry(*e);
            bool drop = false;
            for (const auto& [name, value] : env.set) drop |= named(entry, name);
            for (const auto& name : env.unset) drop |= named(entry, name);
            if (!drop) envStore.push_back(entry);
        }
        for (const auto& [name, value] : env.set) envStore.push_back(name + "=" + value);
        std::vector<char*> envp;
        for (auto& e : envStore) envp.push_back(e.data());
        envp.push_back(nullptr);

        const int rc =
            ::posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);  // the child holds the only writing end: its end is the pipe's end
        if (rc != 0) {
            ::close(m_err);
            throw std::runtime_error("cannot start " + program);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // A program still running when the test gives up is killed.
    ~ChildProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            int status = 0;
            while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
        ::close(m_err);
    }

    // Reads standard error until it holds text; false when the program closed it before.
    bool waitForError(std::string_view text) {
        while (m_errText.find(text) == std::string::npos)
            if (!readSome()) return false;
        return true;
    }
    void signal(int sig) { ::kill(m_pid, sig); }

    // Reads standard error to its end and waits for the program to end.
    ProgramRun wait() {
        while (readSome()) {
        }
        ProgramRun run;
        run.exitCode = reap();
        run.out = readFile(m_capture / "out");
        run.err = m_errText;
        return run;
    }

  private:
    bool readSome() {
        char buffer[4096];
        while (true) {
            const ssize_t n = ::read(m_err, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            m_errText.append(buffer, static_cast<std::size_t>(n));
            return true;
        }
    }
    int reap() {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) != m_pid)
            if (errno != EINTR) throw std::runtime_error("waitpid failed");
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    TempDir m_capture;
    pid_t m_pid = -1;
    int m_err = -1;
    std::string m_errText;
};

}  // namespace testsupport
