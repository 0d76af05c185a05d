// Feeds arbitrary bytes to the readers of the time-function pages besides the sine. The first
// byte picks the wizard whose conversion of older element data reads them (saw-tooth, pulse,
// triangle, trapezoid, arc tangent, VCO) through its hidden page, or, with the saw-tooth and
// no data, its Initialize. What was converted must store again, and the editor stand-in
// checks that every parameter set fetched is given back.
#include "framework/requests.h"
#include "fuzz/fuzz_support.h"
#include "timefunctions/wave_pages.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

using namespace fuzzsetup;

std::unique_ptr<ParamHolder> ElementSet() {
    return MakeSet("E1", {
        {2034, "AMPL", "1", 0x4, "", ""},         {2036, "FREQ", "1", 0x4, "Frequency", "Hz"}, {2038, "TPERIO", "1", 0x4, "Time", "s"},
        {2040, "TDELAY", "1", 0x4, "Time", "s"},  {2042, "PHASE", "1", 0x4, "Angle", "rad"},   {2047, "OFF", "1", 0x4, "", ""},
        {2049, "PERIO", "1", 0x4, "", ""},        {2051, "TRISE", "1", 0x4, "Time", "s"},      {2053, "TFALL", "1", 0x4, "Time", "s"},
        {2055, "PWIDTH", "1", 0x4, "Time", "s"},  {2209, "LIMY", "1", 0x4, "Angle", "rad"},    {2010, "FX", "1", 0x4, "", ""},
        {2211, "XOFF", "1", 0x4, "Angle", "rad"}, {2213, "YOFF", "1", 0x4, "", ""},            {2186, "IN", "1", 0x4, "Voltage", "V"},
        {2151, "VMAX", "1", 0x4, "Voltage", "V"}, {2152, "VMIN", "1", 0x4, "Voltage", "V"},    {1000, "RAMP", "1", 0x4, "", ""}});
}

template <class Wizard>
void Convert(const uint8_t* data, size_t size) {
    WithEditor<Wizard>(ElementSet(), [&](Wizard& wizard, qv::SchematicEditor& editor) {
        wizard.DoConvertWizard3Data(size == 0 ? nullptr : data, static_cast<long>(size));
        if (wizard.GetPage() != nullptr) std::abort();
        StoreBlock(wizard);
        if (editor.OutstandingCookies() != 0) std::abort();
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return RunOnInput(data, size, [](uint8_t choice, const uint8_t* rest, size_t restSize) {
        switch (choice % 6) {
        case 0: Convert<CTFMSawToothWizard4>(rest, restSize); break;
        case 1: Convert<CTFMPulseWizard4>(rest, restSize); break;
        case 2: Convert<CTFMTriangleWizard4>(rest, restSize); break;
        case 3: Convert<CTFMTrapezWizard4>(rest, restSize); break;
        case 4: Convert<CTFMArcTangWizard4>(rest, restSize); break;
        default: Convert<CTFMVCOWizard4>(rest, restSize); break;
        }
    });
}
