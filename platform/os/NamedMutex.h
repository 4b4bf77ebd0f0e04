// A per-user named lock for single-instance checks: an advisory lock on a file named after
// the mutex in $XDG_RUNTIME_DIR, else in the user's data folder. The lock goes with the
// process, also when it dies.
#pragma once

#include <string>

namespace platform::os {

class NamedMutex {
public:
  enum class Result { Created, AlreadyExists, Failed };

  NamedMutex() = default;
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;
  ~NamedMutex();

  // Claims the name; AlreadyExists when another holder (any process) has it.
  Result Create(const std::string& name);
  void Close();
  bool IsHeld() const { return mFd >= 0; }
  // The lock file used for a name.
  static std::string LockFilePath(const std::string& name);

private:
  int mFd = -1;
};

}  // namespace platform::os
