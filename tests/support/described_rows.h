// The row type of test elements whose parameters carry a quantity, a unit and an English
// description, as the catalogue describes the passive and source elements.
#pragma once

#include "tests/support/param_rows.h"

namespace qv_test {

// One parameter of a test element.
struct DescribedRow {
    WORD id;
    const char* name;
    const char* value;
    DWORD type;
    const char* quantity = "";
    const char* unit = "";
    const char* description = "";
    DWORD extType = 0;
};

} // namespace qv_test
