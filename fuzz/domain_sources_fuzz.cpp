// Feeds arbitrary bytes to the readers of the stored data of the linear sources of other
// domains. The first byte picks the reader: the wizard's archive block (sheet version 4; a
// block that loads is stored again, and storing, loading and storing once more must give the
// same bytes), the page block read into a page, or element data of the older wizard
// generation converted by either wizard and then written as model text. The editor
// stand-in checks that every parameter set fetched is given back.
#include "framework/ac_parameters.h"
#include "framework/param_list.h"
#include "framework/requests.h"
#include "fuzz/fuzz_support.h"
#include "sources/domain_sources.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace fuzzsetup;

std::unique_ptr<ParamHolder> SourceSet() {
    return MakeSet("F1", {{2028, "VALUE"}, {2034, "AMPL"}, {2036, "FREQ"}, {2038, "TPERIO"}, {2042, "PHASE"},
                          {2051, "TRISE"}, {2053, "TFALL"}, {2055, "PWIDTH"}, {2058, "DAMPING"}, {2425, "AC_MAG"},
                          {2434, "AC_PHASE"}, {2430, "AC_RE"}, {2432, "AC_IM"}});
}

// The model the converted wizard writes: whatever was converted can be written too.
constexpr char kModel[] = "@TYPE@NAME ( @PARAMLIST);";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static constexpr Reader kReaders[] = {
        RoundTrip<CLinearDomainsSourceAWizard4, kSchemaWithAC<2>, CLinearDomainsSourceBWizard4>,
        PageBlocks<CLinearDomainsSourceAWizard4, CPropLinearDomainsSourceA, SourceSet>,
        ConvertDescribed<CLinearDomainsSourceAWizard4, SourceSet, kModel>,
        ConvertDescribed<CLinearDomainsSourceBWizard4, SourceSet, kModel>};
    return RunOneOf(data, size, kReaders);
}
