// Starting other programs (the URL opener, a host's browser) from an argument vector through
// posix_spawn. No shell is involved, so arguments reach the program exactly as given.
#pragma once

#include <string>
#include <vector>

namespace platform::os {

// Starts program (searched along PATH when it holds no "/") with args after argv[0].
// Returns the process id, or -1 when it could not be started.
int SpawnProcess(const std::string& program, const std::vector<std::string>& args);
// Waits for a process started by SpawnProcess; false when it cannot be waited for.
bool WaitForProcess(int pid, int* exitCode);
// Starts the program and lets it run on its own; its end is collected in the background.
bool SpawnDetached(const std::string& program, const std::vector<std::string>& args);

}  // namespace platform::os
