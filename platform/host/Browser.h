// The browser that opens the game's links: "xdg-open", or the program a host named, started
// from an argument vector with posix_spawn (never a shell, so a link cannot run commands).
// Headless runs start nothing and remember the addresses for the tests to read.
#pragma once

#include <string>
#include <vector>

namespace platform::host {

// False when the program could not be started.
bool OpenInBrowser(const std::string& program, const std::string& url);

// Headless only: the addresses opened so far, oldest first.
std::vector<std::string> OpenedUrls();
void ClearOpenedUrls();

}  // namespace platform::host
