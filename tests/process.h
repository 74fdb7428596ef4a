#ifndef QUORVANE_TESTS_PROCESS_H
#define QUORVANE_TESTS_PROCESS_H

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using Env = std::vector<std::pair<std::string, std::string>>;

// A child process started with extra environment (an empty value unsets the
// variable) and stdout and stderr sent to a file of its own. The child dies
// with the test process; the destructor ends it if it is still running.
class Process {
  public:
    Process(const std::vector<std::string>& argv, const Env& env);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Exit status (128 + N for signal N), or nothing if it has not ended in time.
    std::optional<int> wait(std::chrono::milliseconds limit);
    bool running();
    void signal(int sig) const;
    // Everything the child wrote to stdout and stderr so far.
    std::string output() const;

  private:
    pid_t pid_ = -1;
    std::optional<int> status_;
    std::string outputPath_;
};

// Runs a command to its end within the limit; its exit status (nothing on a
// time-out, after killing it) and what it wrote.
struct Ran {
    std::optional<int> status;
    std::string output;
};
Ran run(const std::vector<std::string>& argv, const Env& env = {},
        std::chrono::milliseconds limit = std::chrono::seconds(60));

std::string readFile(const std::string& path);

#endif
