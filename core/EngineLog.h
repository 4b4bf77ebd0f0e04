// The engine's debug log "logfile.txt" and the program's identifiers (GUIDs, computer id).
// The log is bounded: past 102400 bytes it wraps back to byte 51200 behind a banner, so the
// first 51200 bytes of a run always survive.
#pragma once

#include <cstdint>

#include "core/str.h"

// Starts a fresh log in the folder (created when missing), beginning with the lines logged
// while no log was open; null turns logging off and drops those lines.
void OpenEngineLog(const char* folder);
// The log file's path; empty while logging is off.
str GetLogFilePath();
// Writes one time-stamped line; while no log is open the line is kept (up to a bound) for the
// next log opened.
void EngineLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Fills 16 bytes with a new random identifier.
void NewGuid(unsigned char out[16]);
// A new identifier as 32 lower-case hex digits.
str NewGuidString();
// The 16-character computer identifier derived from the first network adapter's address.
str MakeComputerId();
// The same identifier for a given 8-byte address field (exposed so it can be checked).
str MakeComputerIdFromAddress(const unsigned char address[8]);
