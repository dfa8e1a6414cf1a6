// An empty stand-in for the signature check of downloaded clients: the bench
// links it instead (VEXA_BENCH_WITHOUT_SIGNED_UPDATES) to measure what the
// real one costs.
#include "update/UpdateSignature.h"

bool CheckSignedDownload(const UpdateKey*, const std::wstring&, const std::vector<unsigned char>&, std::wstring*) {
    return true;
}
