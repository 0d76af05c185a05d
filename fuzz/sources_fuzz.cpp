// Feeds arbitrary bytes to the readers of the linear sources' stored data. The first byte
// picks the reader: the wizard's archive block (sheet version 4; a block that loads is stored
// again, and storing, loading and storing once more must give the same bytes), the page
// block of the source page, the AC page's block through LoadObjectFromBuffer, or element
// data of the older wizard generation converted by the voltage or the current source. The
// editor stand-in checks that every parameter set fetched is given back.
#include "framework/ac_parameters.h"
#include "framework/requests.h"
#include "fuzz/fuzz_support.h"
#include "sources/linear_sources.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace fuzzsetup;

std::unique_ptr<ParamHolder> SourceSet() {
    return MakeSet("V1", {{2028, "EMF"}, {2034, "AMPL"}, {2036, "FREQ"}, {2038, "TPERIO"}, {2042, "PHASE"},
                          {2051, "TRISE"}, {2053, "TFALL"}, {2055, "PWIDTH"}, {2425, "AC_MAG"}, {2434, "AC_PHASE"},
                          {2430, "AC_RE"}, {2432, "AC_IM"}});
}

// A page of either kind reads a block through LoadObjectFromBuffer, as the conversion does.
template <class Page>
void PageBlock(const uint8_t* data, size_t size) {
    PageReadsBlocks<CLinearVoltageSourceWizard4, Page>(SourceSet(), data, size);
}

// Whatever was converted can be written too.
template <class Wizard>
void Convert(const uint8_t* data, size_t size) {
    ConvertAndDescribe<Wizard>(SourceSet(), data, size, "@TYPEV1 ( @PARAMLIST);");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzsetup::RunOnInput(data, size, [](uint8_t choice, const uint8_t* rest, size_t restSize) {
        switch (choice % 5) {
        case 0:
            StoreLoadStore<CLinearVoltageSourceWizard4>(std::vector<BYTE>(rest, rest + restSize), kSchemaWithAC<1>);
            break;
        case 1:
            PageBlock<CPropLinearSourceV>(rest, restSize);
            break;
        case 2:
            PageBlock<CPropACParameters>(rest, restSize);
            break;
        case 3:
            Convert<CLinearVoltageSourceWizard4>(rest, restSize);
            break;
        default:
            Convert<CLinearCurrentSourceWizard4>(rest, restSize);
            break;
        }
    });
}
