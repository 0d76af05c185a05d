// Feeds arbitrary bytes to the integrator page as the page state it keeps with the wizard. The
// state that loads is stored again; loading that and storing once more must give the same
// bytes.
#include "blocks_linear/integrator_block.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Give(CWizardBase3& wizard, const uint8_t* data, size_t size) {
    BYTE* copy = new BYTE[size + 1];
    if (size != 0) std::memcpy(copy, data, size);
    wizard.SetAdditionalWizardData(copy, static_cast<DWORD>(size));
}

std::vector<BYTE> Stored(CWizardBase3& wizard) {
    BYTE* data = nullptr;
    const DWORD size = wizard.GetAdditionalWizardData(&data);
    return data != nullptr ? std::vector<BYTE>(data, data + size) : std::vector<BYTE>();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
    return 0;
}
