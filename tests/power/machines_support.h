// Shared ground of the machine and switch tests: the semiconductor fixture (plug-in, editor
// stand-in, scratch folder, byte builders), elements of the older base, and pages of either
// base opened on a sheet.
#pragma once

#include "power_support.h"

#include "framework/param_access.h"
#include "power/dc_machine_nonlinear.h"
#include "power/machines.h"
#include "power/switches.h"

namespace machines_test {

using namespace power_test;

// The same parameters as a data-exchange object of the older base.
inline std::unique_ptr<ParamHolder> MakeExchange(const std::vector<ParamRow>& rows, const char* name) {
    return MakeHolder<CWizardSchematicDataExchange3>(rows, name);
}

// An older-base wizard with its page open on a sheet.
template <class Wizard>
using OpenPage3 = OpenPage<Wizard>;

inline bool OutputOn(ParamHolder* holder, WORD id) {
    BOOL on = FALSE;
    GetSDBOutput(holder, id, &on);
    return on != FALSE;
}

class MachinesTest : public PowerTest {
protected:
    template <class Wizard>
    std::unique_ptr<Wizard> Make3(const std::vector<ParamRow>& rows, const char* name) {
        return Attached<Wizard>(MakeExchange(rows, name), &element);
    }
    CWizardSchematicDataExchange3* Exchange() { return editor->Exchange(element); }
    CWizardCopaObject3* P(WORD id) { return Param(editor->Holder(element), id); }
    DWORD element = 0;
};

} // namespace machines_test
