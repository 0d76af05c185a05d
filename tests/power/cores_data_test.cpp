// The core pages' additional data: golden bytes built from the layout, and crafted blocks that
// must not be read past their ends.
#include "power/cores.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qv::power::cores::EddyCurrentSettings;
using qv::power::cores::LoadCoreAdditionalData;

std::vector<BYTE> Dword(DWORD v) { return {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)}; }

std::vector<BYTE> Join(std::initializer_list<std::vector<BYTE>> parts)
{
    std::vector<BYTE> out;
    for (const auto& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// DWORD 10 and the three texts as one-byte-length archive strings.
const std::vector<BYTE> kDefaultArchive = Join({Dword(10), {1, '2'}, {1, '0'}, {1, '0'}});

TEST(CoresData, DefaultBlockOfThePageWithUnitsIsGolden)
{
    const EddyCurrentSettings defaults;
    const std::vector<BYTE> expected =
        Join({Dword(0), Dword(0), Dword(0), Dword(10), kDefaultArchive, Dword(0), Dword(0)});
    EXPECT_EQ(qv::power::cores::StoreCoreAdditionalData(defaults), expected);
    EXPECT_EQ(expected.size(), 34u);
}

TEST(CoresData, BlockOfThePageWithFixedUnitsIsTwentyFourBytes)
{
    for (DWORD on : {0u, 1u}) {
        const auto block = qv::power::cores::StoreFixedCoreAdditionalData(on);
        EXPECT_EQ(block, Join({Dword(on), Dword(0), Dword(0), Dword(0), Dword(0), Dword(0)}));
    }
}

TEST(CoresData, SettingsSurviveStoreAndLoad)
{
    struct Case {
        DWORD on;
        std::string resistivity;
        std::string c1;
        std::string c2;
    } cases[] = {
        {1, "5", "0", "0"},
        {0, "1.7e-8", "3m", "4u"},
        {1, "", "", ""},
        {1, std::string(300, 'r'), std::string(70000, 'c'), "x"},  // longer length prefixes
    };
    for (const Case& c : cases) {
        EddyCurrentSettings stored;
        stored.switchedOn = c.on;
        stored.resistivity = c.resistivity.c_str();
        stored.coefficient1 = c.c1.c_str();
        stored.coefficient2 = c.c2.c_str();
        const auto block = qv::power::cores::StoreCoreAdditionalData(stored);
        EddyCurrentSettings loaded;
        loaded.resistivity = "keep";
        LoadCoreAdditionalData(block.data(), block.size(), loaded);
        EXPECT_EQ(loaded.switchedOn, c.on);
        EXPECT_EQ(std::string(loaded.resistivity), c.resistivity);
        EXPECT_EQ(std::string(loaded.coefficient1), c.c1);
        EXPECT_EQ(std::string(loaded.coefficient2), c.c2);
    }
}

// Crafted blocks: the walk stays inside the block, and texts are taken only from an archive
// that reads whole.
TEST(CoresData, CraftedBlocksStayWithinTheBlock)
{
    const std::vector<BYTE> archive5 = Join({Dword(10), {1, '5'}, {1, '6'}, {1, '7'}});
    struct Case {
        const char* what;
        std::vector<BYTE> block;
        bool withArchive;
        DWORD on;
        const char* resistivity;  // expected first text
    } cases[] = {
        {"empty", {}, true, 9, "keep"},
        {"switch only", Dword(1), true, 1, "keep"},
        {"switch cut", {1, 0}, true, 9, "keep"},
        {"wrapping first length", Join({Dword(1), Dword(0), Dword(0xFFFFFFFFu), Dword(10), archive5}), true, 1, "keep"},
        {"first length reaching the archive", Join({Dword(1), Dword(0), Dword(4), Dword(10), archive5}), true, 1,
         "keep"},
        {"archive length too long", Join({Dword(1), Dword(0), Dword(0), Dword(11), archive5}), true, 1, "keep"},
        {"archive length wrapping", Join({Dword(1), Dword(0), Dword(0), Dword(0xFFFFFFFCu), archive5}), true, 1,
         "keep"},
        {"archive cut short", Join({Dword(1), Dword(0), Dword(0), Dword(8), archive5}), true, 1, "keep"},
        {"string length past the archive", Join({Dword(1), Dword(0), Dword(0), Dword(7), Dword(10), {1, '5', 9}}),
         true, 1, "keep"},
        {"skipped first block", Join({Dword(1), Dword(0), Dword(3), {7, 7, 7}, Dword(10), archive5}), true, 1, "5"},
        {"no trailing dwords", Join({Dword(1), Dword(0), Dword(0), Dword(10), archive5}), true, 1, "5"},
        {"fixed page ignores the archive", Join({Dword(1), Dword(0), Dword(0), Dword(10), archive5}), false, 1,
         "keep"},
    };
    for (const Case& c : cases) {
        EddyCurrentSettings settings;
        settings.switchedOn = 9;
        settings.resistivity = "keep";
        LoadCoreAdditionalData(c.block.empty() ? nullptr : c.block.data(), c.block.size(), settings, c.withArchive);
        EXPECT_EQ(settings.switchedOn, c.on) << c.what;
        EXPECT_STREQ(settings.resistivity, c.resistivity) << c.what;
    }
}

}  // namespace
