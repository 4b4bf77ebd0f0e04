// Unique identifiers from the system's random source.
#pragma once

namespace platform::os {

// Fills 16 bytes from the system's random source; false (bytes zeroed) if it cannot be read.
bool CreateGuid(unsigned char out[16]);

}  // namespace platform::os
