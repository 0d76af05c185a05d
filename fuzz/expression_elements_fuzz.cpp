// Feeds arbitrary bytes to the readers of stored data of the initial-values element (ID 80)
// and the equation element (ID 81). The first byte chooses the reader and the element (bit 0:
// 81, else 80):
//   0, 1: the archive block (sheet version 4); a block that loads is stored again, and
//         storing, loading and storing once more must give the same bytes;
//   2, 3: a set in the older form converted once (Initialize(1)), then the data of the older
//         wizard generation with its page state, read through a hidden page; the model text
//         written twice and the pages run again must not add or lose expressions.
// The editor stand-in checks that every parameter set fetched is given back.
#include "editor/schematic_editor.h"
#include "fuzz/fuzz_support.h"
#include "equations/expression_elements.h"
#include "win32/module.h"
#include "wizard/environment.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace fuzzsetup;

const std::vector<Row> kRows = {
    {2132, "IVA", "", 0x6},      {2132, "x", "5", 0x4},          {2132, "y", "z := x", 0x4},
    {2751, "FA", "", 0x6},       {2752, "FB", "", 0x6},          {2753, "FC", "", 0x6},
    {2751, "a", "b + 1", 0x4},   {2753, "c", "IF (a > 0) { d := 1 }", 0x4},
    {2056, "VAR", "0", 0xA},
};

std::unique_ptr<ParamHolder> ElementSet() {
    auto holder = MakeSet("E1", kRows, true);
    auto* sdb = new CWizardCopaObject3;
    sdb->SetName("SDB");
    holder->AddOutputTemplate(sdb);
    return holder;
}

int CountLive(ParamHolder* holder, bool equation) {
    int count = 0;
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        const CWizardCopaObject3* param = holder->GetParam(i);
        const WORD id = param->GetValueID();
        const bool expression = equation ? (id >= 2751 && id <= 2753) : id == 2132;
        if (expression && !param->IsDeleted() && (param->GetType() & 0x2) == 0) ++count;
    }
    return count;
}

template <class Wizard>
void Convert(const uint8_t* data, size_t size, bool equation) {
    WithEditor<Wizard>(ElementSet(), [&](Wizard& wizard, qv::SchematicEditor& editor, DWORD element) {
        ParamHolder* holder = editor.Holder(element);
        wizard.Initialize(1);
        const int before = CountLive(holder, equation);
        wizard.DoConvertWizard3Data(data, static_cast<long>(size));
        CString text = "@EXPRESSLIST; @ADDINFO @PARAMLIST";
        wizard.WriteSimDescr(nullptr, "IMMANENT", text);
        wizard.WriteSimDescr(nullptr, "IMMANENT", text);
        wizard.Initialize(1);
        wizard.Initialize(0);
        if (CountLive(holder, equation) != before) std::abort();
    });
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return LoadPluginWithPrecompiler("expression_elements_fuzz_profile"); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzsetup::RunOnInput(data, size, [](uint8_t choice, const uint8_t* rest, size_t restSize) {
        const int reader = choice % 4;
        const bool equation = (reader & 1) != 0;
        if (reader < 2) {
            const std::vector<BYTE> bytes(rest, rest + restSize);
            if (equation) StoreLoadStore<CEquationWizard4>(bytes, kSchema<0>);
            else StoreLoadStore<CInitialValuesWizard4>(bytes, kSchema<0>);
            return;
        }
        if (equation) Convert<CEquationWizard4>(rest, restSize, true);
        else Convert<CInitialValuesWizard4>(rest, restSize, false);
    });
}
