// The hardware address of the machine's first network adapter, read from the kernel's
// interface list. Loopback interfaces and interfaces without an address are passed over.
#pragma once

namespace platform::os {

// Writes the first adapter's address into an 8-byte field (unused bytes zero) and its length
// into *length. False when no adapter is found; the field is then all zero.
bool GetFirstAdapterAddress(unsigned char out[8], int* length);
// The same over another interface folder laid out like /sys/class/net (for tests).
bool GetFirstAdapterAddress(const char* netRoot, unsigned char out[8], int* length);

}  // namespace platform::os
