// The example schematic of the sources of other domains (a constant force with AC use, a
// temperature sine given by its RMS value, a force trapezoid with symbolic times), described
// by the host as the main job runs it.
#include "tests/support/example_golden.h"

TEST(DomainSourcesExample, DescribeWritesTheGoldenDescription) {
    qv_test::ExpectExampleDescribedAsGolden("domain_sources");
}
