// Feeds arbitrary bytes to the readers of the data-pairs time function's stored data and to
// the step-function and random blocks' conversion of older data. The first byte picks the
// reader: the wizard's archive block (sheet version 4; a block that loads is stored again,
// and storing, loading and storing once more must give the same bytes), the 4.x block, the
// older wizard base's block (StoreToWizard with the page's archive form inside), the page's
// archive form alone, or older data of the step or random block. Every input is handed over
// in a buffer of exactly its size, so a read past the end is seen by the sanitizer; the
// editor stand-in checks that every parameter set fetched is given back.
#include "editor/schematic_editor.h"
#include "framework/param_list.h"
#include "framework/requests.h"
#include "timefunctions/data_pairs.h"
#include "timefunctions/step_random_pages.h"
#include "win32/module.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<ParamHolder> ElementSet() {
    struct Row {
        WORD id;
        const char* name;
        const char* quantity;
        const char* unit;
        DWORD type;
    };
    static const Row rows[] = {
        {2038, "TPERIO", "Time", "s", 0x4},  {2040, "TDELAY", "Time", "s", 0x4}, {2042, "PHASE", "Angle", "deg", 0x4},
        {2049, "PERIO", "", "", 0x4},        {2122, "FILE", "", "", 0x100004},   {2117, "FNAME", "", "", 0x100004},
        {1012, "FREF", "", "", 0x100004},    {1000, "OLDMODE", "", "", 0x4},     {1001, "OLDFLAGS", "", "", 0x4},
        {2247, "T0", "Time", "s", 0x4},      {2249, "AMPL", "", "", 0x4},        {2187, "Y0", "", "", 0x4},
        {2183, "TS", "Time", "s", 0x4},      {2425, "AC_MAG", "", "", 0x4},      {2434, "AC_PHASE", "Angle", "deg", 0x4},
        {2430, "AC_RE", "", "", 0x4},        {2432, "AC_IM", "", "", 0x4},       {2056, "OUT", "", "", 0x8},
    };
    auto holder = std::make_unique<ParamHolder>();
    holder->m_strElementName = "E1";
    for (const Row& row : rows) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(row.id);
        param->SetName(row.name);
        param->SetType(row.type);
        // No file names: the readers never reach for a data file.
        param->SetValue(row.type == 0x100004 ? "" : "1");
        param->SetQuantity(row.quantity);
        param->SetUnit(row.unit);
        param->SetUsedUnit(row.unit);
        holder->AddParam(param);
    }
    return holder;
}

std::vector<BYTE> Store(CTFMDataPairsWizard4& wizard) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    wizard.Serialize(ar, eSheetVersion4);
    ar.Close();
    return std::vector<BYTE>(file.Data(), file.Data() + file.GetLength());
}

bool Load(CTFMDataPairsWizard4& wizard, const std::vector<BYTE>& bytes) {
    std::vector<BYTE> copy(bytes);
    CMemFile file(copy.data(), static_cast<UINT>(copy.size()), 0);
    CArchive ar(&file, CArchive::load);
    try {
        wizard.Serialize(ar, eSheetVersion4);
    } catch (CException* e) {
        e->Delete();
        return false;
    }
    return true;
}

void ArchiveRoundTrip(const std::vector<BYTE>& bytes) {
    CTFMDataPairsWizard4 loaded;
    if (!Load(loaded, bytes) || loaded.GetSchema() != 0) return;
    const std::vector<BYTE> first = Store(loaded);
    CTFMDataPairsWizard4 again;
    if (!Load(again, first) || Store(again) != first) std::abort();
}

template <class Wizard, class Run>
void WithEditor(Run run) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    Wizard wizard;
    editor.Attach(wizard, editor.AddElement(ElementSet()));
    run(wizard);
    if (g_PlaceholderList.GetSize() != 0) std::abort();
}

void PageArchive(const BYTE* data, size_t size) {
    WithEditor<CTFMDataPairsWizard4>([&](CTFMDataPairsWizard4& wizard) {
        ScopedParamSet params{RequestTarget(&wizard)};
        CPropTFMDataPairs page(&wizard, params.Cookie());
        page.SetHidden(true);
        std::vector<BYTE> copy(data, data + size);
        CMemFile file(copy.data(), static_cast<UINT>(copy.size()), 0);
        CArchive ar(&file, CArchive::load, 4096);
        try {
            page.Serialize(ar);
        } catch (CException* e) {
            e->Delete();
        }
        if (page.Points().GetSize() > qv::datapairs::kMaxRows) std::abort();
    });
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
    const size_t restSize = size - 1;
    // An exact copy: nothing beyond the input is readable.
    std::unique_ptr<BYTE[]> rest(new BYTE[restSize == 0 ? 1 : restSize]);
    std::memcpy(rest.get(), data + 1, restSize);
    switch (data[0] % 6) {
    case 0:
        ArchiveRoundTrip(std::vector<BYTE>(rest.get(), rest.get() + restSize));
        break;
    case 1:
        WithEditor<CTFMDataPairsWizard4>([&](CTFMDataPairsWizard4& w) {
            w.DoConversionFrom4x(rest.get(), static_cast<long>(restSize));
            Store(w);
        });
        break;
    case 2:
        WithEditor<CTFMDataPairsWizard4>([&](CTFMDataPairsWizard4& w) {
            w.DoConvertWizard3Data(rest.get(), static_cast<long>(restSize));
            Store(w);
        });
        break;
    case 3:
        PageArchive(rest.get(), restSize);
        break;
    case 4:
        WithEditor<CStepFunctionBlockWizard4>([&](CStepFunctionBlockWizard4& w) {
            w.DoConvertWizard3Data(rest.get(), static_cast<long>(restSize));
            CString text = "STEP E1 ( @PARAMLIST);";
            w.WriteSimDescr(nullptr, "IMMANENT", text);
        });
        break;
    default:
        WithEditor<CRandomBlockWizard4>([&](CRandomBlockWizard4& w) {
            w.DoConvertWizard3Data(rest.get(), static_cast<long>(restSize));
            CString text = "RANDOM E1 ( @PARAMLIST);";
            w.WriteSimDescr(nullptr, "IMMANENT", text);
        });
        break;
    }
    return 0;
}
