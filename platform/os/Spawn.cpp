#include "platform/os/Spawn.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

extern char** environ;

namespace platform::os {

int SpawnProcess(const std::string& program, const std::vector<std::string>& args) {
  if (program.empty()) return -1;
  std::vector<char*> argv;
  argv.reserve(args.size() + 2);
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  // posix_spawnp reports a program that cannot be executed as an error, not as a child
  // that exits at once.
  const int rc = ::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
  return rc == 0 ? static_cast<int>(pid) : -1;
}

bool WaitForProcess(int pid, int* exitCode) {
  if (pid <= 0) return false;
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(static_cast<pid_t>(pid), &status, 0);
  } while (r < 0 && errno == EINTR);
  if (r < 0) return false;
  if (exitCode) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return true;
}

bool SpawnDetached(const std::string& program, const std::vector<std::string>& args) {
  const int pid = SpawnProcess(program, args);
  if (pid < 0) return false;
  try {
    std::thread([pid] { WaitForProcess(pid, nullptr); }).detach();
  } catch (const std::system_error&) {
    // Without a waiter the finished child stays a zombie until we exit; it still ran.
  }
  return true;
}

}  // namespace platform::os
