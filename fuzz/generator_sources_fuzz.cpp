// Feeds arbitrary bytes to the readers of the oscillator and polynomial sources' stored data.
// The first byte picks the reader: either wizard's archive block (sheet version 4; a block
// that loads is stored again, and storing, loading and storing once more must give the same
// bytes), the oscillator page's block, or element data of the older wizard generation
// converted by either wizard; the Fourier source's archive block, its older data, and a
// harmonics table imported from a data file (".mdx" or text columns). The editor stand-in
// checks that every parameter set fetched is given back.
#include "afx/user_script.h"
#include "editor/schematic_editor.h"
#include "fuzz/temp_file.h"
#include "sources/fourier_source.h"
#include "framework/requests.h"
#include "sources/polynomial_source.h"
#include "sources/vco_source.h"
#include "win32/module.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <type_traits>
#include <vector>

namespace {

std::unique_ptr<ParamHolder> SourceSet() {
    struct Row {
        WORD id;
        const char* name;
        DWORD type;
    };
    static const Row rows[] = {{2151, "UL", 0x4},     {2152, "LL", 0x4},       {2034, "AMPL", 0x4},
                               {2042, "PHASE", 0x4},  {2472, "SPC", 0x4},      {2163, "ORDER", 0x4},
                               {2166, "COEFF", 0x6},  {2172, "QUANT", 0x6},    {2172, "QUANT[0]", 0x4},
                               {2425, "AC_MAG", 0x4}, {2434, "AC_PHASE", 0x4}, {2430, "AC_RE", 0x4},
                               {2432, "AC_IM", 0x4},     {2117, "FILE", 0x100004}, {1001, "I_SRC", 0x4},
                               {1002, "V_SRC", 0x4}};
    auto holder = std::make_unique<ParamHolder>();
    holder->m_strElementName = "S1";
    for (const Row& row : rows) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(row.id);
        param->SetName(row.name);
        param->SetType(row.type);
        param->SetValue("1");
        holder->AddParam(param);
    }
    return holder;
}

template <class Wizard>
std::vector<BYTE> StoreAny(Wizard& wizard) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    wizard.Serialize(ar, eSheetVersion4);
    ar.Close();
    return std::vector<BYTE>(file.Data(), file.Data() + file.GetLength());
}

std::vector<BYTE> Store(CSourceTypeWizardBase4& wizard) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    wizard.Serialize(ar, eSheetVersion4);
    ar.Close();
    return std::vector<BYTE>(file.Data(), file.Data() + file.GetLength());
}

bool Load(CSourceTypeWizardBase4& wizard, const std::vector<BYTE>& bytes) {
    std::vector<BYTE> copy(bytes);
    CMemFile file(copy.data(), static_cast<UINT>(copy.size()), 0);
    CArchive ar(&file, CArchive::load);
    try {
        wizard.Serialize(ar, eSheetVersion4);
    } catch (CException* e) {
        e->Delete();
        return false;
    }
    return wizard.GetACSchema() == 0 && wizard.GetSchema() == 0;
}

template <class Wizard>
void ArchiveRoundTrip(const std::vector<BYTE>& bytes) {
    Wizard loaded;
    if (!Load(loaded, bytes)) return;
    const std::vector<BYTE> first = Store(loaded);
    Wizard again;
    if (!Load(again, first) || Store(again) != first) std::abort();
}

void PageBlock(const uint8_t* data, size_t size) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    CVCOWizard4 wizard;
    editor.Attach(wizard, editor.AddElement(SourceSet()));
    ScopedParamSet params{RequestTarget(&wizard)};
    CPropVCO page(&wizard, params.Holder());
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
    StoreAny(wizard);
    // The Fourier source writes a data file with its text; the others only text.
    if constexpr (!std::is_same_v<Wizard, CFourierSourceWizard4>) {
        CString text = "@TYPES1 ( @LIST @PARAMLIST);";
        wizard.WriteSimDescr(nullptr, "IMMANENT", text);
    }
}

void FourierArchiveRoundTrip(const std::vector<BYTE>& bytes) {
    const auto store = [](CFourierSourceWizard4& wizard) {
        CMemFile file;
        CArchive ar(&file, CArchive::store);
        wizard.Serialize(ar, eSheetVersion4);
        ar.Close();
        return std::vector<BYTE>(file.Data(), file.Data() + file.GetLength());
    };
    const auto load = [](CFourierSourceWizard4& wizard, const std::vector<BYTE>& in) {
        std::vector<BYTE> copy(in);
        CMemFile file(copy.data(), static_cast<UINT>(copy.size()), 0);
        CArchive ar(&file, CArchive::load);
        try {
            wizard.Serialize(ar, eSheetVersion4);
        } catch (CException* e) {
            e->Delete();
            return false;
        }
        return wizard.GetSchema() == 0;
    };
    CFourierSourceWizard4 loaded;
    if (!load(loaded, bytes)) return;
    const std::vector<BYTE> first = store(loaded);
    CFourierSourceWizard4 again;
    if (!load(again, first) || store(again) != first) std::abort();
}

// The page reads the file as an import does; message boxes are answered with their default.
void HarmonicsImport(const uint8_t* data, size_t size, bool text) {
    static const std::string textPath = fuzzfile::TempPath("generator_sources_fuzz", ".txt");
    static const std::string mdxPath = fuzzfile::TempPath("generator_sources_fuzz", ".mdx");
    const std::string& path = text ? textPath : mdxPath;
    fuzzfile::Put(path, data, size);
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    CFourierSourceWizard4 wizard;
    editor.Attach(wizard, editor.AddElement(SourceSet()));
    ScopedParamSet params{RequestTarget(&wizard)};
    CPropFourierSource page(&wizard, params.Holder());
    if (!page.Create(qv::sources::kFourierTemplate, nullptr)) std::abort();
    if (page.ReadDataFile(path.c_str()) && qv::sources::TableRows(page.GetTable()) != page.List().GetItemCount())
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
    switch (data[0] % 9) {
    case 0:
        ArchiveRoundTrip<CVCOWizard4>(std::vector<BYTE>(rest, rest + restSize));
        break;
    case 1:
        ArchiveRoundTrip<CPolynomSourceWizard4>(std::vector<BYTE>(rest, rest + restSize));
        break;
    case 2:
        PageBlock(rest, restSize);
        break;
    case 3:
        Convert<CVCOWizard4>(rest, restSize);
        break;
    case 4:
        Convert<CPolynomSourceWizard4>(rest, restSize);
        break;
    case 5:
        FourierArchiveRoundTrip(std::vector<BYTE>(rest, rest + restSize));
        break;
    case 6:
        Convert<CFourierSourceWizard4>(rest, restSize);
        break;
    case 7:
        HarmonicsImport(rest, restSize, false);
        break;
    default:
        HarmonicsImport(rest, restSize, true);
        break;
    }
    return 0;
}
