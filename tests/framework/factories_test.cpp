#include "framework/factories.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <set>
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

// The tables themselves: both factories together know every ID once, in the ranges the
// editor uses, with 330/340 naming the classes of 33/34.
TEST(Factories, TablesCoverExactlyTheKnownIds) {
    int count3 = 0;
    int count4 = 0;
    std::set<std::pair<int, unsigned>> seen;
    std::map<unsigned, std::string> names4;
    for (const WizardFactoryEntry& entry : qv::FactoryTable()) {
        EXPECT_TRUE(seen.insert({entry.base, entry.id}).second) << "ID " << entry.id << " twice";
        ASSERT_NE(nullptr, entry.className);
        EXPECT_EQ('C', entry.className[0]);
        if (entry.base == 3) {
            ++count3;
            EXPECT_GE(static_cast<int>(entry.id), qv::kFactory3MinId);
            EXPECT_LE(static_cast<int>(entry.id), qv::kFactory3MaxId);
            EXPECT_EQ(nullptr, entry.create4);
        } else {
            ASSERT_EQ(4, entry.base);
            ++count4;
            EXPECT_TRUE(entry.id >= 1 && (entry.id <= 114 || entry.id == 330 || entry.id == 340)) << entry.id;
            EXPECT_EQ(nullptr, entry.create3);
            names4[entry.id] = entry.className;
        }
    }
    EXPECT_EQ(64, count3);
    EXPECT_EQ(52, count4);
    for (const auto& [base, id] : seen) {
        if (base == 4) {
            EXPECT_FALSE(seen.count({3, id})) << "ID " << id << " in both tables";
        }
    }
    EXPECT_EQ(names4[33], names4[330]);
    EXPECT_EQ(names4[34], names4[340]);
    EXPECT_EQ("CTransferFunctionWizard4", names4[33]);
    EXPECT_EQ("CDiscreteTransferFunctionWizard4", names4[34]);
    EXPECT_EQ("CResistorWizard4", names4[15]);

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
