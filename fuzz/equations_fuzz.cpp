// Feeds arbitrary bytes to the equation block's readers of stored data. The first byte
// chooses the reader:
//   0: the archive block (sheet version 4); a block that loads is stored again, and storing,
//      loading and storing once more must give the same bytes;
//   1: the data of the older wizard generation (output count, skipped bytes, page state),
//      read through a hidden page on a parameter set whose equations the page checks;
//   2: the same data, and then the model text written twice (convert mode must not make
//      equations twice);
//   3: the 2D lookup table's archive block, stored again as for reader 0;
//   4: the 2D lookup table's page block of the older wizard generation (hidden page);
//   5: the 2D lookup table's 4.x block.
// The editor stand-in checks that every parameter set fetched is given back.
#include "editor/schematic_editor.h"
#include "fuzz/fuzz_support.h"
#include "equations/equation_block.h"
#include "equations/lookup_table_2d.h"
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
    {2278, "INPUT", "0", 0x6},       {2278, "INPUT[1]", "u", 0x4}, {2279, "EQU", "", 0x6},
    {2279, "y", "a+b", 0x4},         {2279, "E", "z := IF", 0x4},  {2056, "VAL", "", 0xA},
    {2056, "VAL[1]", "2*c", 0x8},    {2057, "VAR", "0", 0xA},      {2183, "TS", "0", 0x4},
};

std::unique_ptr<ParamHolder> EquationSet() { return MakeSet("EQ1", kRows, true); }

const std::vector<Row> kTableRows = {
    {2186, "IN", "u", 0x4}, {2122, "FILE", "", 0x100004}, {2117, "FNAME", "", 0x100004},
    {1012, "FREF", "", 0x100004}, {2056, "OUT", "", 0x8},
};

std::unique_ptr<ParamHolder> TableSet() { return MakeSet("LT1", kTableRows, true); }

int CountEquations(ParamHolder* holder) {
    int count = 0;
    for (int i = 0; i < holder->GetParamCount(); ++i)
        if (holder->GetParam(i)->GetValueID() == 2279 && !holder->GetParam(i)->IsDeleted()) ++count;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return LoadPluginWithPrecompiler("equations_fuzz_profile"); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzsetup::RunOnInput(data, size, [](uint8_t choice, const uint8_t* rest, size_t restSize) {
        const int reader = choice % 6;
        if (reader == 3) {
            StoreLoadStore<C2DLookupTableWizard4>(std::vector<BYTE>(rest, rest + restSize), kSchema<0>);
            return;
        }
        if (reader == 4 || reader == 5) {
            WithEditor<C2DLookupTableWizard4>(TableSet(), [&](C2DLookupTableWizard4& wizard) {
                std::vector<BYTE> copy(rest, rest + restSize);
                if (reader == 4) wizard.DoConvertWizard3Data(copy.data(), static_cast<long>(copy.size()));
                else wizard.DoConversionFrom4x(copy.data(), static_cast<long>(copy.size()));
            });
            return;
        }
        if (reader == 0) {
            StoreLoadStore<CEquationBlockWizard4>(std::vector<BYTE>(rest, rest + restSize), kSchema<0>);
            return;
        }
        WithEditor<CEquationBlockWizard4>(EquationSet(), [&](CEquationBlockWizard4& wizard, qv::SchematicEditor& editor,
                                                             DWORD element) {
            wizard.DoConvertWizard3Data(rest, static_cast<long>(restSize));
            if (reader != 2) return;
            CString first = "@EXPRESSLIST";
            wizard.WriteSimDescr(nullptr, "IMMANENT", first);
            ParamHolder* holder = editor.Holder(element);
            const int equations = CountEquations(holder);
            CString second = "@EXPRESSLIST";
            wizard.WriteSimDescr(nullptr, "IMMANENT", second);
            if (CountEquations(holder) != equations) std::abort();
        });
    });
}
