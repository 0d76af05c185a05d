// The state graph and the characteristic equations run by the host.
#include <gtest/gtest.h>
