// The equation block's parameter set and a fixture that finds the pre-compiler module in the
// module folder (or wherever a test points the installation folder).
#pragma once

#include "../blocks_linear/blocks_support.h"

#include "equations/equation_block.h"
#include "wizard/environment.h"

namespace equations_test {

using namespace blocks_test;

inline std::vector<ParamRow> BlockRows() {
    return {
        {.id = 2278, .name = "INPUT", .value = "0", .type = 0x6, .description = "Input %d"},
        {.id = 2278, .name = "INPUT[1]", .value = " u"},
        {.id = 2278, .name = "INPUT[2]", .value = "v", .deletable = TRUE},
        {.id = 2279, .name = "EQU", .value = "", .type = 0x6, .description = "Equation"},
        {.id = 2279, .name = "EQ1", .value = "OUT[1]:=INPUT[1]*2", .deletable = TRUE},
        {.id = 2279, .name = "EQ2", .value = "OUT[2]:=INPUT[2]", .deletable = TRUE},
        {.id = 2183, .name = "TS", .value = "0", .quantity = "Time", .unit = "s"},
        {.id = 2056, .name = "VAL", .value = "", .type = 0xA, .description = "Output %d"},
        {.id = 2056, .name = "VAL[1]", .value = "", .type = 0x8},
        {.id = 2057, .name = "VAR", .value = "0", .type = 0xA, .description = "Variable"},
    };
}

class EquationsTest : public BlocksTest {
protected:
    void SetUp() override {
        BlocksTest::SetUp();
        qv::SetQuorvatixPath(PARVEL_MODULE_DIR);
    }
    void TearDown() override {
        qv::SetQuorvatixPath("");
        BlocksTest::TearDown();
    }
};

} // namespace equations_test
