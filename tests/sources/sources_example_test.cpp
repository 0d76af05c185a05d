// The example schematic of the linear sources, described by the host as the main job runs it.
#include "tests/support/example_golden.h"

TEST(SourcesExample, DescribeWritesTheGoldenDescription) {
    qv_test::ExpectExampleDescribedAsGolden("linear_sources");
}
