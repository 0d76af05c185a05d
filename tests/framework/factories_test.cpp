#include "framework/factories.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <map>
#include <memory>
#include <string>

namespace {

std::string ClassNameOf(const CObject* object) {
    return object->GetRuntimeClass()->m_lpszClassName;
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

// The row of the code's table for an ID of a base, or null.
const WizardFactoryEntry* RowOf(int base, unsigned id) {
    for (const WizardFactoryEntry& entry : qv::FactoryTable())
        if (entry.base == base && entry.id == id) return &entry;
    return nullptr;
}

// The editor's rows of a base whose class is built (has a creator in the code's table).
std::map<unsigned, std::string> BuiltIds(int base) {
    std::map<unsigned, std::string> built;
    for (const auto& [key, name] : EditorsIds()) {
        const WizardFactoryEntry* row = RowOf(key.first, key.second);
        if (key.first == base && row != nullptr && (base == 3 ? row->create3 != nullptr : row->create4 != nullptr))
            built[key.second] = name;
    }
    return built;
}

// What one factory call gave: nothing, or an object of a class, on the factory's base or not.
struct Yield {
    bool refused;
    std::string className;
    bool onExpectedBase;
};

Yield Older(int id) {
    std::unique_ptr<CObject> made(CreateWizardInstance(id));
    if (!made) return {true, "", false};
    return {false, ClassNameOf(made.get()), made->IsKindOf(RUNTIME_CLASS(CWizardBase3)) != 0};
}

Yield Newer(unsigned id) {
    std::unique_ptr<CObject> made(CreateWizard4Instance(id));
    if (!made) return {true, "", false};
    return {false, ClassNameOf(made.get()), made->IsKindOf(RUNTIME_CLASS(CWizardBase4)) != 0};
}

// A factory call must give an object of the editor's class name when the ID is a built ID of
// the factory's base (built holds the editor's names of those), and nothing otherwise.
void ExpectYield(const char* factory, long long id, const Yield& yield, const std::map<unsigned, std::string>& built,
                 unsigned key) {
    auto it = id >= 0 && id <= 0xFFFFFFFFLL ? built.find(key) : built.end();
    if (it == built.end()) {
        EXPECT_TRUE(yield.refused) << factory << " must refuse ID " << id << " but made a " << yield.className;
        return;
    }
    ASSERT_FALSE(yield.refused) << factory << " refused its built ID " << id;
    EXPECT_EQ(it->second, yield.className) << factory << " ID " << id;
    EXPECT_TRUE(yield.onExpectedBase) << factory << " ID " << id << " made a wizard of the other base";
}

// Each factory yields a wizard only for a built ID of its own base, and that wizard's
// runtime class is the one the editor expects; every other ID is refused: the gaps between
// and around the IDs, the extremes, and the other base's IDs. Today only the newer base has
// built classes, so the older factory must refuse the newer base's built IDs; once a class of
// the older base is built, the newer factory must refuse its ID likewise.
TEST(Factories, OlderFactoryRefusesIdsOutsideItsRangeAndOtherBasesIds) {
    const std::map<unsigned, std::string> built3 = BuiltIds(3);
    for (int id = -2; id <= 1100; ++id)
        ExpectYield("CreateWizardInstance", id, Older(id), built3, static_cast<unsigned>(id));
    for (int id : {std::numeric_limits<int>::min(), -100, -65536 + 15, 65536 + 15, std::numeric_limits<int>::max()})
        ExpectYield("CreateWizardInstance", id, Older(id), built3, static_cast<unsigned>(id));
    // Spelled out, so that a factory that looks in the wrong table fails by name.
    const std::map<unsigned, std::string> built4 = BuiltIds(4);
    ASSERT_FALSE(built4.empty()) << "no built wizard of the newer base: the refusals would prove nothing";
    for (const auto& [id, name] : built4)
        EXPECT_TRUE(Older(static_cast<int>(id)).refused) << "the older factory made " << name << " for ID " << id;
}

TEST(Factories, NewerFactoryRefusesIdsOfTheOlderBaseAndGaps) {
    const std::map<unsigned, std::string> built4 = BuiltIds(4);
    ASSERT_FALSE(built4.empty()) << "no built wizard at all: the check would prove nothing";
    for (unsigned id = 0; id <= 1100; ++id) ExpectYield("CreateWizard4Instance", id, Newer(id), built4, id);
    for (unsigned id : {0x10000u + 15u, 0x80000000u, 0x80000000u + 15u, 0xFFFFFFFFu})
        ExpectYield("CreateWizard4Instance", id, Newer(id), built4, id);
    for (const auto& [id, name] : BuiltIds(3))
        EXPECT_TRUE(Newer(id).refused) << "the newer factory made " << name << " for ID " << id;
}

// Walks every ID of both tables. A built ID must yield a new object of exactly its listed
// class each time. An ID whose class is not built yet must yield 0, its class must not be
// creatable by name (a class that can be made but has no row is a wizard the editor can
// never reach), and the exported table must report it as not built. The IDs still missing
// are listed, without failing, while their families are being built.
TEST(Factories, CompletenessEveryIdYieldsItsClassOrNothingYet) {
    const QvFactoryInfo* infos = nullptr;
    const size_t infoCount = QvGetFactoryTable(&infos);
    ASSERT_EQ(qv::FactoryTable().size(), infoCount);
    ASSERT_NE(nullptr, infos);

    std::string missing;
    int built = 0;
    size_t index = 0;
    for (const WizardFactoryEntry& entry : qv::FactoryTable()) {
        const QvFactoryInfo& info = infos[index++];
        EXPECT_EQ(entry.id, info.id);
        EXPECT_EQ(entry.base, info.base);
        EXPECT_STREQ(entry.className, info.className);
        const bool isBuilt = entry.base == 3 ? entry.create3 != nullptr : entry.create4 != nullptr;
        EXPECT_EQ(isBuilt ? 1 : 0, info.built) << "ID " << entry.id;
        const Yield first = entry.base == 3 ? Older(static_cast<int>(entry.id)) : Newer(entry.id);
        if (!isBuilt) {
            EXPECT_TRUE(first.refused) << "ID " << entry.id << " has no creator but yields a " << first.className;
            const CRuntimeClass* registered = CRuntimeClass::FromName(entry.className);
            EXPECT_TRUE(registered == nullptr || registered->m_pfnCreateObject == nullptr)
                << entry.className << " can be created by name, but ID " << entry.id << " has no creator";
            missing += " " + std::to_string(entry.base) + ":" + std::to_string(entry.id);
            continue;
        }
        ++built;
        std::unique_ptr<CObject> one;
        std::unique_ptr<CObject> two;
        if (entry.base == 3) {
            one.reset(CreateWizardInstance(static_cast<int>(entry.id)));
            two.reset(CreateWizardInstance(static_cast<int>(entry.id)));
        } else {
            one.reset(CreateWizard4Instance(entry.id));
            two.reset(CreateWizard4Instance(entry.id));
        }
        ASSERT_NE(nullptr, one) << "ID " << entry.id;
        ASSERT_NE(nullptr, two) << "ID " << entry.id;
        EXPECT_NE(one.get(), two.get()) << "ID " << entry.id << ": two calls, two objects";
        EXPECT_EQ(entry.className, ClassNameOf(one.get())) << "ID " << entry.id;
        EXPECT_TRUE(first.onExpectedBase) << "ID " << entry.id;
    }
    if (!missing.empty())
        std::printf("[ info ] %d of %zu wizard IDs built; not built yet (base:id):%s\n", built,
                    qv::FactoryTable().size(), missing.c_str());
}

// The base state the editor fills in, as a clone of a wizard of either base carries it.
struct BaseState {
    CWnd* receiver;
    UINT message;
    DWORD element;
    CQuorvatixDocument* document;
    bool operator==(const BaseState&) const = default;
};

template <class Wizard>
BaseState CloneOf(Wizard* made, const BaseState& source) {
    std::unique_ptr<Wizard> wizard(made);
    if (!wizard) return {};
    wizard->SetCommandReceiver(source.receiver);
    wizard->SetDocument(source.document);
    wizard->m_nMessageNumber = source.message;
    wizard->m_dwElementHandle = source.element;
    std::unique_ptr<Wizard> clone(wizard->Clone());
    if (!clone) return {};
    return {clone->GetCommandReceiver(), clone->m_nMessageNumber, clone->m_dwElementHandle, clone->GetDocument()};
}

// Every wizard that a factory yields gives a clone that still talks to the same editor:
// same command receiver, message number, element handle and document as its source.
TEST(Factories, EveryCloneCarriesItsSourcesBaseState) {
    CWnd receiver;
    CQuorvatixDocument document("/sandbox/sheet.qvx", "sheet");
    const BaseState source{&receiver, 0x8123, 4711, &document};
    for (const WizardFactoryEntry& entry : qv::FactoryTable()) {
        if (entry.create3 == nullptr && entry.create4 == nullptr) continue;
        const BaseState copied =
            entry.create3 != nullptr ? CloneOf(entry.create3(), source) : CloneOf(entry.create4(), source);
        EXPECT_TRUE(source == copied) << entry.className << " (ID " << entry.id << ")";
    }
}

} // namespace
