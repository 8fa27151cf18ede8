// The libFuzzer entry of one fuzz target: STATUSOBJECT_FUZZ_ENTRY names the entry function (see
// targets/FuzzTargets.h). A broken invariant aborts, so libFuzzer keeps the input as a crash.
#include "targets/FuzzTargets.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        return STATUSOBJECT_FUZZ_ENTRY(data, size);
    } catch (const so::fuzz::Finding& finding) {
        std::fprintf(stderr, "FINDING: %s\n", finding.what());
        std::fflush(stderr);
        std::abort();
    }
}
