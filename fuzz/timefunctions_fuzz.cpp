// Feeds arbitrary bytes to the readers of the time functions' and source blocks' stored data.
// The first byte picks the reader: the archive block of a time-function wizard or of the
// constant block (sheet version 4; a block that loads is stored again, and storing, loading
// and storing once more must give the same bytes), the sine page's block through
// LoadObjectFromBuffer, or element data of the older wizard generation converted by the sine
// or the constant block. The editor stand-in checks that every parameter set fetched is
// given back.
#include "editor/schematic_editor.h"
#include "framework/ac_parameters.h"
#include "framework/param_list.h"
#include "framework/requests.h"
#include "timefunctions/source_blocks.h"
#include "timefunctions/time_functions.h"
#include "win32/module.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<ParamHolder> ElementSet() {
    struct Row {
        WORD id;
        const char* name;
        const char* quantity;
        const char* unit;
    };
    static const Row rows[] = {{2034, "AMPL", "", ""},        {2036, "FREQ", "Frequency", "Hz"},
                               {2038, "TPERIO", "Time", "s"}, {2040, "TDELAY", "Time", "s"},
                               {2042, "PHASE", "Angle", "rad"}, {2047, "OFF", "", ""},
                               {2049, "PERIO", "", ""},       {2028, "CONST", "", ""},
                               {2183, "TS", "Time", "s"},     {2425, "AC_MAG", "", ""},
                               {2434, "AC_PHASE", "Angle", "deg"}, {2430, "AC_RE", "", ""},
                               {2432, "AC_IM", "", ""}};
    auto holder = std::make_unique<ParamHolder>();
    holder->m_strElementName = "E1";
    for (const Row& row : rows) {
        auto* param = new CWizardCopaObject3;
        param->SetValueID(row.id);
        param->SetName(row.name);
        param->SetType(0x4);
        param->SetValue("1");
        param->SetQuantity(row.quantity);
        param->SetUnit(row.unit);
        param->SetUsedUnit(row.unit);
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

// TRUE when the bytes load without an archive error.
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
    return true;
}

// A block that loaded as the current schema must store, load and store to the same bytes.
template <class Wizard, class Current>
void ArchiveRoundTrip(const std::vector<BYTE>& bytes, Current current) {
    Wizard loaded;
    if (!Load(loaded, bytes) || !current(loaded)) return;
    const std::vector<BYTE> first = Store(loaded);
    Wizard again;
    if (!Load(again, first) || Store(again) != first) std::abort();
}

void SinePageBlock(const uint8_t* data, size_t size) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    CTFMSineWizard4 wizard;
    editor.Attach(wizard, editor.AddElement(ElementSet()));
    ScopedParamSet params{RequestTarget(&wizard)};
    CPropTFMSine page(&wizard, params.Holder());
    const BYTE* cursor = data;
    size_t consumed = 0;
    while (consumed < size && LoadObjectFromBuffer(&page, &cursor, size, &consumed)) {
    }
    if (consumed > size || cursor != data + consumed) std::abort();
}

template <class Wizard, class Write>
void Convert(const uint8_t* data, size_t size, Write write) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    Wizard wizard;
    editor.Attach(wizard, editor.AddElement(ElementSet()));
    wizard.DoConvertWizard3Data(data, static_cast<long>(size));
    // Whatever was converted can be stored and written.
    Store(wizard);
    write(wizard);
    if (g_PlaceholderList.GetSize() != 0) std::abort();
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
    const std::vector<BYTE> bytes(rest, rest + restSize);
    switch (data[0] % 7) {
    case 0:
        ArchiveRoundTrip<CTFMSineWizard4>(bytes, [](CTFMSineWizard4& w) { return w.GetSchema() == 0; });
        break;
    case 1:
        ArchiveRoundTrip<CTFMSawToothWizard4>(bytes, [](CTFMSawToothWizard4& w) { return w.GetSchema() == 0; });
        break;
    case 2:
        ArchiveRoundTrip<CTFMArcTangWizard4>(bytes, [](CTFMArcTangWizard4& w) { return w.GetSchema() == 0; });
        break;
    case 3:
        ArchiveRoundTrip<CConstantBlockWizard4>(
            bytes, [](CConstantBlockWizard4& w) { return w.GetACSchema() == 0 && w.GetSchema() == 1; });
        break;
    case 4:
        SinePageBlock(rest, restSize);
        break;
    case 5:
        Convert<CTFMSineWizard4>(rest, restSize, [](CTFMSineWizard4&) {});
        break;
    default:
        Convert<CConstantBlockWizard4>(rest, restSize, [](CConstantBlockWizard4& w) {
            CString text = "CONST E1 ( @PARAMLIST);";
            w.WriteSimDescr(nullptr, "IMMANENT", text);
        });
        break;
    }
    return 0;
}
