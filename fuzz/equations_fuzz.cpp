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
#include "fuzz/expression_pages_setup.h"
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

struct Row {
    WORD id;
    const char* name;
    const char* value;
    DWORD type;
};

const std::vector<Row> kRows = {
    {2278, "INPUT", "0", 0x6},       {2278, "INPUT[1]", "u", 0x4}, {2279, "EQU", "", 0x6},
    {2279, "y", "a+b", 0x4},         {2279, "E", "z := IF", 0x4},  {2056, "VAL", "", 0xA},
    {2056, "VAL[1]", "2*c", 0x8},    {2057, "VAR", "0", 0xA},      {2183, "TS", "0", 0x4},
};

std::unique_ptr<ParamHolder> MakeSet() {
    auto holder = std::make_unique<ParamHolder>();
    holder->m_strElementName = "EQ1";
    for (const Row& row : kRows) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(row.id);
        param->SetName(row.name);
        param->SetValue(row.value);
        param->SetType(row.type);
        param->SetDeletable(TRUE);
        holder->AddParam(param);
    }
    return holder;
}

const std::vector<Row> kTableRows = {
    {2186, "IN", "u", 0x4}, {2122, "FILE", "", 0x100004}, {2117, "FNAME", "", 0x100004},
    {1012, "FREF", "", 0x100004}, {2056, "OUT", "", 0x8},
};

std::unique_ptr<ParamHolder> MakeSet(const std::vector<Row>& rows) {
    auto holder = std::make_unique<ParamHolder>();
    holder->m_strElementName = "LT1";
    for (const Row& row : rows) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(row.id);
        param->SetName(row.name);
        param->SetValue(row.value);
        param->SetType(row.type);
        param->SetDeletable(TRUE);
        holder->AddParam(param);
    }
    return holder;
}

template <class Wizard>
std::vector<BYTE> Store(Wizard& wizard) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    wizard.Serialize(ar, eSheetVersion4);
    ar.Close();
    return std::vector<BYTE>(file.Data(), file.Data() + file.GetLength());
}

template <class Wizard>
bool Load(Wizard& wizard, const std::vector<BYTE>& bytes) {
    std::vector<BYTE> copy(bytes);
    CMemFile file(copy.data(), static_cast<UINT>(copy.size()), 0);
    CArchive ar(&file, CArchive::load);
    try {
        wizard.Serialize(ar, eSheetVersion4);
    } catch (CException* e) {
        e->Delete();
        return false;
    }
    return wizard.GetSchema() == 0;
}

int CountEquations(ParamHolder* holder) {
    int count = 0;
    for (int i = 0; i < holder->GetParamCount(); ++i)
        if (holder->GetParam(i)->GetValueID() == 2279 && !holder->GetParam(i)->IsDeleted()) ++count;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsetup::LoadPluginWithPrecompiler("equations_fuzz_profile");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > (1u << 16)) return 0;
    const uint8_t* rest = data + 1;
    const size_t restSize = size - 1;
    const int reader = data[0] % 6;
    if (reader == 3) {
        const std::vector<BYTE> bytes(rest, rest + restSize);
        C2DLookupTableWizard4 loaded;
        if (Load(loaded, bytes)) {
            const std::vector<BYTE> first = Store(loaded);
            C2DLookupTableWizard4 again;
            if (!Load(again, first) || Store(again) != first) std::abort();
        }
        return 0;
    }
    if (reader == 4 || reader == 5) {
        qv::SchematicEditor editor;
        editor.SetBreachHandler([](const std::string&) { std::abort(); });
        C2DLookupTableWizard4 wizard;
        editor.Attach(wizard, editor.AddElement(MakeSet(kTableRows)));
        std::vector<BYTE> copy(rest, rest + restSize);
        if (reader == 4) wizard.DoConvertWizard3Data(copy.data(), static_cast<long>(copy.size()));
        else wizard.DoConversionFrom4x(copy.data(), static_cast<long>(copy.size()));
        return 0;
    }
    if (reader == 0) {
        const std::vector<BYTE> bytes(rest, rest + restSize);
        CEquationBlockWizard4 loaded;
        if (Load(loaded, bytes)) {
            const std::vector<BYTE> first = Store(loaded);
            CEquationBlockWizard4 again;
            if (!Load(again, first) || Store(again) != first) std::abort();
        }
        return 0;
    }
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    CEquationBlockWizard4 wizard;
    const DWORD element = editor.AddElement(MakeSet());
    editor.Attach(wizard, element);
    wizard.DoConvertWizard3Data(rest, static_cast<long>(restSize));
    if (reader == 2) {
        CString first = "@EXPRESSLIST";
        wizard.WriteSimDescr(nullptr, "IMMANENT", first);
        ParamHolder* holder = editor.Holder(element);
        const int equations = CountEquations(holder);
        CString second = "@EXPRESSLIST";
        wizard.WriteSimDescr(nullptr, "IMMANENT", second);
        if (CountEquations(holder) != equations) std::abort();
    }
    return 0;
}
