// Semiconductor characteristic equations (wizard IDs 72 to 77): one page (dialog 2575) with
// up to four numbers, each with a unit, the element name and one result output. Each wizard
// shows its own variant of the page, which relabels the rows and hides those it does not use.
//
// | ID | Row 1 (2247, unit 2511)        | Row 2 (2249, 2512)  | Row 3 (2251, 2513)          | Row 4 (2253, 2514) |
// |----|--------------------------------|---------------------|-----------------------------|--------------------|
// | 72 | Forward Voltage                | Bulk Resistance     | Reverse Resistance          | hidden             |
// | 73 | Thermal Voltage                | Saturation Current  | Reverse Resistance          | hidden             |
// | 74 | Forward Voltage                | Bulk Resistance     | Reverse Resistance          | hidden             |
// | 75 | Thermal Voltage                | Saturation Current  | Minority Carrier Lifetime   | hidden             |
// | 76 | Reverse Resistance             | Coefficient A       | Coefficient B               | Coefficient C (only row 1 has a unit) |
// | 77 | Zero-bias Junction Capacitance | Diffusion Voltage   | hidden                      | hidden             |
//
// The value ID of each row's parameter is its edit's control ID; 2056 is the result output.
// Hidden rows and rows fed by a pin are written on apply all the same.
#pragma once

#include "framework/older_base_block.h"
#include "toolkit/tb_unit_combo.h"

namespace qv::characteristic {
constexpr UINT kCharacteristicTemplate = 2575;
constexpr int kRowCount = 4;
constexpr WORD kIdOutput = 2056;
// The controls of row r: label, edit (= value ID), unit list.
constexpr int kLabels[kRowCount] = {2246, 2248, 2250, 2252};
constexpr WORD kValueIds[kRowCount] = {2247, 2249, 2251, 2253};
constexpr int kUnitLists[kRowCount] = {2511, 2512, 2513, 2514};

// What a variant shows: the label string of each row (0: the row is hidden) and whether the
// unit lists of rows 2 to 4 are shown.
struct CharacteristicVariant {
    UINT labels[kRowCount];
    bool unitsBeyondFirst;
};
constexpr CharacteristicVariant kEqul{{2737, 2738, 2739, 0}, true};
constexpr CharacteristicVariant kExp{{2740, 2741, 2739, 0}, true};
constexpr CharacteristicVariant kHyp{{2737, 2738, 2739, 0}, true};
constexpr CharacteristicVariant kCdi{{2740, 2741, 2742, 0}, true};
constexpr CharacteristicVariant kPo2{{2739, 2743, 2744, 2745}, false};
constexpr CharacteristicVariant kCpi{{2746, 2747, 0, 0}, true};
} // namespace qv::characteristic

class CPropEqulExpHypCdiPo2CpiCharacteristic : public COlderBaseBlockPage {
    DECLARE_SERIAL(CPropEqulExpHypCdiPo2CpiCharacteristic)
public:
    CPropEqulExpHypCdiPo2CpiCharacteristic();
    CPropEqulExpHypCdiPo2CpiCharacteristic(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange,
                                           const qv::characteristic::CharacteristicVariant& variant);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnApply() override;

protected:
    void EnableEdits();
    void ShowVariant();
    void OnOutput() { ToggleOutputSwitch(m_bOutput, qv::characteristic::kIdOutput, qv::characteristic::kIdOutput); }
    DECLARE_MESSAGE_MAP()

    const qv::characteristic::CharacteristicVariant* m_pVariant = nullptr;
    CTBUnitComboBox m_cmbUnits[qv::characteristic::kRowCount];
    CString m_strValues[qv::characteristic::kRowCount];
    BOOL m_bOutput = FALSE;
};

// The page variants and their wizards: each wizard shows its variant.
#define PARVEL_CHARACTERISTIC_WIZARD(Page, Wizard, variant)                                                   \
    class Page : public CPropEqulExpHypCdiPo2CpiCharacteristic {                                             \
    public:                                                                                                   \
        Page(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)                                   \
            : CPropEqulExpHypCdiPo2CpiCharacteristic(wizard, exchange, variant) {}                           \
    };                                                                                                        \
    class Wizard : public TOlderBaseBlockWizard<Page, Wizard> {                                               \
        DECLARE_DYNAMIC(Wizard)                                                                               \
    public:                                                                                                   \
        Wizard() = default;                                                                                   \
        explicit Wizard(const Wizard* other) : TOlderBaseBlockWizard(other) {}                                \
    };

PARVEL_CHARACTERISTIC_WIZARD(CPropEqulCharacteristic, CEqulCharacteristicWizard, qv::characteristic::kEqul)
PARVEL_CHARACTERISTIC_WIZARD(CPropExpCharacteristic, CExpCharacteristicWizard, qv::characteristic::kExp)
PARVEL_CHARACTERISTIC_WIZARD(CPropHypCharacteristic, CHypCharacteristicWizard, qv::characteristic::kHyp)
PARVEL_CHARACTERISTIC_WIZARD(CPropCdiCharacteristic, CCdiCharacteristicWizard, qv::characteristic::kCdi)
PARVEL_CHARACTERISTIC_WIZARD(CPropPo2Characteristic, CPo2CharacteristicWizard, qv::characteristic::kPo2)
PARVEL_CHARACTERISTIC_WIZARD(CPropCpiCharacteristic, CCpiCharacteristicWizard, qv::characteristic::kCpi)
