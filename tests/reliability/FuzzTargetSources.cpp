// The fuzz entry functions, compiled into this test executable from fuzz/targets so that the
// ordinary (gcc) test run replays every kept fuzz input through exactly the code the fuzzers run.
// Each target keeps its helpers in an anonymous namespace under names of its own, so the targets
// share this one translation unit.
#include "../../fuzz/targets/AddressTarget.cpp"
#include "../../fuzz/targets/FuzzSite.cpp"
#include "../../fuzz/targets/LayoutTarget.cpp"
#include "../../fuzz/targets/StateChangeTarget.cpp"
#include "../../fuzz/targets/StatusTextTarget.cpp"
#include "../../fuzz/targets/SyncPipeTarget.cpp"
#include "../../fuzz/targets/TSqlTarget.cpp"
