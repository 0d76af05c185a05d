// The start of a wizard fuzz target that needs nothing but the plug-in's resources, for the
// pages its readers create. The pages still keep their column widths in a user profile, so the
// target gets a profile of its own in the temporary folder: a fuzz run never writes the user's.
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) { return fuzzsetup::LoadPluginWithOwnProfile("fuzz_target_profile"); }
