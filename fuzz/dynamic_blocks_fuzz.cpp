// Feeds arbitrary bytes to the dynamic blocks' readers of stored data. The first byte picks
// the reader: the integrator page's state kept with the wizard (the state that loads is stored
// again; loading that and storing once more must give the same bytes), the dead-time wizard's
// archive block (the same round trip), the dead-time element's data of the older wizard
// generation (converted through a hidden page), a 4.x parameter set whose initial values stand
// in one comma-separated list, and an initial-value file read by the dead-time page. The editor
// stand-in checks that every parameter set fetched is given back.
#include "afx/user_script.h"
#include "blocks_linear/dead_time.h"
#include "blocks_linear/integrator_block.h"
#include "framework/requests.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/temp_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace fuzzsetup;

void Give(CWizardBase3& wizard, const uint8_t* data, size_t size) {
    wizard.SetAdditionalWizardData(ExactCopy(data, size).release(), static_cast<DWORD>(size));
}

std::vector<BYTE> Stored(CWizardBase3& wizard) {
    BYTE* data = nullptr;
    const DWORD size = wizard.GetAdditionalWizardData(&data);
    return data != nullptr ? std::vector<BYTE>(data, data + size) : std::vector<BYTE>();
}

void IntegratorState(const uint8_t* data, size_t size) {
    CIntegratorBlockWizard wizard;
    Give(wizard, data, size);
    CPropIntegratorBlock page(&wizard, nullptr);
    page.LoadFromBuffer();
    page.SaveToBuffer();
    const std::vector<BYTE> first = Stored(wizard);

    CIntegratorBlockWizard again;
    Give(again, first.data(), first.size());
    CPropIntegratorBlock reloaded(&again, nullptr);
    reloaded.LoadFromBuffer();
    reloaded.SaveToBuffer();
    if (Stored(again) != first) std::abort();
}

std::unique_ptr<ParamHolder> DeadTimeSet(const std::string& samples, const std::string& list) {
    return MakeSet("DT1",
                   {{2186, "INPUT"}, {2202, "TS"}, {2042, "NH", samples.c_str()}, {2134, "Y0", list.c_str(), 0x6},
                    {2134, "Y0[0]"}, {2117, "FILE", "1", 0x100004}, {1012, "FREF"}, {2056, "OUT", "1", 0x8}},
                   true);
}

void DeadTimeOlderBlock(const uint8_t* data, size_t size) {
    ConvertAndStore<CDeadTimeBlockWizard4>(DeadTimeSet("2", "0"), data, size, [&](CDeadTimeBlockWizard4& wizard) {
        CString text = "DEADTIME DT1 ( @PARAMLIST);";
        if (wizard.GetMode() != 0) wizard.WriteSimDescr(nullptr, "IMMANENT", text);
    });
}

// The input split at its first zero byte: the samples text, then the old list.
void DeadTime4x(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const size_t cut = std::find(data, data + size, 0) - data;
    const std::string samples(text, cut);
    const std::string list = cut < size ? std::string(text + cut + 1, size - cut - 1) : std::string();
    WithEditor<CDeadTimeBlockWizard4>(DeadTimeSet(samples, list), [](CDeadTimeBlockWizard4& wizard) {
        wizard.DoConversionFrom4x();
        if (wizard.GetMode() != 1) std::abort();
    });
}

void DeadTimeFile(const uint8_t* data, size_t size) {
    static const std::string path = fuzzfile::TempPath("dynamic_blocks_fuzz", ".mdx");
    fuzzfile::Put(path, data, size);
    WithEditor<CDeadTimeBlockWizard4>(DeadTimeSet("2", "0"), [&](CDeadTimeBlockWizard4& wizard) {
        ScopedParamSet params{RequestTarget(&wizard)};
        CPropDeadBlock page(&wizard, params.Cookie());
        page.SetHidden(true);
        WithWindow(page, qv::blocks::kDeadTimeTemplate, [&](CPropDeadBlock& read) {
            if (read.ReadInitialValueFile(path.c_str()) &&
                static_cast<size_t>(read.List().GetItemCount()) != read.GetValues().size())
                std::abort();
        });
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzsetup::RunOnInput(data, size, [](uint8_t choice, const uint8_t* rest, size_t restSize) {
        static constexpr Reader kReaders[] = {IntegratorState, RoundTrip<CDeadTimeBlockWizard4, kSchema<0>>,
                                              DeadTimeOlderBlock, DeadTime4x, DeadTimeFile};
        qv::UserScript::Instance().Reset();
        kReaders[choice % std::size(kReaders)](rest, restSize);
    });
}
