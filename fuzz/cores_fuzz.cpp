// Feeds arbitrary bytes to the magnetic core's readers and curve builders. The first byte
// chooses: even, the bytes after it are an additional data block, read by both pages' readers
// (a block that gave texts is stored and read again and must give the same settings), by the
// two pages themselves through their wizards (they must agree with the block reader), and
// read as the page archive by the page's own Serialize; odd,
// the bytes after it are parameter texts separated by NUL for a level's keywords, and the
// level's curve is built (its point count is fixed by the level).
#include "fuzz/input_bytes.h"
#include "power/core_curves.h"
#include "power/core_pages.h"
#include "power/cores.h"
#include "wizard/copa.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// The pages read the block their wizard holds; without a window they only take the values.
void ReadThroughPages(const uint8_t* data, size_t size, const qv::power::cores::EddyCurrentSettings& expected,
                      DWORD fixedSwitch)
{
    CCoreModelWizard wizard;
    CCoreModelFixedWizard fixedWizard;
    if (size > 0) {
        wizard.SetAdditionalWizardData(fuzzsetup::ExactCopy(data, size).release(), static_cast<DWORD>(size));
        fixedWizard.SetAdditionalWizardData(fuzzsetup::ExactCopy(data, size).release(), static_cast<DWORD>(size));
    }
    CPropCoreModel page(&wizard, nullptr);
    page.LoadAdditionalWizardData();
    const auto& remembered = page.GetRemembered();
    if ((page.GetEddyCurrentLoss() != 0) != (expected.switchedOn != 0) || remembered.resistivity != expected.resistivity ||
        remembered.coefficient1 != expected.coefficient1 || remembered.coefficient2 != expected.coefficient2)
        std::abort();
    CPropCoreModelFixed fixedPage(&fixedWizard, nullptr);
    fixedPage.LoadAdditionalWizardData();
    if ((fixedPage.GetEddyCurrentLoss() != 0) != (fixedSwitch != 0))
        std::abort();

    // The page archive read straight from the bytes: it ends or raises, never reads beyond.
    CPropCoreModel archivePage(nullptr, nullptr);
    fuzzsetup::SerializeFrom(archivePage, std::vector<BYTE>(data, data + size));
}

void ReadBlock(const uint8_t* data, size_t size)
{
    using namespace qv::power::cores;
    EddyCurrentSettings fixed;
    LoadCoreAdditionalData(data, size, fixed, false);
    EddyCurrentSettings settings;
    LoadCoreAdditionalData(data, size, settings, true);
    const std::vector<BYTE> stored = StoreCoreAdditionalData(settings);
    EddyCurrentSettings again;
    again.resistivity = "?";
    LoadCoreAdditionalData(stored.data(), stored.size(), again, true);
    if (again.switchedOn != settings.switchedOn || again.resistivity != settings.resistivity ||
        again.coefficient1 != settings.coefficient1 || again.coefficient2 != settings.coefficient2)
        std::abort();
    ReadThroughPages(data, size, settings, fixed.switchedOn);
}

void BuildCurve(uint8_t selector, const uint8_t* data, size_t size)
{
    static const char* const kKeywords[] = {"MUE", "AHYP", "MSHYP", "CHYP", "KHYP",
                                            "ALAN", "MSLAN", "ALPHALAN", "CLAN", "KLAN"};
    std::vector<std::unique_ptr<CWizardCopaObject3>> objects;
    CPtrArray params;
    std::string text;
    size_t keyword = 0;
    for (size_t i = 0; i <= size && keyword < std::size(kKeywords); ++i) {
        if (i < size && data[i] != 0) {
            text.push_back(static_cast<char>(data[i]));
            continue;
        }
        auto object = std::make_unique<CWizardCopaObject3>();
        object->SetValueID(static_cast<WORD>(1000 + keyword));
        object->SetName(kKeywords[keyword]);
        object->SetValue(text.c_str());
        params.Add(object.get());
        objects.push_back(std::move(object));
        text.clear();
        ++keyword;
    }
    const int level = static_cast<int>(selector >> 1) % 6;
    const size_t expected[] = {2, 200, 200, 400, 400, 0};
    const auto points = qv::power::cores::BuildCurve(level, params);
    const bool complete = level == 5 || keyword == std::size(kKeywords);
    if (complete && points.size() != expected[level])
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    if ((data[0] & 1) == 0)
        ReadBlock(data + 1, size - 1);
    else
        BuildCurve(data[0], data + 1, size - 1);
    return 0;
}
