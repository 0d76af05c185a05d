// Feeds arbitrary bytes to the capacitor and inductor wizards as stored data: as their archive
// block (sheet version 4), as the page's own block, and as element data of the older wizard
// generation. A wizard block that loads is stored again; storing, loading and storing once
// more must give the same bytes. The editor stand-in checks that every parameter set fetched
// is given back.
#include "editor/schematic_editor.h"
#include "passive/capacitor_inductor.h"
#include "win32/module.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<ParamHolder> CapacitorSet() {
    struct Row {
        WORD id;
        const char* name;
        DWORD type;
    };
    static const Row rows[] = {{2028, "C", 0x4},       {2096, "V0", 0x4},     {2016, "CH", 0x4},
                               {1006, "CH_FILE", 0x4}, {1007, "CH_STRG", 0x4}, {2056, "CV", 0x8},
                               {1000, "FORM", 0x4},    {2018, "V", 0x8}};
    auto holder = std::make_unique<ParamHolder>();
    holder->m_strElementName = "C1";
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

std::vector<BYTE> Store(CPassiveCapAndIndWizardBase4& wizard) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    wizard.Serialize(ar, eSheetVersion4);
    ar.Close();
    return std::vector<BYTE>(file.Data(), file.Data() + file.GetLength());
}

bool Load(CPassiveCapAndIndWizardBase4& wizard, const std::vector<BYTE>& bytes) {
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

void LoadPageBlock(const std::vector<BYTE>& bytes) {
    std::vector<BYTE> copy(bytes);
    CMemFile file(copy.data(), static_cast<UINT>(copy.size()), 0);
    CArchive ar(&file, CArchive::load);
    CPropPassiveInductance page(nullptr, nullptr);
    try {
        page.Serialize(ar);
    } catch (CException* e) {
        e->Delete();
    }
}

template <class Wizard>
void Convert(const uint8_t* data, size_t size) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    Wizard wizard;
    editor.Attach(wizard, editor.AddElement(CapacitorSet()));
    wizard.DoConvertWizard3Data(data, static_cast<long>(size));
    Store(wizard);
    editor.CheckAllReturned();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    HMODULE module = LoadLibraryA(PARVEL_MODULE_DIR "/Parvel.dll");
    if (module == nullptr) std::abort();
    AfxSetResourceHandle(module);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0;
    const std::vector<BYTE> bytes(data, data + size);
    CCapacitorWizard4 loaded;
    if (Load(loaded, bytes)) {
        const std::vector<BYTE> first = Store(loaded);
        CCapacitorWizard4 again;
        if (!Load(again, first) || Store(again) != first) std::abort();
    }
    LoadPageBlock(bytes);
    if (size > 0 && (data[0] & 1))
        Convert<CCapacitorWizard4>(data + 1, size - 1);
    else if (size > 0)
        Convert<CInductorWizard4>(data + 1, size - 1);
    return 0;
}
