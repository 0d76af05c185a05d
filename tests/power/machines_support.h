// Shared ground of the machine and switch tests: the semiconductor fixture (plug-in, editor
// stand-in, scratch folder, byte builders) and elements of the older base.
#pragma once

#include "power_support.h"

#include "framework/param_access.h"
#include "power/dc_machine_nonlinear.h"
#include "power/machines.h"
#include "power/switches.h"
#include "tests/support/model_text_checks.h"
#include "tests/support/older_element_test.h"

namespace machines_test {

using namespace power_test;

inline bool OutputOn(ParamHolder* holder, WORD id) {
    BOOL on = FALSE;
    GetSDBOutput(holder, id, &on);
    return on != FALSE;
}

class MachinesTest : public OlderElementTest<PowerTest> {
protected:
    CWizardCopaObject3* P(WORD id) { return Param(editor->Holder(element), id); }
};

} // namespace machines_test
