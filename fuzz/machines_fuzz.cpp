// Feeds arbitrary bytes to the machines and switches as stored data: as the archive blocks of
// the controlled switch and the nonlinear DC machine (a block that loads is stored again, and
// storing, loading and storing once more must give the same bytes), as older data of the
// controlled switch and the DC machine, and as a linear machine's additional data. The editor
// stand-in checks that every parameter set fetched is given back.
#include "fuzz/fuzz_support.h"
#include "power/dc_machine_nonlinear.h"
#include "power/machines.h"
#include "power/switches.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace fuzzsetup;

template <class Holder>
std::unique_ptr<Holder> MachineSet() {
    return MakeSet<Holder>("M1", {{7000, "LOAD", "old", 0x4},      {7020, "RA", "old", 0x4},        {7057, "PHI0", "old", 0x4},
                {2157, "CHLE", "old", 0x80000004u}, {1008, "CHLE_FILE", "old", 0x4}, {1009, "CHLE_STRG", "old", 0x4},
                {2159, "CHM", "old", 0x4},       {1010, "CHM_FILE", "old", 0x4},  {1011, "CHM_STRG", "old", 0x4},
                {2315, "VTH", "old", 0x4},       {2321, "ITH", "old", 0x4},       {7100, "N", "old", 0x8}});
}

template <class Wizard>
void Convert(const uint8_t* data, size_t size) {
    WithEditor<Wizard>(MachineSet<ParamHolder>(), [&](Wizard& wizard) {
        wizard.DoConvertWizard3Data(ExactCopy(data, size).get(), static_cast<long>(size));
        StoreBlock(wizard);
    });
}

void MachineData(const uint8_t* data, size_t size) {
    const std::vector<BYTE> bytes(data, data + size);
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string&) { std::abort(); });
    const DWORD element = editor.AddElement(MachineSet<CWizardSchematicDataExchange3>());
    editor.Exchange(element)->SetAdditionalData(bytes.data(), bytes.size());
    CDCMachineWizard wizard;
    editor.Attach(wizard, element);
    wizard.WriteSimDescr(nullptr, "IMMANENT", editor.Exchange(element));
    BYTE* left = nullptr;
    if (wizard.GetAdditionalWizardData(&left) != 0 || left != nullptr) std::abort();
    qv::power::ReadMachinePhaseUnit(ExactCopy(bytes.data(), bytes.size()).get(), static_cast<DWORD>(bytes.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static constexpr Reader kReaders[] = {RoundTrip<CSwitchControlledWizard4, kSchema<0>>,
                                          RoundTrip<CDCMachineNonlinearWizard4, kSchema<0>>,
                                          Convert<CDCMachineNonlinearWizard4>, Convert<CSwitchControlledWizard4>, MachineData};
    return RunOneOf(data, size, kReaders);
}
