// What the check of a downloaded client reads from its bytes: the PE headers
// and the version resource. No Windows here: the bytes come from whoever
// answered the download, so this walk is unit-tested and fuzzed natively.
// Every offset and size in the image is checked against the bytes given.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMachineAmd64 = 0x8664;

// The machine type of a whole executable image, or 0 when the bytes are not
// one: the DOS, PE and optional headers (PE32 or PE32+) inside the bytes, an
// executable (not a DLL), at least one section, and every section's data
// inside the bytes (a cut download loses the last ones).
uint16_t ExecutableMachine(const uint8_t* image, size_t size);

// The file version of the image's version resource as one number (major in
// the top 16 bits): the fixed part (dwFileVersionMS, dwFileVersionLS) of the
// resource of type RT_VERSION and id 1, first language, as Windows finds it.
// False when there is none, or when any directory, entry or the resource's
// data lies outside the bytes or is not what it claims to be.
bool FindFileVersion(const uint8_t* image, size_t size, uint64_t* version);
