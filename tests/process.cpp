#include "process.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

Process::Process(const std::vector<std::string>& argv, const Env& env) {
    char path[] = "/tmp/quorvane-test-output-XXXXXX";
    const int out = mkstemp(path);
    outputPath_ = path;
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        close(out);
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        close(devNull);
        for (const auto& [name, value] : env) {
            if (value.empty()) {
                unsetenv(name.c_str());
            } else {
                setenv(name.c_str(), value.c_str(), 1);
            }
        }
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(out);
}

// SIGTERM first, so that an X server removes its socket and lock file; SIGKILL
// for whatever has not ended after a few seconds.
Process::~Process() {
    if (running()) {
        signal(SIGTERM);
        if (!wait(std::chrono::seconds(5))) {
            signal(SIGKILL);
            wait(std::chrono::seconds(10));
        }
    }
    unlink(outputPath_.c_str());
}

std::optional<int> Process::wait(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!status_ && pid_ > 0) {
        int raw = 0;
        const pid_t done = waitpid(pid_, &raw, WNOHANG);
        if (done == pid_) {
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        } else if (done < 0 || std::chrono::steady_clock::now() >= deadline) {
            break;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    return status_;
}

bool Process::running() {
    return pid_ > 0 && !wait(std::chrono::milliseconds(0));
}

void Process::signal(int sig) const {
    if (pid_ > 0 && !status_) {
        kill(pid_, sig);
    }
}

std::string Process::output() const {
    return readFile(outputPath_);
}

Ran run(const std::vector<std::string>& argv, const Env& env, std::chrono::milliseconds limit) {
    Process child(argv, env);
    Ran ran;
    ran.status = child.wait(limit);
    ran.output = child.output();
    return ran;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
