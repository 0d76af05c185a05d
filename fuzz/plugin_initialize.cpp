// The start of a wizard fuzz target that needs nothing but the plug-in's resources, for the
// pages its readers create.
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsetup::LoadPlugin();
    return 0;
}
