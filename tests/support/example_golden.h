// The check every family makes of its example schematic: the host describes it as the main
// job runs it, and the text is the golden one.
#pragma once

#include "tests/support/host_run.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace qv_test {

// Describes examples/<example>.json in a scratch folder; the description must be the test
// data's <example>.desc.
inline void ExpectExampleDescribedAsGolden(const std::string& example) {
    ScratchFolder folder(example + "_example");
    const std::string out = folder / "example.desc";
    ASSERT_EQ(0, RunHost("describe '" PARVEL_SOURCE_DIR "/examples/" + example + ".json' -o '" + out + "'"));
    EXPECT_EQ(ReadFile(PARVEL_TEST_DATA "/" + example + ".desc"), ReadFile(out));
}

} // namespace qv_test
