// Feeds arbitrary bytes to the readers of the oscillator and polynomial sources' stored data.
// The first byte picks the reader: either wizard's archive block (sheet version 4; a block
// that loads is stored again, and storing, loading and storing once more must give the same
// bytes), the oscillator page's block, or element data of the older wizard generation
// converted by either wizard; the Fourier source's archive block, its older data, and a
// harmonics table imported from a data file (".mdx" or text columns). The editor stand-in
// checks that every parameter set fetched is given back.
#include "afx/user_script.h"
#include "editor/schematic_editor.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/temp_file.h"
#include "sources/fourier_source.h"
#include "framework/requests.h"
#include "sources/polynomial_source.h"
#include "sources/vco_source.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <type_traits>
#include <vector>

namespace {

using namespace fuzzsetup;

std::unique_ptr<ParamHolder> SourceSet() {
    return MakeSet("S1", {{2151, "UL"},
                          {2152, "LL"},
                          {2034, "AMPL"},
                          {2042, "PHASE"},
                          {2472, "SPC"},
                          {2163, "ORDER"},
                          {2166, "COEFF", "1", 0x6},
                          {2172, "QUANT", "1", 0x6},
                          {2172, "QUANT[0]"},
                          {2425, "AC_MAG"},
                          {2434, "AC_PHASE"},
                          {2430, "AC_RE"},
                          {2432, "AC_IM"},
                          {2117, "FILE", "1", 0x100004},
                          {1001, "I_SRC"},
                          {1002, "V_SRC"}});
}

template <class Wizard>
void Convert(const uint8_t* data, size_t size) {
    ConvertAndStore<Wizard>(SourceSet(), data, size, [&](Wizard& wizard) {
        // The Fourier source writes a data file with its text; the others only text.
        if constexpr (!std::is_same_v<Wizard, CFourierSourceWizard4>) {
            CString text = "@TYPES1 ( @LIST @PARAMLIST);";
            wizard.WriteSimDescr(nullptr, "IMMANENT", text);
        }
    });
}

// The page reads the file as an import does; message boxes are answered with their default.
template <bool text>
void HarmonicsImport(const uint8_t* data, size_t size) {
    static const std::string path = fuzzfile::TempPath("generator_sources_fuzz", text ? ".txt" : ".mdx");
    fuzzfile::Put(path, data, size);
    WithEditor<CFourierSourceWizard4>(SourceSet(), [&](CFourierSourceWizard4& wizard) {
        ScopedParamSet params{RequestTarget(&wizard)};
        CPropFourierSource page(&wizard, params.Holder());
        WithWindow(page, qv::sources::kFourierTemplate, [&](CPropFourierSource& read) {
            if (read.ReadDataFile(path.c_str()) && qv::sources::TableRows(read.GetTable()) != read.List().GetItemCount())
                std::abort();
        });
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static constexpr Reader kReaders[] = {
        RoundTrip<CVCOWizard4, kSchemaWithAC<0>>,
        RoundTrip<CPolynomSourceWizard4, kSchemaWithAC<0>>,
        PageBlocks<CVCOWizard4, CPropVCO, SourceSet>,
        Convert<CVCOWizard4>,
        Convert<CPolynomSourceWizard4>,
        RoundTrip<CFourierSourceWizard4, kSchema<0>>,
        Convert<CFourierSourceWizard4>,
        HarmonicsImport<false>,
        HarmonicsImport<true>};
    return RunOnInput(data, size, [](uint8_t choice, const uint8_t* rest, size_t restSize) {
        qv::UserScript::Instance().Reset();
        kReaders[choice % std::size(kReaders)](rest, restSize);
    });
}
