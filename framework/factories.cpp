#include "framework/factories.h"

#include "blocks_linear/dead_time.h"
#include "blocks_linear/delay_blocks.h"
#include "blocks_linear/differentiator_block.h"

#include "blocks_linear/digital_filter.h"
#include "blocks_linear/discrete_transfer_function.h"
#include "blocks_linear/gain_block.h"
#include "blocks_linear/integrator_block.h"
#include "blocks_linear/memory_sample_hold.h"
#include "blocks_linear/transfer_function.h"
#include "blocks_math/fft_block.h"
#include "blocks_math/function_blocks.h"
#include "blocks_math/max_min_time.h"
#include "blocks_math/min_max_sum_mul.h"
#include "blocks_math/n_point_element.h"
#include "blocks_math/nonlinear_characteristic.h"
#include "blocks_math/static_blocks.h"
#include "equations/characteristic_equations.h"
#include "equations/equation_block.h"
#include "equations/expression_elements.h"
#include "equations/lookup_table_2d.h"
#include "equations/lookup_table_3d.h"
#include "equations/state_graph.h"
#include "measurement/meters.h"
#include "measurement/signal_characteristics.h"
#include "passive/capacitor_inductor.h"
#include "passive/coupled_inductors.h"
#include "passive/nonlinear_transformer.h"
#include "passive/resistor_conductance.h"
#include "passive/transformers_older_base.h"
#include "power/core_pages.h"
#include "power/dc_machine_nonlinear.h"
#include "power/machines.h"
#include "power/semiconductors.h"
#include "power/switches.h"
#include "sources/controlled_sources.h"
#include "sources/domain_sources.h"
#include "sources/fourier_source.h"
#include "sources/linear_sources.h"
#include "sources/polynomial_source.h"
#include "sources/vco_source.h"
#include "timefunctions/data_pairs.h"
#include "timefunctions/source_blocks.h"
#include "timefunctions/time_functions.h"

#include <array>

namespace {

// Both factories' tables. A wizard class enters its row by naming its creator:
// NewWizard3<Class> or NewWizard4<Class>; IDs 33/34 use NewWizard4With<Class, 1> and
// 330/340 NewWizard4With<Class, 0>. Rows without a creator yield 0 until the class is built.
constexpr WizardFactoryEntry kFactoryTable[] = {
    // IDs of CreateWizardInstance (wizards on CWizardBase3), in ID order.
    {.id = 5, .base = 3, .className = "CAmmeterWizard", .create3 = NewWizard3<CAmmeterWizard>, .create4 = nullptr},
    {.id = 6, .base = 3, .className = "CVoltmeterWizard", .create3 = NewWizard3<CVoltmeterWizard>, .create4 = nullptr},
    {.id = 7, .base = 3, .className = "CSingleOutputMeterWizard", .create3 = NewWizard3<CSingleOutputMeterWizard>, .create4 = nullptr},
    {.id = 21, .base = 3, .className = "CInductionMachineWizard", .create3 = NewWizard3<CInductionMachineWizard>, .create4 = nullptr},
    {.id = 22, .base = 3, .className = "CSyncMachineWizard", .create3 = NewWizard3<CSyncMachineWizard>, .create4 = nullptr},
    {.id = 23, .base = 3, .className = "CSyncMachineDamperWizard", .create3 = NewWizard3<CSyncMachineDamperWizard>, .create4 = nullptr},
    {.id = 24, .base = 3, .className = "CPMSyncMachineWizard", .create3 = NewWizard3<CPMSyncMachineWizard>, .create4 = nullptr},
    {.id = 25, .base = 3, .className = "CPMSyncMachineDamperWizard", .create3 = NewWizard3<CPMSyncMachineDamperWizard>, .create4 = nullptr},
    {.id = 26, .base = 3, .className = "CDCMachinePMWizard", .create3 = NewWizard3<CDCMachinePMWizard>, .create4 = nullptr},
    {.id = 27, .base = 3, .className = "CDCMachineWizard", .create3 = NewWizard3<CDCMachineWizard>, .create4 = nullptr},
    {.id = 28, .base = 3, .className = "CSwitchWizard", .create3 = NewWizard3<CSwitchWizard>, .create4 = nullptr},
    {.id = 32, .base = 3, .className = "CGainBlockWizard", .create3 = NewWizard3<CGainBlockWizard>, .create4 = nullptr},
    {.id = 41, .base = 3, .className = "CTFMNeedleWizard", .create3 = NewWizard3<CTFMNeedleWizard>, .create4 = nullptr},
    {.id = 44, .base = 3, .className = "CTransitionWizard", .create3 = NewWizard3<CTransitionWizard>, .create4 = nullptr},
    {.id = 45, .base = 3, .className = "CStateGraphWizard", .create3 = NewWizard3<CStateGraphWizard>, .create4 = nullptr},
    {.id = 46, .base = 3, .className = "CStateGraphIOWizard", .create3 = NewWizard3<CStateGraphIOWizard>, .create4 = nullptr},
    {.id = 47, .base = 3, .className = "CIntegratorBlockWizard", .create3 = NewWizard3<CIntegratorBlockWizard>, .create4 = nullptr},
    {.id = 48, .base = 3, .className = "CDiscreteIntegratorBlockWizard", .create3 = NewWizard3<CDiscreteIntegratorBlockWizard>, .create4 = nullptr},
    {.id = 49, .base = 3, .className = "CDifferentiatorBlockWizard", .create3 = NewWizard3<CDifferentiatorBlockWizard>, .create4 = nullptr},
    {.id = 50, .base = 3, .className = "CMemoryBlockWizard", .create3 = NewWizard3<CMemoryBlockWizard>, .create4 = nullptr},
    {.id = 51, .base = 3, .className = "CDelayBlockWizard", .create3 = NewWizard3<CDelayBlockWizard>, .create4 = nullptr},
    {.id = 52, .base = 3, .className = "CDiscreteDelayBlockWizard", .create3 = NewWizard3<CDiscreteDelayBlockWizard>, .create4 = nullptr},
    {.id = 53, .base = 3, .className = "CSampleAndHoldBlockWizard", .create3 = NewWizard3<CSampleAndHoldBlockWizard>, .create4 = nullptr},
    {.id = 59, .base = 3, .className = "CNegatorBlockWizard", .create3 = NewWizard3<CNegatorBlockWizard>, .create4 = nullptr},
    {.id = 60, .base = 3, .className = "CLimiterBlockWizard", .create3 = NewWizard3<CLimiterBlockWizard>, .create4 = nullptr},
    {.id = 61, .base = 3, .className = "CComparatorBlockWizard", .create3 = NewWizard3<CComparatorBlockWizard>, .create4 = nullptr},
    {.id = 62, .base = 3, .className = "CTwoPointElementWizard", .create3 = NewWizard3<CTwoPointElementWizard>, .create4 = nullptr},
    {.id = 63, .base = 3, .className = "CDiscretizationElementWizard", .create3 = NewWizard3<CDiscretizationElementWizard>, .create4 = nullptr},
    {.id = 64, .base = 3, .className = "CNPointElementWizard", .create3 = NewWizard3<CNPointElementWizard>, .create4 = nullptr},
    {.id = 67, .base = 3, .className = "CFctExpLnAbsRecBlockWizard", .create3 = NewWizard3<CFctExpLnAbsRecBlockWizard>, .create4 = nullptr},
    {.id = 68, .base = 3, .className = "CRootBlockWizard", .create3 = NewWizard3<CRootBlockWizard>, .create4 = nullptr},
    {.id = 69, .base = 3, .className = "CSignBlockWizard", .create3 = NewWizard3<CSignBlockWizard>, .create4 = nullptr},
    {.id = 70, .base = 3, .className = "CPowerBlockWizard", .create3 = NewWizard3<CPowerBlockWizard>, .create4 = nullptr},
    {.id = 72, .base = 3, .className = "CEqulCharacteristicWizard", .create3 = NewWizard3<CEqulCharacteristicWizard>, .create4 = nullptr},
    {.id = 73, .base = 3, .className = "CExpCharacteristicWizard", .create3 = NewWizard3<CExpCharacteristicWizard>, .create4 = nullptr},
    {.id = 74, .base = 3, .className = "CHypCharacteristicWizard", .create3 = NewWizard3<CHypCharacteristicWizard>, .create4 = nullptr},
    {.id = 75, .base = 3, .className = "CCdiCharacteristicWizard", .create3 = NewWizard3<CCdiCharacteristicWizard>, .create4 = nullptr},
    {.id = 76, .base = 3, .className = "CPo2CharacteristicWizard", .create3 = NewWizard3<CPo2CharacteristicWizard>, .create4 = nullptr},
    {.id = 77, .base = 3, .className = "CCpiCharacteristicWizard", .create3 = NewWizard3<CCpiCharacteristicWizard>, .create4 = nullptr},
    {.id = 83, .base = 3, .className = "CFFTBlockWizard", .create3 = NewWizard3<CFFTBlockWizard>, .create4 = nullptr},
    {.id = 86, .base = 3, .className = "CSCRiseTimeWizard", .create3 = NewWizard3<CSCRiseTimeWizard>, .create4 = nullptr},
    {.id = 87, .base = 3, .className = "CSCFallTimeWizard", .create3 = NewWizard3<CSCFallTimeWizard>, .create4 = nullptr},
    {.id = 88, .base = 3, .className = "CSCPulseDurationWizard", .create3 = NewWizard3<CSCPulseDurationWizard>, .create4 = nullptr},
    {.id = 89, .base = 3, .className = "CSCMaximumWizard", .create3 = NewWizard3<CSCMaximumWizard>, .create4 = nullptr},
    {.id = 90, .base = 3, .className = "CSCMinimumWizard", .create3 = NewWizard3<CSCMinimumWizard>, .create4 = nullptr},
    {.id = 91, .base = 3, .className = "CSCTimePeriodWizard", .create3 = NewWizard3<CSCTimePeriodWizard>, .create4 = nullptr},
    {.id = 92, .base = 3, .className = "CSCProbe1Wizard", .create3 = NewWizard3<CSCProbe1Wizard>, .create4 = nullptr},
    {.id = 93, .base = 3, .className = "CSCProbe2Wizard", .create3 = NewWizard3<CSCProbe2Wizard>, .create4 = nullptr},
    {.id = 94, .base = 3, .className = "CSCTimeResponseWizard", .create3 = NewWizard3<CSCTimeResponseWizard>, .create4 = nullptr},
    {.id = 95, .base = 3, .className = "CSCOvershootWizard", .create3 = NewWizard3<CSCOvershootWizard>, .create4 = nullptr},
    {.id = 96, .base = 3, .className = "CSCIntegralWizard", .create3 = NewWizard3<CSCIntegralWizard>, .create4 = nullptr},
    {.id = 97, .base = 3, .className = "CSCMeanValueWizard", .create3 = NewWizard3<CSCMeanValueWizard>, .create4 = nullptr},
    {.id = 98, .base = 3, .className = "CSCRMSValueWizard", .create3 = NewWizard3<CSCRMSValueWizard>, .create4 = nullptr},
    {.id = 99, .base = 3, .className = "CSCPowerWizard", .create3 = NewWizard3<CSCPowerWizard>, .create4 = nullptr},
    {.id = 100, .base = 3, .className = "CSCSlidingMeanWizard", .create3 = NewWizard3<CSCSlidingMeanWizard>, .create4 = nullptr},
    {.id = 101, .base = 3, .className = "CSCSlidingRMSWizard", .create3 = NewWizard3<CSCSlidingRMSWizard>, .create4 = nullptr},
    {.id = 102, .base = 3, .className = "CSCSensitivityWizard", .create3 = NewWizard3<CSCSensitivityWizard>, .create4 = nullptr},
    {.id = 106, .base = 3, .className = "CLinearTransformerWizard", .create3 = NewWizard3<CLinearTransformerWizard>, .create4 = nullptr},
    {.id = 107, .base = 3, .className = "CTransformerPriSecSideWizard", .create3 = NewWizard3<CTransformerPriSecSideWizard>, .create4 = nullptr},
    {.id = 108, .base = 3, .className = "CThreePhaseTransformerWizard", .create3 = NewWizard3<CThreePhaseTransformerWizard>, .create4 = nullptr},
    {.id = 109, .base = 3, .className = "CThreePhaseTransformerPriSecSideWizard", .create3 = NewWizard3<CThreePhaseTransformerPriSecSideWizard>, .create4 = nullptr},
    {.id = 110, .base = 3, .className = "CCoreModelWizard", .create3 = NewWizard3<CCoreModelWizard>, .create4 = nullptr},
    {.id = 111, .base = 3, .className = "CCoreModelFixedWizard", .create3 = NewWizard3<CCoreModelFixedWizard>, .create4 = nullptr},
    {.id = 113, .base = 3, .className = "CDifferentiatorBlock2Wizard", .create3 = NewWizard3<CDifferentiatorBlock2Wizard>, .create4 = nullptr},

    // IDs of CreateWizard4Instance (wizards on CWizardBase4), in ID order. 330 and 340 make the
    // classes of 33 and 34 with constructor argument 0 where 33 and 34 pass 1.
    {.id = 1, .base = 4, .className = "CNonlinearVoltageSourceWizard4", .create3 = nullptr, .create4 = NewWizard4<CNonlinearVoltageSourceWizard4>},
    {.id = 2, .base = 4, .className = "CNonlinearCurrentSourceWizard4", .create3 = nullptr, .create4 = NewWizard4<CNonlinearCurrentSourceWizard4>},
    {.id = 3, .base = 4, .className = "CLinearVoltageSourceWizard4", .create3 = nullptr, .create4 = NewWizard4<CLinearVoltageSourceWizard4>},
    {.id = 4, .base = 4, .className = "CLinearCurrentSourceWizard4", .create3 = nullptr, .create4 = NewWizard4<CLinearCurrentSourceWizard4>},
    {.id = 8, .base = 4, .className = "CDiodeWizard4", .create3 = nullptr, .create4 = NewWizard4<CDiodeWizard4>},
    {.id = 9, .base = 4, .className = "CIgbtWizard4", .create3 = nullptr, .create4 = NewWizard4<CIgbtWizard4>},
    {.id = 10, .base = 4, .className = "CMosfetWizard4", .create3 = nullptr, .create4 = NewWizard4<CMosfetWizard4>},
    {.id = 11, .base = 4, .className = "CBjtWizard4", .create3 = nullptr, .create4 = NewWizard4<CBjtWizard4>},
    {.id = 12, .base = 4, .className = "CGtoWizard4", .create3 = nullptr, .create4 = NewWizard4<CGtoWizard4>},
    {.id = 13, .base = 4, .className = "CThyristorWizard4", .create3 = nullptr, .create4 = NewWizard4<CThyristorWizard4>},
    {.id = 14, .base = 4, .className = "CTriacWizard4", .create3 = nullptr, .create4 = NewWizard4<CTriacWizard4>},
    {.id = 15, .base = 4, .className = "CResistorWizard4", .create3 = nullptr, .create4 = NewWizard4<CResistorWizard4>},
    {.id = 16, .base = 4, .className = "CConductanceWizard4", .create3 = nullptr, .create4 = NewWizard4<CConductanceWizard4>},
    {.id = 17, .base = 4, .className = "CCapacitorWizard4", .create3 = nullptr, .create4 = NewWizard4<CCapacitorWizard4>},
    {.id = 18, .base = 4, .className = "CInductorWizard4", .create3 = nullptr, .create4 = NewWizard4<CInductorWizard4>},
    {.id = 19, .base = 4, .className = "CMutualInductanceWizard4", .create3 = nullptr, .create4 = NewWizard4<CMutualInductanceWizard4>},
    {.id = 20, .base = 4, .className = "CTwoWindingTransformerWizard4", .create3 = nullptr, .create4 = NewWizard4<CTwoWindingTransformerWizard4>},
    {.id = 29, .base = 4, .className = "CVCOWizard4", .create3 = nullptr, .create4 = NewWizard4<CVCOWizard4>},
    {.id = 30, .base = 4, .className = "CDCMachineNonlinearWizard4", .create3 = nullptr, .create4 = NewWizard4<CDCMachineNonlinearWizard4>},
    {.id = 31, .base = 4, .className = "CPolynomSourceWizard4", .create3 = nullptr, .create4 = NewWizard4<CPolynomSourceWizard4>},
    {.id = 33, .base = 4, .className = "CTransferFunctionWizard4", .create3 = nullptr, .create4 = NewWizard4With<CTransferFunctionWizard4, 1>},
    {.id = 34, .base = 4, .className = "CDiscreteTransferFunctionWizard4", .create3 = nullptr, .create4 = NewWizard4With<CDiscreteTransferFunctionWizard4, 1>},
    {.id = 35, .base = 4, .className = "CTFMSineWizard4", .create3 = nullptr, .create4 = NewWizard4<CTFMSineWizard4>},
    {.id = 36, .base = 4, .className = "CTFMSawToothWizard4", .create3 = nullptr, .create4 = NewWizard4<CTFMSawToothWizard4>},
    {.id = 37, .base = 4, .className = "CTFMPulseWizard4", .create3 = nullptr, .create4 = NewWizard4<CTFMPulseWizard4>},
    {.id = 38, .base = 4, .className = "CTFMTriangleWizard4", .create3 = nullptr, .create4 = NewWizard4<CTFMTriangleWizard4>},
    {.id = 39, .base = 4, .className = "CTFMTrapezWizard4", .create3 = nullptr, .create4 = NewWizard4<CTFMTrapezWizard4>},
    {.id = 40, .base = 4, .className = "CTFMArcTangWizard4", .create3 = nullptr, .create4 = NewWizard4<CTFMArcTangWizard4>},
    {.id = 42, .base = 4, .className = "CTFMVCOWizard4", .create3 = nullptr, .create4 = NewWizard4<CTFMVCOWizard4>},
    {.id = 43, .base = 4, .className = "CTFMDataPairsWizard4", .create3 = nullptr, .create4 = NewWizard4<CTFMDataPairsWizard4>},
    {.id = 54, .base = 4, .className = "CDigitalFilterWizard4", .create3 = nullptr, .create4 = NewWizard4<CDigitalFilterWizard4>},
    {.id = 55, .base = 4, .className = "CConstantBlockWizard4", .create3 = nullptr, .create4 = NewWizard4<CConstantBlockWizard4>},
    {.id = 56, .base = 4, .className = "CStepFunctionBlockWizard4", .create3 = nullptr, .create4 = NewWizard4<CStepFunctionBlockWizard4>},
    {.id = 57, .base = 4, .className = "CRandomBlockWizard4", .create3 = nullptr, .create4 = NewWizard4<CRandomBlockWizard4>},
    {.id = 58, .base = 4, .className = "CMinMaxSumMulBlockWizard4", .create3 = nullptr, .create4 = NewWizard4<CMinMaxSumMulBlockWizard4>},
    {.id = 65, .base = 4, .className = "CNonlinearCharacteristicWizard4", .create3 = nullptr, .create4 = NewWizard4<CNonlinearCharacteristicWizard4>},
    {.id = 66, .base = 4, .className = "CFctSinCosTanBlockWizard4", .create3 = nullptr, .create4 = NewWizard4<CFctSinCosTanBlockWizard4>},
    {.id = 71, .base = 4, .className = "CMaximumTMinimumTBlockWizard4", .create3 = nullptr, .create4 = NewWizard4<CMaximumTMinimumTBlockWizard4>},
    {.id = 78, .base = 4, .className = "C2DLookupTableWizard4", .create3 = nullptr, .create4 = NewWizard4<C2DLookupTableWizard4>},
    {.id = 79, .base = 4, .className = "CEquationBlockWizard4", .create3 = nullptr, .create4 = NewWizard4<CEquationBlockWizard4>},
    {.id = 80, .base = 4, .className = "CInitialValuesWizard4", .create3 = nullptr, .create4 = NewWizard4<CInitialValuesWizard4>},
    {.id = 81, .base = 4, .className = "CEquationWizard4", .create3 = nullptr, .create4 = NewWizard4<CEquationWizard4>},
    {.id = 82, .base = 4, .className = "CDeadTimeBlockWizard4", .create3 = nullptr, .create4 = NewWizard4<CDeadTimeBlockWizard4>},
    {.id = 84, .base = 4, .className = "CSwitchControlledWizard4", .create3 = nullptr, .create4 = NewWizard4<CSwitchControlledWizard4>},
    {.id = 85, .base = 4, .className = "CFourierSourceWizard4", .create3 = nullptr, .create4 = NewWizard4<CFourierSourceWizard4>},
    {.id = 103, .base = 4, .className = "C3DLookupTableWizard4", .create3 = nullptr, .create4 = NewWizard4<C3DLookupTableWizard4>},
    {.id = 104, .base = 4, .className = "CLinearDomainsSourceAWizard4", .create3 = nullptr, .create4 = NewWizard4<CLinearDomainsSourceAWizard4>},
    {.id = 105, .base = 4, .className = "CLinearDomainsSourceBWizard4", .create3 = nullptr, .create4 = NewWizard4<CLinearDomainsSourceBWizard4>},
    {.id = 112, .base = 4, .className = "CNonlinearTransformerWizard4", .create3 = nullptr, .create4 = NewWizard4<CNonlinearTransformerWizard4>},
    {.id = 114, .base = 4, .className = "CHysteresisSwitchWizard4", .create3 = nullptr, .create4 = NewWizard4<CHysteresisSwitchWizard4>},
    {.id = 330, .base = 4, .className = "CTransferFunctionWizard4", .create3 = nullptr, .create4 = NewWizard4With<CTransferFunctionWizard4, 0>},
    {.id = 340, .base = 4, .className = "CDiscreteTransferFunctionWizard4", .create3 = nullptr, .create4 = NewWizard4With<CDiscreteTransferFunctionWizard4, 0>},
};

constexpr size_t kFactoryCount = sizeof(kFactoryTable) / sizeof(kFactoryTable[0]);

const WizardFactoryEntry* FindEntry(unsigned int id, int base) {
    for (const WizardFactoryEntry& entry : kFactoryTable)
        if (entry.id == id && entry.base == base) return &entry;
    return nullptr;
}

std::array<QvFactoryInfo, kFactoryCount> MakeInfoTable() {
    std::array<QvFactoryInfo, kFactoryCount> infos{};
    for (size_t i = 0; i < kFactoryCount; ++i) {
        const WizardFactoryEntry& entry = kFactoryTable[i];
        const bool built = entry.base == 3 ? entry.create3 != nullptr : entry.create4 != nullptr;
        infos[i] = QvFactoryInfo{entry.id, entry.base, entry.className, built ? 1 : 0};
    }
    return infos;
}

} // namespace

extern "C" QV_EXPORT CWizardBase3* CreateWizardInstance(int id) {
    if (id < qv::kFactory3MinId || id > qv::kFactory3MaxId) return nullptr;
    const WizardFactoryEntry* entry = FindEntry(static_cast<unsigned int>(id), 3);
    if (entry == nullptr || entry->create3 == nullptr) return nullptr;
    return entry->create3();
}

extern "C" QV_EXPORT CWizardBase4* CreateWizard4Instance(unsigned int id) {
    const WizardFactoryEntry* entry = FindEntry(id, 4);
    if (entry == nullptr || entry->create4 == nullptr) return nullptr;
    return entry->create4();
}

extern "C" QV_EXPORT size_t QvGetFactoryTable(const QvFactoryInfo** entries) {
    static const std::array<QvFactoryInfo, kFactoryCount> infos = MakeInfoTable();
    if (entries != nullptr) *entries = infos.data();
    return infos.size();
}

namespace qv {
std::span<const WizardFactoryEntry> FactoryTable() {
    return std::span<const WizardFactoryEntry>(kFactoryTable, kFactoryCount);
}
} // namespace qv
