// libFuzzer target of the walk of a downloaded client's headers: any bytes
// as the whole downloaded file. The sanitizers catch every read outside
// them. The walk depends on nothing past what it checked to be inside the
// bytes, so bytes appended to the file never change what it found.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "update/PeImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint16_t machine = ExecutableMachine(data, size);
    uint64_t version = 0;
    const bool found = FindFileVersion(data, size, &version);
    if (machine == 0 && !found) return 0;

    static std::vector<uint8_t> longer;  // kept: a client is more than a MiB
    longer.assign(data, data + size);
    longer.resize(size + 4096, 0xA5);
    uint64_t again = 0;
    if (machine != 0 && ExecutableMachine(longer.data(), longer.size()) != machine) ::abort();
    if (found && (!FindFileVersion(longer.data(), longer.size(), &again) || again != version)) ::abort();
    return 0;
}
