// Feeds arbitrary bytes to the readers of the data-pairs time function's stored data and to
// the step-function and random blocks' conversion of older data. The first byte picks the
// reader: the wizard's archive block (sheet version 4; a block that loads is stored again,
// and storing, loading and storing once more must give the same bytes), the 4.x block, the
// older wizard base's block (StoreToWizard with the page's archive form inside), the page's
// archive form alone, or older data of the step or random block. Every input is handed over
// in a buffer of exactly its size, so a read past the end is seen by the sanitizer; the
// editor stand-in checks that every parameter set fetched is given back.
#include "framework/param_list.h"
#include "framework/requests.h"
#include "fuzz/fuzz_support.h"
#include "timefunctions/data_pairs.h"
#include "timefunctions/step_random_pages.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace fuzzsetup;

// No file names: the readers never reach for a data file.
std::unique_ptr<ParamHolder> ElementSet() {
    return MakeSet("E1", {
        {2038, "TPERIO", "1", 0x4, "Time", "s"},  {2040, "TDELAY", "1", 0x4, "Time", "s"}, {2042, "PHASE", "1", 0x4, "Angle", "deg"},
        {2049, "PERIO", "1", 0x4, "", ""},        {2122, "FILE", "", 0x100004, "", ""},   {2117, "FNAME", "", 0x100004, "", ""},
        {1012, "FREF", "", 0x100004, "", ""},    {1000, "OLDMODE", "1", 0x4, "", ""},     {1001, "OLDFLAGS", "1", 0x4, "", ""},
        {2247, "T0", "1", 0x4, "Time", "s"},      {2249, "AMPL", "1", 0x4, "", ""},        {2187, "Y0", "1", 0x4, "", ""},
        {2183, "TS", "1", 0x4, "Time", "s"},      {2425, "AC_MAG", "1", 0x4, "", ""},      {2434, "AC_PHASE", "1", 0x4, "Angle", "deg"},
        {2430, "AC_RE", "1", 0x4, "", ""},        {2432, "AC_IM", "1", 0x4, "", ""},       {2056, "OUT", "1", 0x8, "", ""}});
}

// The wizard on the element; whatever it did leaves no placeholder behind.
template <class Wizard, class Run>
void WithElement(Run run) {
    WithEditor<Wizard>(ElementSet(), [&](Wizard& wizard) {
        run(wizard);
        if (g_PlaceholderList.GetSize() != 0) std::abort();
    });
}

void PageArchive(const BYTE* data, size_t size) {
    WithElement<CTFMDataPairsWizard4>([&](CTFMDataPairsWizard4& wizard) {
        ScopedParamSet params{RequestTarget(&wizard)};
        CPropTFMDataPairs page(&wizard, params.Cookie());
        page.SetHidden(true);
        SerializeFrom(page, std::vector<BYTE>(data, data + size));
        // Every point comes from the bytes (two doubles at least), whatever count they give.
        if (static_cast<size_t>(page.Points().GetSize()) * 16 > size) std::abort();
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return RunOnInput(data, size, [](uint8_t choice, const uint8_t* restData, size_t restSize) {
        const std::unique_ptr<BYTE[]> rest = ExactCopy(restData, restSize);
        switch (choice % 6) {
        case 0:
            StoreLoadStore<CTFMDataPairsWizard4>(std::vector<BYTE>(rest.get(), rest.get() + restSize), kSchema<0>);
            break;
        case 1:
            WithElement<CTFMDataPairsWizard4>([&](CTFMDataPairsWizard4& w) {
                w.DoConversionFrom4x(rest.get(), static_cast<long>(restSize));
                StoreBlock(w);
            });
            break;
        case 2:
            WithElement<CTFMDataPairsWizard4>([&](CTFMDataPairsWizard4& w) {
                w.DoConvertWizard3Data(rest.get(), static_cast<long>(restSize));
                StoreBlock(w);
            });
            break;
        case 3:
            PageArchive(rest.get(), restSize);
            break;
        case 4:
            WithElement<CStepFunctionBlockWizard4>([&](CStepFunctionBlockWizard4& w) {
                w.DoConvertWizard3Data(rest.get(), static_cast<long>(restSize));
                CString text = "STEP E1 ( @PARAMLIST);";
                w.WriteSimDescr(nullptr, "IMMANENT", text);
            });
            break;
        default:
            WithElement<CRandomBlockWizard4>([&](CRandomBlockWizard4& w) {
                w.DoConvertWizard3Data(rest.get(), static_cast<long>(restSize));
                CString text = "RANDOM E1 ( @PARAMLIST);";
                w.WriteSimDescr(nullptr, "IMMANENT", text);
            });
            break;
        }
    });
}
