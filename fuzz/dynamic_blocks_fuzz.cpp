// Feeds arbitrary bytes to the dynamic blocks' readers of stored data. The first byte picks
// the reader: the integrator page's state kept with the wizard (the state that loads is stored
// again; loading that and storing once more must give the same bytes), the dead-time wizard's
// archive block (the same round trip), the dead-time element's data of the older wizard
// generation (converted through a hidden page), a 4.x parameter set whose initial values stand
// in one comma-separated list, and an initial-value file read by the dead-time page. The editor
// stand-in checks that every parameter set fetched is given back.
#include "afx/user_script.h"
#include "blocks_linear/dead_time.h"
#include "blocks_linear/integrator_block.h"
#include "editor/schematic_editor.h"
#include "framework/requests.h"
#include "fuzz/temp_file.h"
#include "win32/module.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

void Give(CWizardBase3& wizard, const uint8_t* data, size_t size) {
    BYTE* copy = new BYTE[size + 1];
    if (size != 0) std::memcpy(copy, data, size);
    wizard.SetAdditionalWizardData(copy, static_cast<DWORD>(size));
}

std::vector<BYTE> Stored(CWizardBase3& wizard) {
    BYTE* data = nullptr;
    const DWORD size = wizard.GetAdditionalWizardData(&data);
    return data != nullptr ? std::vector<BYTE>(data, data + size) : std::vector<BYTE>();
}

void IntegratorState(const uint8_t* data, size_t size) {
    CIntegratorBlockWizard wizard;
    Give(wizard, data, size);
    CPropIntegratorBlock page(&wizard, nullptr);
    page.LoadFromBuffer();
    page.SaveToBuffer();
    const std::vector<BYTE> first = Stored(wizard);

    CIntegratorBlockWizard again;
    Give(again, first.data(), first.size());
    CPropIntegratorBlock reloaded(&again, nullptr);
    reloaded.LoadFromBuffer();
    reloaded.SaveToBuffer();
    if (Stored(again) != first) std::abort();
}

std::unique_ptr<ParamHolder> DeadTimeSet(const std::string& samples, const std::string& list) {
    struct Row {
        WORD id;
        const char* name;
        DWORD type;
    };
    static const Row rows[] = {{2186, "INPUT", 0x4}, {2202, "TS", 0x4},         {2042, "NH", 0x4},
                               {2134, "Y0", 0x6},    {2134, "Y0[0]", 0x4},     {2117, "FILE", 0x100004},
                               {1012, "FREF", 0x4},  {2056, "OUT", 0x8}};
    auto holder = std::make_unique<ParamHolder>();
    holder->m_strElementName = "DT1";
    for (const Row& row : rows) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(row.id);
        param->SetName(row.name);
        param->SetType(row.type);
        param->SetDeletable(TRUE);
        param->SetValue(row.id == 2042 ? samples.c_str() : row.id == 2134 && (row.type & 0x2) ? list.c_str() : "1");
        holder->AddParam(param);
    }
    return holder;
}

std::vector<BYTE> Store(CDeadTimeBlockWizard4& wizard) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    wizard.Serialize(ar, eSheetVersion4);
    ar.Close();
    return std::vector<BYTE>(file.Data(), file.Data() + file.GetLength());
}

bool Load(CDeadTimeBlockWizard4& wizard, const std::vector<BYTE>& bytes) {
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

void DeadTimeArchive(const std::vector<BYTE>& bytes) {
    CDeadTimeBlockWizard4 loaded;
    if (!Load(loaded, bytes)) return;
    const std::vector<BYTE> first = Store(loaded);
    CDeadTimeBlockWizard4 again;
    if (!Load(again, first) || Store(again) != first) std::abort();
}

void DeadTimeOlderBlock(const uint8_t* data, size_t size) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    CDeadTimeBlockWizard4 wizard;
    editor.Attach(wizard, editor.AddElement(DeadTimeSet("2", "0")));
    wizard.DoConvertWizard3Data(data, static_cast<long>(size));
    Store(wizard);
    CString text = "DEADTIME DT1 ( @PARAMLIST);";
    if (wizard.GetMode() != 0) wizard.WriteSimDescr(nullptr, "IMMANENT", text);
}

// The input split at its first zero byte: the samples text, then the old list.
void DeadTime4x(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const size_t cut = std::find(data, data + size, 0) - data;
    const std::string samples(text, cut);
    const std::string list = cut < size ? std::string(text + cut + 1, size - cut - 1) : std::string();
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    CDeadTimeBlockWizard4 wizard;
    editor.Attach(wizard, editor.AddElement(DeadTimeSet(samples, list)));
    wizard.DoConversionFrom4x();
    if (wizard.GetMode() != 1) std::abort();
}

void DeadTimeFile(const uint8_t* data, size_t size) {
    static const std::string path = fuzzfile::TempPath("dynamic_blocks_fuzz", ".mdx");
    fuzzfile::Put(path, data, size);
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    CDeadTimeBlockWizard4 wizard;
    editor.Attach(wizard, editor.AddElement(DeadTimeSet("2", "0")));
    ScopedParamSet params{RequestTarget(&wizard)};
    CPropDeadBlock page(&wizard, params.Cookie());
    page.SetHidden(true);
    if (!page.Create(qv::blocks::kDeadTimeTemplate, nullptr)) std::abort();
    if (page.ReadInitialValueFile(path.c_str()) &&
        static_cast<size_t>(page.List().GetItemCount()) != page.GetValues().size())
        std::abort();
    page.DestroyWindow();
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
    const uint8_t* rest = data + 1;
    const size_t restSize = size - 1;
    qv::UserScript::Instance().Reset();
    switch (data[0] % 5) {
    case 0: IntegratorState(rest, restSize); break;
    case 1: DeadTimeArchive(std::vector<BYTE>(rest, rest + restSize)); break;
    case 2: DeadTimeOlderBlock(rest, restSize); break;
    case 3: DeadTime4x(rest, restSize); break;
    default: DeadTimeFile(rest, restSize); break;
    }
    return 0;
}
