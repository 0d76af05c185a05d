// Feeds arbitrary bytes to the readers of the time-function pages besides the sine. The first
// byte picks the wizard whose conversion of older element data reads them (saw-tooth, pulse,
// triangle, trapezoid, arc tangent, VCO) through its hidden page, or, with the saw-tooth and
// no data, its Initialize. What was converted must store again, and the editor stand-in
// checks that every parameter set fetched is given back.
#include "editor/schematic_editor.h"
#include "framework/requests.h"
#include "timefunctions/wave_pages.h"
#include "win32/module.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

std::unique_ptr<ParamHolder> ElementSet() {
    struct Row {
        WORD id;
        const char* name;
        const char* quantity;
        const char* unit;
    };
    static const Row rows[] = {
        {2034, "AMPL", "", ""},         {2036, "FREQ", "Frequency", "Hz"}, {2038, "TPERIO", "Time", "s"},
        {2040, "TDELAY", "Time", "s"},  {2042, "PHASE", "Angle", "rad"},   {2047, "OFF", "", ""},
        {2049, "PERIO", "", ""},        {2051, "TRISE", "Time", "s"},      {2053, "TFALL", "Time", "s"},
        {2055, "PWIDTH", "Time", "s"},  {2209, "LIMY", "Angle", "rad"},    {2010, "FX", "", ""},
        {2211, "XOFF", "Angle", "rad"}, {2213, "YOFF", "", ""},            {2186, "IN", "Voltage", "V"},
        {2151, "VMAX", "Voltage", "V"}, {2152, "VMIN", "Voltage", "V"},    {1000, "RAMP", "", ""},
    };
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
void Convert(const uint8_t* data, size_t size) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    Wizard wizard;
    editor.Attach(wizard, editor.AddElement(ElementSet()));
    wizard.DoConvertWizard3Data(size == 0 ? nullptr : data, static_cast<long>(size));
    if (wizard.GetPage() != nullptr) std::abort();
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    wizard.Serialize(ar, eSheetVersion4);
    ar.Close();
    if (editor.OutstandingCookies() != 0) std::abort();
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
    switch (data[0] % 6) {
    case 0: Convert<CTFMSawToothWizard4>(rest, restSize); break;
    case 1: Convert<CTFMPulseWizard4>(rest, restSize); break;
    case 2: Convert<CTFMTriangleWizard4>(rest, restSize); break;
    case 3: Convert<CTFMTrapezWizard4>(rest, restSize); break;
    case 4: Convert<CTFMArcTangWizard4>(rest, restSize); break;
    default: Convert<CTFMVCOWizard4>(rest, restSize); break;
    }
    return 0;
}
