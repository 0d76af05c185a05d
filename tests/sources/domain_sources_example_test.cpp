// The example schematic of the sources of other domains (a constant force with AC use, a
// temperature sine given by its RMS value, a force trapezoid with symbolic times), described
// by the host as the main job runs it; and the AC page as a user leaves and shows it.
#include "tests/support/example_golden.h"
#include "tests/support/host_sessions.h"

#include <gmock/gmock.h>

namespace {

TEST(DomainSourcesExample, DescribeWritesTheGoldenDescription) {
    qv_test::ExpectExampleDescribedAsGolden("domain_sources");
}

// "AC use" ticked for the constant value and left ticked when a time function is chosen no
// longer writes the value over what the user types on the AC page.
TEST(DomainSourcesExample, LeftoverACUseKeepsTheACValuesTyped) {
    const std::string schematic = qv_test::TempFolder() + "/ac_leftover.json";
    const std::string desc = qv_test::TempFolder() + "/ac_leftover.desc";
    std::ofstream(schematic) << R"({"document": "D", "elements": [{"id": 104, "name": "F1", "script": ["click 2520",
        "click 2031", "page 1", "type 2425 5", "type 2434 30", "page 0", "page 1", "ok"]}]})";
    std::string output;
    ASSERT_EQ(0, qv_test::RunHost("describe '" + schematic + "' -o '" + desc + "'", "ac_leftover.ini", &output)) << output;
    EXPECT_THAT(qv_test::ReadFile(desc), testing::HasSubstr("AC_PHASE := 30, AC_MAG := 5 );"));
}

// The locked AC page shows the constant value in the unit it was typed in, and offers no other.
TEST(DomainSourcesExample, LockedACPageShowsTheValueInItsUnit) {
    const std::string schematic = qv_test::TempFolder() + "/ac_unit.json";
    std::ofstream(schematic) << qv_test::OneElement(104, "F1");
    std::string output;
    ASSERT_EQ(0, qv_test::RunEditScript(schematic, "F1", qv_test::TempFolder() + "/ac_unit.script",
                                        "type 2028 25\nchoose 2507 kN\nclick 2520\npage 1\n", "ac_unit.ini", &output))
        << output;
    EXPECT_THAT(output, testing::HasSubstr("2425 Edit disabled \"25\"\n"));
    EXPECT_THAT(output, testing::HasSubstr("2516 ComboBox disabled \"\" entries [\"N\", \"mN\", \"kN\"] selected 2\n"));
}

} // namespace
