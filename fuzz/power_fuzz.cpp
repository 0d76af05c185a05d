// Feeds arbitrary bytes to the semiconductor wizards as stored data: as their archive block
// (sheet version 4), as the page block of older data, and as element data of the older wizard
// generation. A block that loads is stored again; storing, loading and storing once more must
// give the same bytes. The editor stand-in checks that every parameter set fetched is given
// back.
#include "editor/schematic_editor.h"
#include "power/semiconductors.h"
#include "win32/module.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<ParamHolder> SemiconductorSet(bool pinnedVariable) {
    struct Row {
        WORD id;
        const char* name;
        DWORD type;
    };
    static const Row rows[] = {{2013, "CHAR", 0x4}, {2058, "VF", 0x4},  {2061, "RB", 0x4},
                               {2066, "IS", 0x4},   {2068, "VT", 0x4},  {2069, "RR", 0x4},
                               {2016, "FILE", 0x4}, {1012, "CH_STRG", 0x4}, {2084, "CTRL", 0x4},
                               {2018, "V", 0x8}};
    auto holder = std::make_unique<ParamHolder>();
    holder->m_strElementName = "D1";
    for (const Row& row : rows) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(row.id);
        param->SetName(row.name);
        param->SetType(row.type);
        param->SetValue("old");
        if (row.id == 1012) param->UsePin(pinnedVariable);
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
    CMemFile file(copy.empty() ? nullptr : copy.data(), static_cast<UINT>(copy.size()), 0);
    CArchive ar(&file, CArchive::load);
    try {
        wizard.Serialize(ar, eSheetVersion4);
    } catch (CException* e) {
        e->Delete();
        return false;
    }
    return wizard.State().GetSchema() == 0;
}

template <class Wizard>
void RoundTrip(const std::vector<BYTE>& bytes) {
    Wizard loaded;
    if (!Load(loaded, bytes)) return;
    const std::vector<BYTE> first = Store(loaded);
    Wizard again;
    if (!Load(again, first) || Store(again) != first) std::abort();
}

template <class Wizard>
void Convert(const uint8_t* data, size_t size, bool pinnedVariable) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    Wizard wizard;
    editor.Attach(wizard, editor.AddElement(SemiconductorSet(pinnedVariable)));
    wizard.DoConvertWizard3Data(data, static_cast<long>(size));
    // Whatever was converted can be stored.
    Store(wizard);
}

// The page block alone, read by a page of its own as the conversion reads it.
void LoadPageBlock(const uint8_t* data, size_t size, bool power) {
    auto holder = SemiconductorSet(true);
    CSemiconductorState state;
    std::unique_ptr<CPropSemiDiode> page(power ? new CPropSemiRest(nullptr, &state, holder.get())
                                               : new CPropSemiDiode(nullptr, &state, holder.get()));
    std::vector<BYTE> copy(data, data + size);
    CMemFile file(copy.empty() ? nullptr : copy.data(), static_cast<UINT>(copy.size()), 0);
    CArchive ar(&file, CArchive::load);
    try {
        page->Serialize(ar);
    } catch (CException* e) {
        e->Delete();
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
    if (size > (1u << 16)) return 0;
    const std::vector<BYTE> bytes(data, data + size);
    RoundTrip<CDiodeWizard4>(bytes);
    RoundTrip<CThyristorWizard4>(bytes);
    if (size == 0) return 0;
    const uint8_t selector = data[0];
    const uint8_t* rest = data + 1;
    const size_t restSize = size - 1;
    switch (selector % 3) {
    case 0:
        Convert<CDiodeWizard4>(rest, restSize, (selector & 4) != 0);
        break;
    case 1:
        Convert<CIgbtWizard4>(rest, restSize, (selector & 4) != 0);
        break;
    default:
        LoadPageBlock(rest, restSize, (selector & 4) != 0);
        break;
    }
    return 0;
}
