#include "framework/factories.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

std::string ClassNameOf(const CObject* object) {
    return object->GetRuntimeClass()->m_lpszClassName;
}

TEST(Factories, OlderFactoryRefusesIdsOutsideItsRangeAndOtherBasesIds) {
    for (int id : {-1, -100, 0, 4, 114, 330, 1000})
        EXPECT_EQ(nullptr, CreateWizardInstance(id)) << "ID " << id;
    EXPECT_EQ(nullptr, CreateWizardInstance(8)) << "8 belongs to the newer base";
    EXPECT_EQ(nullptr, CreateWizardInstance(112)) << "112 belongs to the newer base";
}

TEST(Factories, NewerFactoryRefusesIdsOfTheOlderBaseAndGaps) {
    for (unsigned id : {0u, 5u, 6u, 7u, 21u, 32u, 113u, 115u, 329u, 331u, 339u, 341u, 0xFFFFFFFFu})
        EXPECT_EQ(nullptr, CreateWizard4Instance(id)) << "ID " << id;
}

// The tables as the editor knows them, written out here independently of the code's tables:
// an ID in the wrong table, a missing one or a misspelt class name shows up as a difference.
const std::map<std::pair<int, unsigned>, std::string>& EditorsIds() {
    static const std::map<std::pair<int, unsigned>, std::string> ids = [] {
        std::map<std::pair<int, unsigned>, std::string> all;
        const std::pair<unsigned, const char*> older[] = {
        {5, "CAmmeterWizard"}, {6, "CVoltmeterWizard"}, {7, "CSingleOutputMeterWizard"},
        {21, "CInductionMachineWizard"}, {22, "CSyncMachineWizard"}, {23, "CSyncMachineDamperWizard"},
        {24, "CPMSyncMachineWizard"}, {25, "CPMSyncMachineDamperWizard"}, {26, "CDCMachinePMWizard"},
        {27, "CDCMachineWizard"}, {28, "CSwitchWizard"}, {32, "CGainBlockWizard"}, {41, "CTFMNeedleWizard"},
        {44, "CTransitionWizard"}, {45, "CStateGraphWizard"}, {46, "CStateGraphIOWizard"},
        {47, "CIntegratorBlockWizard"}, {48, "CDiscreteIntegratorBlockWizard"}, {49, "CDifferentiatorBlockWizard"},
        {50, "CMemoryBlockWizard"}, {51, "CDelayBlockWizard"}, {52, "CDiscreteDelayBlockWizard"},
        {53, "CSampleAndHoldBlockWizard"}, {59, "CNegatorBlockWizard"}, {60, "CLimiterBlockWizard"},
        {61, "CComparatorBlockWizard"}, {62, "CTwoPointElementWizard"}, {63, "CDiscretizationElementWizard"},
        {64, "CNPointElementWizard"}, {67, "CFctExpLnAbsRecBlockWizard"}, {68, "CRootBlockWizard"},
        {69, "CSignBlockWizard"}, {70, "CPowerBlockWizard"}, {72, "CEqulCharacteristicWizard"},
        {73, "CExpCharacteristicWizard"}, {74, "CHypCharacteristicWizard"}, {75, "CCdiCharacteristicWizard"},
        {76, "CPo2CharacteristicWizard"}, {77, "CCpiCharacteristicWizard"}, {83, "CFFTBlockWizard"},
        {86, "CSCRiseTimeWizard"}, {87, "CSCFallTimeWizard"}, {88, "CSCPulseDurationWizard"},
        {89, "CSCMaximumWizard"}, {90, "CSCMinimumWizard"}, {91, "CSCTimePeriodWizard"}, {92, "CSCProbe1Wizard"},
        {93, "CSCProbe2Wizard"}, {94, "CSCTimeResponseWizard"}, {95, "CSCOvershootWizard"}, {96, "CSCIntegralWizard"},
        {97, "CSCMeanValueWizard"}, {98, "CSCRMSValueWizard"}, {99, "CSCPowerWizard"}, {100, "CSCSlidingMeanWizard"},
        {101, "CSCSlidingRMSWizard"}, {102, "CSCSensitivityWizard"}, {106, "CLinearTransformerWizard"},
        {107, "CTransformerPriSecSideWizard"}, {108, "CThreePhaseTransformerWizard"},
        {109, "CThreePhaseTransformerPriSecSideWizard"}, {110, "CCoreModelWizard"}, {111, "CCoreModelFixedWizard"},
        {113, "CDifferentiatorBlock2Wizard"},
        };
        const std::pair<unsigned, const char*> newer[] = {
        {1, "CNonlinearVoltageSourceWizard4"}, {2, "CNonlinearCurrentSourceWizard4"},
        {3, "CLinearVoltageSourceWizard4"}, {4, "CLinearCurrentSourceWizard4"}, {8, "CDiodeWizard4"},
        {9, "CIgbtWizard4"}, {10, "CMosfetWizard4"}, {11, "CBjtWizard4"}, {12, "CGtoWizard4"},
        {13, "CThyristorWizard4"}, {14, "CTriacWizard4"}, {15, "CResistorWizard4"}, {16, "CConductanceWizard4"},
        {17, "CCapacitorWizard4"}, {18, "CInductorWizard4"}, {19, "CMutualInductanceWizard4"},
        {20, "CTwoWindingTransformerWizard4"}, {29, "CVCOWizard4"}, {30, "CDCMachineNonlinearWizard4"},
        {31, "CPolynomSourceWizard4"}, {33, "CTransferFunctionWizard4"}, {34, "CDiscreteTransferFunctionWizard4"},
        {35, "CTFMSineWizard4"}, {36, "CTFMSawToothWizard4"}, {37, "CTFMPulseWizard4"}, {38, "CTFMTriangleWizard4"},
        {39, "CTFMTrapezWizard4"}, {40, "CTFMArcTangWizard4"}, {42, "CTFMVCOWizard4"}, {43, "CTFMDataPairsWizard4"},
        {54, "CDigitalFilterWizard4"}, {55, "CConstantBlockWizard4"}, {56, "CStepFunctionBlockWizard4"},
        {57, "CRandomBlockWizard4"}, {58, "CMinMaxSumMulBlockWizard4"}, {65, "CNonlinearCharacteristicWizard4"},
        {66, "CFctSinCosTanBlockWizard4"}, {71, "CMaximumTMinimumTBlockWizard4"}, {78, "C2DLookupTableWizard4"},
        {79, "CEquationBlockWizard4"}, {80, "CInitialValuesWizard4"}, {81, "CEquationWizard4"},
        {82, "CDeadTimeBlockWizard4"}, {84, "CSwitchControlledWizard4"}, {85, "CFourierSourceWizard4"},
        {103, "C3DLookupTableWizard4"}, {104, "CLinearDomainsSourceAWizard4"}, {105, "CLinearDomainsSourceBWizard4"},
        {112, "CNonlinearTransformerWizard4"}, {114, "CHysteresisSwitchWizard4"}, {330, "CTransferFunctionWizard4"},
        {340, "CDiscreteTransferFunctionWizard4"},
        };
        for (const auto& [id, name] : older) all[{3, id}] = name;
        for (const auto& [id, name] : newer) all[{4, id}] = name;
        return all;
    }();
    return ids;
}

TEST(Factories, TablesHoldExactlyTheEditorsIdsAndClasses) {
    std::map<std::pair<int, unsigned>, std::string> inCode;
    for (const WizardFactoryEntry& entry : qv::FactoryTable()) {
        ASSERT_NE(nullptr, entry.className);
        EXPECT_TRUE(inCode.insert({{entry.base, entry.id}, entry.className}).second) << "ID " << entry.id << " twice";
        const bool otherBaseCreator = entry.base == 3 ? entry.create4 != nullptr : entry.create3 != nullptr;
        EXPECT_FALSE(otherBaseCreator) << "ID " << entry.id << " creates a wizard of the other base";
    }
    for (const auto& [key, name] : EditorsIds()) {
        auto it = inCode.find(key);
        if (it == inCode.end())
            ADD_FAILURE() << "base " << key.first << " ID " << key.second << " (" << name << ") is missing";
        else
            EXPECT_EQ(name, it->second) << "base " << key.first << " ID " << key.second;
    }
    for (const auto& [key, name] : inCode)
        EXPECT_TRUE(EditorsIds().count(key)) << "base " << key.first << " ID " << key.second << " (" << name
                                             << ") is no ID of the editor";

    const QvFactoryInfo* infos = nullptr;
    ASSERT_EQ(qv::FactoryTable().size(), QvGetFactoryTable(&infos));
    ASSERT_NE(nullptr, infos);
    EXPECT_EQ(qv::FactoryTable()[0].id, infos[0].id);
}

// Walks every ID of both tables. A built ID must yield a new object of exactly its listed
// class each time; an ID whose class does not exist yet must yield 0. The IDs still missing
// are listed, without failing, while their families are being built.
TEST(Factories, CompletenessEveryIdYieldsItsClassOrNothingYet) {
    std::string missing;
    int built = 0;
    for (const WizardFactoryEntry& entry : qv::FactoryTable()) {
        const bool isBuilt = entry.base == 3 ? entry.create3 != nullptr : entry.create4 != nullptr;
        std::unique_ptr<CObject> first;
        std::unique_ptr<CObject> second;
        if (entry.base == 3) {
            first.reset(CreateWizardInstance(static_cast<int>(entry.id)));
            second.reset(CreateWizardInstance(static_cast<int>(entry.id)));
        } else {
            first.reset(CreateWizard4Instance(entry.id));
            second.reset(CreateWizard4Instance(entry.id));
        }
        if (!isBuilt) {
            EXPECT_EQ(nullptr, first) << "ID " << entry.id << " has no creator but yields an object";
            missing += " " + std::to_string(entry.base) + ":" + std::to_string(entry.id);
            continue;
        }
        ++built;
        ASSERT_NE(nullptr, first) << "ID " << entry.id;
        ASSERT_NE(nullptr, second) << "ID " << entry.id;
        EXPECT_NE(first.get(), second.get()) << "ID " << entry.id << ": two calls, two objects";
        EXPECT_EQ(entry.className, ClassNameOf(first.get())) << "ID " << entry.id;
        const CRuntimeClass* expectedBase = entry.base == 3 ? RUNTIME_CLASS(CWizardBase3) : RUNTIME_CLASS(CWizardBase4);
        EXPECT_TRUE(first->IsKindOf(expectedBase)) << "ID " << entry.id;
    }
    if (!missing.empty())
        std::printf("[ info ] %d of %zu wizard IDs built; not built yet (base:id):%s\n", built,
                    qv::FactoryTable().size(), missing.c_str());
}

} // namespace
