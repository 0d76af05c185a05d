#include "wizard/wizard.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(CopaObject, DeleteOnlyWhenDeletable) {
    CWizardCopaObject3 entry;
    entry.Delete();
    EXPECT_FALSE(entry.IsDeleted()) << "an entry that is not deletable stays live";
    entry.SetDeletable(TRUE);
    entry.Delete();
    EXPECT_TRUE(entry.IsDeleted());
    entry.Undelete();
    EXPECT_FALSE(entry.IsDeleted());
}

TEST(CopaObject, DirectionsCountOnlyExactValues) {
    CWizardCopaObject3 p;
    p.SetType(0xC);
    EXPECT_FALSE(p.IsInput());
    EXPECT_FALSE(p.IsOutput());
    EXPECT_FALSE(p.IsInOut());
    p.SetType(0x80000004u | 0x100000);
    EXPECT_TRUE(p.IsInput());
    EXPECT_TRUE(p.HasPin());
    p.SetType(0x8);
    EXPECT_TRUE(p.IsOutput());
    p.SetType(0x10 | 0x2);
    EXPECT_TRUE(p.IsInOut());
    p.SetType(0x14);
    EXPECT_FALSE(p.IsInput());
    EXPECT_FALSE(p.IsInOut());
}

TEST(CopaObject, MapGettersNeverInsert) {
    CWizardCopaObject3 p;
    p.SetInfoByLangID(0x407, "Widerstand");
    EXPECT_EQ(CString("Widerstand"), p.GetInfoByLangID(0x407));
    EXPECT_TRUE(p.GetInfoByLangID(0x409).IsEmpty());
    EXPECT_EQ(1, p.GetInfoMap().GetCount());
    EXPECT_TRUE(p.GetDescriptionByLangID(0x409).IsEmpty());
    EXPECT_EQ(0, p.GetDescriptionMap().GetCount());
    EXPECT_TRUE(p.GetAccessBySimLang("X").IsEmpty());
    EXPECT_EQ(0, p.GetAccessMap().GetCount());
    EXPECT_TRUE(p.GetDefValBySimLang("X").IsEmpty());
    EXPECT_EQ(0, p.GetDefaultValueMap().GetCount());
    p.SetInfoByLangID(0x407, "R");
    EXPECT_EQ(CString("R"), p.GetInfoByLangID(0x407)) << "setting an existing language replaces it";
    EXPECT_EQ(1, p.GetInfoMap().GetCount());
}

TEST(CopaObject, MapSettersReplaceContentAndHashSize) {
    CWizardCopaObject3 p;
    p.SetAccessBySimLang("OLD", "x");
    CMapStringToString empty;
    p.SetAccessMap(empty);
    EXPECT_EQ(0, p.GetAccessMap().GetCount());

    CLanguageTextMap source;
    source.InitHashTable(31);
    source.SetAt(0x409, "Resistance");
    source.SetAt(0x407, "Widerstand");
    p.SetDescriptionByLangID(0x40C, "stale");
    p.SetDescriptionMap(source);
    EXPECT_EQ(2, p.GetDescriptionMap().GetCount());
    EXPECT_EQ(31u, p.GetDescriptionMap().GetHashTableSize());
    EXPECT_TRUE(p.GetDescriptionByLangID(0x40C).IsEmpty());
    EXPECT_EQ(CString("Widerstand"), p.GetDescriptionByLangID(0x407));

    CMapStringToString defaults;
    defaults.SetAt("SIM", "1k");
    p.SetDefaultValueMap(defaults);
    defaults.SetAt("SIM", "2k");
    EXPECT_EQ(CString("1k"), p.GetDefValBySimLang("SIM")) << "the map is copied, not shared";
}

TEST(CopaObject, CopiesCarryEveryFieldAndCreateWizCopaMakesAFreshEntry) {
    CWizardCopaObject3 templ;
    templ.SetName("SDB");
    templ.SetValue("1");
    templ.SetUnit("V");
    templ.SetValueID(2034);
    templ.SetType(0x8);
    templ.SetInfoByLangID(0x409, "info");
    templ.SetUsedUnit("mV");
    templ.SetTolMax("5%");
    templ.SetDeletable(TRUE);
    templ.Delete();
    CWizardCopaObject3 other;
    templ.SetCopaObject(&other);

    CWizardCopaObject3 copy(&templ);
    EXPECT_EQ(CString("SDB"), copy.GetName());
    EXPECT_EQ(CString("mV"), copy.GetUsedUnit());
    EXPECT_EQ(CString("5%"), copy.GetTolMax());
    EXPECT_EQ(2034, copy.GetValueID());
    EXPECT_EQ(CString("info"), copy.GetInfoByLangID(0x409));
    EXPECT_TRUE(copy.IsDeleted());
    EXPECT_EQ(&other, copy.GetCopaObject());

    std::unique_ptr<CWizardCopaObject3> entry(CWizardCopaObject3::CreateWizCopa(&templ));
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ(CString("SDB"), entry->GetName());
    EXPECT_FALSE(entry->IsDeleted());
    EXPECT_EQ(nullptr, entry->GetCopaObject());
    EXPECT_EQ(&templ, entry->GetTemplateObject());
    EXPECT_EQ(nullptr, CWizardCopaObject3::CreateWizCopa(nullptr));
}

CWizardCopaObject3* MakeParam(const char* name, WORD id, bool deletable, bool deleted) {
    auto* p = new CWizardCopaObject3;
    p->SetName(name);
    p->SetValueID(id);
    p->SetDeletable(deletable);
    if (deleted) p->Delete();
    return p;
}

TEST(ParamHolderTest, PurgeRemovesDeletedEntriesAndOutputsOfDeletedParameters) {
    CWizardSchematicDataExchange3 holder;
    CWizardCopaObject3* keep = MakeParam("A", 1, true, false);
    CWizardCopaObject3* gone = MakeParam("B", 2, true, true);
    holder.AddParam(keep);
    holder.AddParam(nullptr);
    holder.AddParam(gone);
    CWizardCopaObject3* outKeep = MakeParam("SDB", 0, true, false);
    outKeep->SetTemplateObject(keep);
    CWizardCopaObject3* outDeleted = MakeParam("SDB", 0, true, true);
    outDeleted->SetTemplateObject(keep);
    CWizardCopaObject3* outOfGone = MakeParam("SDB", 0, false, false);
    outOfGone->SetTemplateObject(gone);
    holder.AddOutputInstance(outKeep);
    holder.AddOutputInstance(outDeleted);
    holder.AddOutputInstance(outOfGone);

    EXPECT_EQ(3, holder.PurgeDeleted());
    ASSERT_EQ(2, holder.GetParamCount());
    EXPECT_EQ(keep, holder.GetParam(0));
    EXPECT_EQ(nullptr, holder.GetParam(1)) << "null entries stay where they are";
    ASSERT_EQ(1, holder.GetOutputInstanceCount());
    EXPECT_EQ(outKeep, holder.GetOutputInstance(0));
    EXPECT_EQ(nullptr, holder.GetParam(5));
    EXPECT_EQ(nullptr, holder.GetParam(-1));
}

TEST(ParamHolderTest, ExchangeKeepsACopyOfTheAdditionalData) {
    CWizardSchematicDataExchange3 exchange;
    BYTE block[3] = {1, 2, 3};
    exchange.SetAdditionalData(block, sizeof block);
    block[0] = 9;
    ASSERT_EQ(3u, exchange.GetAdditionalDataSize());
    EXPECT_EQ(1, exchange.GetAdditionalData()[0]);
    exchange.SetAdditionalData(nullptr, 5);
    EXPECT_EQ(nullptr, exchange.GetAdditionalData());
    EXPECT_EQ(0u, exchange.GetAdditionalDataSize());
}

} // namespace
