// Feeds arbitrary bytes to the readers of the stored data of the linear sources of other
// domains. The first byte picks the reader: the wizard's archive block (sheet version 4; a
// block that loads is stored again, and storing, loading and storing once more must give the
// same bytes), the page block read into a page, or element data of the older wizard
// generation converted by either wizard and then written as model text. The editor
// stand-in checks that every parameter set fetched is given back.
#include "editor/schematic_editor.h"
#include "framework/ac_parameters.h"
#include "framework/param_list.h"
#include "framework/requests.h"
#include "sources/domain_sources.h"
#include "win32/module.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<ParamHolder> SourceSet() {
    struct Row {
        WORD id;
        const char* name;
    };
    static const Row rows[] = {{2028, "VALUE"},  {2034, "AMPL"},  {2036, "FREQ"},     {2038, "TPERIO"},
                               {2042, "PHASE"},  {2051, "TRISE"}, {2053, "TFALL"},    {2055, "PWIDTH"},
                               {2058, "DAMPING"}, {2425, "AC_MAG"}, {2434, "AC_PHASE"}, {2430, "AC_RE"},
                               {2432, "AC_IM"}};
    auto holder = std::make_unique<ParamHolder>();
    holder->m_strElementName = "F1";
    for (const Row& row : rows) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(row.id);
        param->SetName(row.name);
        param->SetType(0x4);
        param->SetValue("1");
        holder->AddParam(param);
    }
    return holder;
}

std::vector<BYTE> Store(CLinearDomainsSourceWizardBase4& wizard) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    wizard.Serialize(ar, eSheetVersion4);
    ar.Close();
    return std::vector<BYTE>(file.Data(), file.Data() + file.GetLength());
}

// TRUE when the bytes load as a whole block of the current schemas.
bool Load(CLinearDomainsSourceWizardBase4& wizard, const std::vector<BYTE>& bytes) {
    std::vector<BYTE> copy(bytes);
    CMemFile file(copy.data(), static_cast<UINT>(copy.size()), 0);
    CArchive ar(&file, CArchive::load);
    try {
        wizard.Serialize(ar, eSheetVersion4);
    } catch (CException* e) {
        e->Delete();
        return false;
    }
    return wizard.GetACSchema() == 0 && wizard.GetSchema() == 2;
}

void ArchiveRoundTrip(const std::vector<BYTE>& bytes) {
    CLinearDomainsSourceAWizard4 loaded;
    if (!Load(loaded, bytes)) return;
    const std::vector<BYTE> first = Store(loaded);
    CLinearDomainsSourceBWizard4 again;
    if (!Load(again, first) || Store(again) != first) std::abort();
}

void PageBlock(const uint8_t* data, size_t size) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    CLinearDomainsSourceAWizard4 wizard;
    editor.Attach(wizard, editor.AddElement(SourceSet()));
    ScopedParamSet params{RequestTarget(&wizard)};
    CPropLinearDomainsSourceA page(&wizard, params.Holder());
    const BYTE* cursor = data;
    size_t consumed = 0;
    while (consumed < size && LoadObjectFromBuffer(&page, &cursor, size, &consumed)) {
    }
    if (consumed > size || cursor != data + consumed) std::abort();
}

template <class Wizard>
void Convert(const uint8_t* data, size_t size) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    Wizard wizard;
    editor.Attach(wizard, editor.AddElement(SourceSet()));
    wizard.DoConvertWizard3Data(data, static_cast<long>(size));
    // Whatever was converted can be stored and written.
    Store(wizard);
    CString text = "@TYPE@NAME ( @PARAMLIST);";
    wizard.WriteSimDescr(nullptr, "IMMANENT", text);
    g_PlaceholderList.DeleteAll();
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
    switch (data[0] % 4) {
    case 0:
        ArchiveRoundTrip(std::vector<BYTE>(rest, rest + restSize));
        break;
    case 1:
        PageBlock(rest, restSize);
        break;
    case 2:
        Convert<CLinearDomainsSourceAWizard4>(rest, restSize);
        break;
    default:
        Convert<CLinearDomainsSourceBWizard4>(rest, restSize);
        break;
    }
    return 0;
}
