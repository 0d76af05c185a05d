// Feeds arbitrary bytes to the readers of the time functions' and source blocks' stored data.
// The first byte picks the reader: the archive block of a time-function wizard or of the
// constant block (sheet version 4; a block that loads is stored again, and storing, loading
// and storing once more must give the same bytes), the sine page's block through
// LoadObjectFromBuffer, or element data of the older wizard generation converted by the sine
// or the constant block. The editor stand-in checks that every parameter set fetched is
// given back.
#include "framework/ac_parameters.h"
#include "framework/param_list.h"
#include "framework/requests.h"
#include "fuzz/fuzz_support.h"
#include "timefunctions/source_blocks.h"
#include "timefunctions/time_functions.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace fuzzsetup;

std::unique_ptr<ParamHolder> ElementSet() {
    return MakeSet("E1", {{2034, "AMPL", "1", 0x4, "", ""},        {2036, "FREQ", "1", 0x4, "Frequency", "Hz"},
                               {2038, "TPERIO", "1", 0x4, "Time", "s"}, {2040, "TDELAY", "1", 0x4, "Time", "s"},
                               {2042, "PHASE", "1", 0x4, "Angle", "rad"}, {2047, "OFF", "1", 0x4, "", ""},
                               {2049, "PERIO", "1", 0x4, "", ""},       {2028, "CONST", "1", 0x4, "", ""},
                               {2183, "TS", "1", 0x4, "Time", "s"},     {2425, "AC_MAG", "1", 0x4, "", ""},
                               {2434, "AC_PHASE", "1", 0x4, "Angle", "deg"}, {2430, "AC_RE", "1", 0x4, "", ""},
                               {2432, "AC_IM", "1", 0x4, "", ""}});
}

template <class Wizard, class Write>
void Convert(const uint8_t* data, size_t size, Write write) {
    ConvertAndStore<Wizard>(ElementSet(), data, size, [&](Wizard& wizard) {
        // Whatever was converted can be written too.
        write(wizard);
        if (g_PlaceholderList.GetSize() != 0) std::abort();
    });
}

void ConvertSine(const uint8_t* data, size_t size) {
    Convert<CTFMSineWizard4>(data, size, [](CTFMSineWizard4&) {});
}

void ConvertConstant(const uint8_t* data, size_t size) {
    Convert<CConstantBlockWizard4>(data, size, [](CConstantBlockWizard4& w) {
        CString text = "CONST E1 ( @PARAMLIST);";
        w.WriteSimDescr(nullptr, "IMMANENT", text);
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static constexpr Reader kReaders[] = {
        RoundTrip<CTFMSineWizard4, kSchema<0>>,    RoundTrip<CTFMSawToothWizard4, kSchema<0>>,
        RoundTrip<CTFMArcTangWizard4, kSchema<0>>, RoundTrip<CConstantBlockWizard4, kSchemaWithAC<1>>,
        PageBlocks<CTFMSineWizard4, CPropTFMSine, ElementSet>, ConvertSine, ConvertConstant};
    return RunOneOf(data, size, kReaders);
}
