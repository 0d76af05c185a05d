// Feeds arbitrary bytes to the machines and switches as stored data: as the archive blocks of
// the controlled switch and the nonlinear DC machine (a block that loads is stored again, and
// storing, loading and storing once more must give the same bytes), as older data of the
// controlled switch and the DC machine, and as a linear machine's additional data. The editor
// stand-in checks that every parameter set fetched is given back.
#include "editor/schematic_editor.h"
#include "power/dc_machine_nonlinear.h"
#include "power/machines.h"
#include "power/switches.h"
#include "win32/module.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

template <class Holder>
std::unique_ptr<ParamHolder> MachineSet() {
    static const struct {
        WORD id;
        const char* name;
        DWORD type;
    } rows[] = {{7000, "LOAD", 0x4},      {7020, "RA", 0x4},        {7057, "PHI0", 0x4},
                {2157, "CHLE", 0x80000004u}, {1008, "CHLE_FILE", 0x4}, {1009, "CHLE_STRG", 0x4},
                {2159, "CHM", 0x4},       {1010, "CHM_FILE", 0x4},  {1011, "CHM_STRG", 0x4},
                {2315, "VTH", 0x4},       {2321, "ITH", 0x4},       {7100, "N", 0x8}};
    auto holder = std::make_unique<Holder>();
    holder->m_strElementName = "M1";
    for (const auto& row : rows) {
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

template <class Wizard>
void Convert(const std::vector<BYTE>& bytes) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    Wizard wizard;
    editor.Attach(wizard, editor.AddElement(MachineSet<ParamHolder>()));
    // An exact-size copy: a read past the block's end is caught.
    std::unique_ptr<BYTE[]> copy(new BYTE[bytes.size() + 1]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    wizard.DoConvertWizard3Data(copy.get(), static_cast<long>(bytes.size()));
    Store(wizard);
}

void MachineData(const std::vector<BYTE>& bytes) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    const DWORD element = editor.AddElement(MachineSet<CWizardSchematicDataExchange3>());
    editor.Exchange(element)->SetAdditionalData(bytes.data(), bytes.size());
    CDCMachineWizard wizard;
    editor.Attach(wizard, element);
    wizard.WriteSimDescr(nullptr, "IMMANENT", editor.Exchange(element));
    BYTE* left = nullptr;
    if (wizard.GetAdditionalWizardData(&left) != 0 || left != nullptr) std::abort();
    std::unique_ptr<BYTE[]> copy(new BYTE[bytes.size() + 1]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    qv::power::ReadMachinePhaseUnit(copy.get(), static_cast<DWORD>(bytes.size()));
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
    const std::vector<BYTE> rest(data + 1, data + size);
    switch (data[0] % 5) {
    case 0:
        RoundTrip<CSwitchControlledWizard4>(rest);
        break;
    case 1:
        RoundTrip<CDCMachineNonlinearWizard4>(rest);
        break;
    case 2:
        Convert<CDCMachineNonlinearWizard4>(rest);
        break;
    case 3:
        Convert<CSwitchControlledWizard4>(rest);
        break;
    default:
        MachineData(rest);
        break;
    }
    return 0;
}
