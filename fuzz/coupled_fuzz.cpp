// Feeds arbitrary bytes to the coupled-inductor wizards and the nonlinear transformer as
// stored data: as their archive block (sheet version 4) and as element data of the older
// wizard generation, which the hidden pages read (their own page blocks included). A block
// that loads is stored again; storing, loading and storing once more must give the same
// bytes. The editor stand-in checks that every parameter set fetched is given back.
#include "editor/schematic_editor.h"
#include "passive/coupled_inductors.h"
#include "passive/nonlinear_transformer.h"
#include "win32/module.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<ParamHolder> CoupledSet() {
    struct Row {
        WORD id;
        const char* name;
        DWORD type;
    };
    static const Row rows[] = {{2102, "L1", 0x4},   {2103, "L2", 0x4},      {2107, "I01", 0x4},
                               {2109, "I02", 0x4},  {2010, "K", 0x4},       {2056, "M", 0x8},
                               {2477, "LS1", 0x4},  {2479, "LS2", 0x4},     {2483, "RCU1", 0x4},
                               {2485, "RCU2", 0x4}, {2112, "RFE", 0x4},     {2486, "KTR", 0x4},
                               {2016, "CH", 0x4},   {1006, "CH_FILE", 0x4}, {1007, "CH_STRG", 0x4}};
    auto holder = std::make_unique<ParamHolder>();
    holder->m_strElementName = "X1";
    for (const Row& row : rows) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(row.id);
        param->SetName(row.name);
        param->SetType(row.type);
        param->SetValue("old");
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

// TRUE when the bytes load as a whole block of schema 0.
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

template <class Wizard>
void RoundTrip(const std::vector<BYTE>& bytes) {
    Wizard loaded;
    if (!Load(loaded, bytes)) return;
    const std::vector<BYTE> first = Store(loaded);
    Wizard again;
    if (!Load(again, first) || Store(again) != first) std::abort();
}

// Converts the bytes; with describe the result is written as model text too (the coupled
// inductors write no data files).
template <class Wizard>
void Convert(const uint8_t* data, size_t size, bool describe) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    Wizard wizard;
    editor.Attach(wizard, editor.AddElement(CoupledSet()));
    wizard.DoConvertWizard3Data(data, static_cast<long>(size));
    // Whatever was converted can be stored, and written.
    Store(wizard);
    if (describe) {
        CString text = "@PARAMLIST";
        wizard.WriteSimDescr(nullptr, "IMMANENT", text);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    HMODULE module = LoadLibraryA(PARVEL_MODULE_DIR "/Parvel.dll");
    if (module == nullptr) std::abort();
    AfxSetResourceHandle(module);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > (1u << 16)) return 0;
    const std::vector<BYTE> bytes(data + 1, data + size);
    switch (data[0] % 3) {
    case 0:
        RoundTrip<CMutualInductanceWizard4>(bytes);
        Convert<CMutualInductanceWizard4>(data + 1, size - 1, true);
        break;
    case 1:
        RoundTrip<CTwoWindingTransformerWizard4>(bytes);
        Convert<CTwoWindingTransformerWizard4>(data + 1, size - 1, true);
        break;
    default:
        RoundTrip<CNonlinearTransformerWizard4>(bytes);
        Convert<CNonlinearTransformerWizard4>(data + 1, size - 1, false);
        break;
    }
    return 0;
}
