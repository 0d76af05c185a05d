// Archived data of the linear sources of other domains: golden bytes, crafted loads of other
// schemas, and older element data converted through the hidden page.
#include "domain_sources_support.h"

#include "framework/param_access.h"

using namespace domain_test;

namespace {

using DomainArchive = SourcesTest;

// The whole block: schema, the settings, the snapshots, the AC base's WORD 0 and DWORD mode
// (schema 1 and up), DWORD AC use (schema 2).
Bytes DomainBlock(WORD schema, DWORD form, DWORD index, DWORD given, const std::string& rms, DWORD amplitude,
                  const std::vector<std::pair<std::string, DWORD>>& snapshots, DWORD acMode, DWORD acUse) {
    Bytes out = SettingsBlock(schema, form, index, given, rms, amplitude, snapshots);
    if (schema >= 1) {
        Word(out, 0);
        Dword(out, acMode);
    }
    if (schema >= 2) Dword(out, acUse);
    return out;
}

template <class Wizard>
Bytes Store(Wizard& wizard) {
    return Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); });
}

TEST_F(DomainArchive, GoldenBytesOfSchemaTwoAreTheSameForBothWizards) {
    const Bytes expected = DomainBlock(2, 3, 3, 1, "10", 0, {{"TRISE", 0}, {"AMPL", 0x20000}}, 1, 1);
    CLinearDomainsSourceAWizard4 a;
    CLinearDomainsSourceBWizard4 b;
    for (CLinearDomainsSourceWizardBase4* wizard : {static_cast<CLinearDomainsSourceWizardBase4*>(&a),
                                                    static_cast<CLinearDomainsSourceWizardBase4*>(&b)}) {
        wizard->SetACMode(1);
        WithSnapshots({"TRISE", "AMPL"}, [&](CPtrArray* list) {
            static_cast<CCopaObjectCompare*>(list->GetAt(1))->SetExtType(0x20000);
            wizard->SetSettings(3, FALSE, "10", TRUE, 3, list, TRUE);
        });
    }
    EXPECT_EQ(expected, Store(a));
    EXPECT_EQ(expected, Store(b));
    // Sheet versions other than 4 write nothing.
    EXPECT_TRUE(Stored([&](CArchive& ar) { a.Serialize(ar, static_cast<ESheetVersion>(3)); }).empty());

    CLinearDomainsSourceBWizard4 loaded;
    Loaded(expected, [&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(3, loaded.GetForm());
    EXPECT_EQ(3, loaded.GetTimeFormIndex());
    EXPECT_TRUE(loaded.GetPeriodGiven());
    EXPECT_EQ("10", loaded.GetRMSText().str());
    EXPECT_FALSE(loaded.GetAmplitudeGiven());
    EXPECT_EQ(1u, loaded.GetACMode());
    EXPECT_TRUE(loaded.GetACUse());
    EXPECT_EQ((std::vector<std::string>{"TRISE", "AMPL"}), SnapshotNames(loaded.GetSnapshots()));
    EXPECT_EQ(expected, Store(loaded));
}

TEST_F(DomainArchive, ConstantStoresMinusOneAndTheDefaults) {
    CLinearDomainsSourceAWizard4 wizard;
    const Bytes expected = DomainBlock(2, 0xFFFFFFFF, 0, 0, "", 1, {}, 0, 0);
    EXPECT_EQ(expected, Store(wizard));
}

// Older schemas: 0 has no AC block, 1 no AC use; what they lack keeps its current value.
// A newer schema leaves every setting as it is.
TEST_F(DomainArchive, CraftedLoadsOfOtherSchemas) {
    struct Case {
        const char* what;
        Bytes bytes;
        WORD schema;
        int form;
        DWORD acMode;
        BOOL acUse;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {.what = "schema 0", .bytes = DomainBlock(0, 2, 2, 0, "", 1, {{"AMPL", 0}}, 0, 0), .schema = 0, .form = 2,
         .acMode = 1, .acUse = TRUE, .names = {"AMPL"}},
        {.what = "schema 1", .bytes = DomainBlock(1, 4, 4, 0, "", 1, {{"FREQ", 0}}, 0, 0), .schema = 1, .form = 4,
         .acMode = 0, .acUse = TRUE, .names = {"FREQ"}},
        {.what = "schema 3", .bytes = DomainBlock(3, 4, 4, 0, "", 1, {{"FREQ", 0}}, 0, 0), .schema = 3, .form = 1,
         .acMode = 1, .acUse = TRUE, .names = {"OLD"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CLinearDomainsSourceAWizard4 wizard;
        wizard.SetACMode(1);
        Settle(wizard, 1, {"OLD"}, TRUE, "", FALSE, 1, TRUE);
        Loaded(c.bytes, [&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); });
        EXPECT_EQ(c.schema, wizard.GetSchema());
        EXPECT_EQ(c.form, wizard.GetForm());
        EXPECT_EQ(c.acMode, wizard.GetACMode());
        EXPECT_EQ(c.acUse, wizard.GetACUse());
        // Loading empties the list first.
        EXPECT_EQ(c.names, SnapshotNames(wizard.GetSnapshots()));
        // Stored again, the block is of the current schema.
        if (c.schema < 3) {
            EXPECT_EQ(2u, Store(wizard)[0]);
        }
    }
}

TEST_F(DomainArchive, TruncatedBlockRaisesAndKeepsWhatWasRead) {
    Bytes bytes = DomainBlock(2, 0, 0, 0, "", 1, {{"AMPL", 0}, {"FREQ", 0}}, 0, 1);
    bytes.resize(bytes.size() - 12);
    CLinearDomainsSourceAWizard4 wizard;
    EXPECT_FALSE(LoadedBlock(wizard, bytes));
    EXPECT_EQ(0, wizard.GetForm());
}

TEST_F(DomainArchive, CloneCopiesSettingsAndListDeeplyButNoPage) {
    CLinearDomainsSourceBWizard4 wizard;
    wizard.SetACMode(1);
    Settle(wizard, 0, {"FREQ", "AMPL"}, FALSE, "7", TRUE, 0, TRUE);
    std::unique_ptr<CWizardBase4> copy(wizard.Clone());
    auto* clone = dynamic_cast<CLinearDomainsSourceBWizard4*>(copy.get());
    ASSERT_NE(nullptr, clone);
    EXPECT_EQ(Store(wizard), Store(*clone));
    EXPECT_NE(wizard.GetSnapshots().GetAt(0), clone->GetSnapshots().GetAt(0));
    EXPECT_EQ(nullptr, clone->GetPage());
    EXPECT_EQ(3, clone->GetWizardKind());
}

// ---------------------------------------------------------------------------------------
// Older element data.

Bytes PageBlock(DWORD version, DWORD amplitude, const std::string& rms, DWORD given, DWORD phaseUnit,
                DWORD selection) {
    return OlderPageBlock("CPropLinearDomainsSource", version, amplitude, rms, given, phaseUnit, selection);
}

Bytes OldData(DWORD form, const std::vector<std::string>& names, const Bytes& page) {
    Bytes out = Dwords({form, static_cast<DWORD>(names.size())});
    Bytes snapshots;
    for (size_t i = 0; i < names.size(); ++i) Snapshot(snapshots, names[i], 0x4, 0, i == 0);
    Block(out, snapshots);
    Block(out, page);
    return out;
}

class DomainConversion : public SourcesTest {
protected:
    std::unique_ptr<CLinearDomainsSourceAWizard4> Convert(const Bytes& data, ParamHolder** holder = nullptr) {
        DWORD element = 0;
        auto wizard = NewWizard<CLinearDomainsSourceAWizard4>(kForceRows, "F1", &element);
        wizard->SetACMode(1);
        editor->ClearRequests();
        wizard->DoConvertWizard3Data(data.empty() ? nullptr : data.data(), static_cast<long>(data.size()));
        if (holder) *holder = editor->Holder(element);
        return wizard;
    }
};

TEST_F(DomainConversion, WholeBlockGivesFormListAndPageState) {
    ParamHolder* holder = nullptr;
    auto wizard = Convert(OldData(0, {"FREQ", "AMPL"}, PageBlock(10, 0, "5", 1, 0, 0)), &holder);
    EXPECT_EQ(0, wizard->GetForm());
    EXPECT_EQ((std::vector<std::string>{"FREQ", "AMPL"}), SnapshotNames(wizard->GetSnapshots()));
    EXPECT_FALSE(wizard->GetAmplitudeGiven());
    EXPECT_EQ("5", wizard->GetRMSText().str());
    EXPECT_TRUE(wizard->GetPeriodGiven());
    EXPECT_EQ(1u, wizard->GetACMode()) << "the hidden AC page starts in the wizard's mode";
    EXPECT_EQ(0u, editor->CountRequests(25)) << "a conversion commits nothing of its own";
    EXPECT_FALSE(Unused(holder, 2036));
    EXPECT_TRUE(Unused(holder, 2051));
}

// Versions 1 to 9 carry a phase unit that is committed; 9 and up carry the selection, which
// older blocks leave at the converted form.
TEST_F(DomainConversion, PageBlocksOfVersionsFiveNineAndTen) {
    struct Case {
        DWORD version;
        DWORD phaseUnit;
        const char* unit;
        int index;
        size_t commits;
    };
    const Case cases[] = {
        {.version = 5, .phaseUnit = 1, .unit = "rad", .index = 2, .commits = 1},
        {.version = 9, .phaseUnit = 0, .unit = "deg", .index = 4, .commits = 1},
        {.version = 9, .phaseUnit = 1, .unit = "rad", .index = 4, .commits = 1},
        {.version = 10, .phaseUnit = 1, .unit = "deg", .index = 4, .commits = 0},
        {.version = 0, .phaseUnit = 1, .unit = "deg", .index = 2, .commits = 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        ParamHolder* holder = nullptr;
        auto wizard = Convert(OldData(2, {}, PageBlock(c.version, 1, "", 0, c.phaseUnit, 4)), &holder);
        EXPECT_EQ(2, wizard->GetForm());
        EXPECT_EQ(c.unit, Param(holder, 2042)->GetUsedUnit().str());
        EXPECT_EQ(c.index, wizard->GetTimeFormIndex());
        EXPECT_EQ(c.commits, editor->CountRequests(25));
    }
}

TEST_F(DomainConversion, ShortAndBrokenBlocksKeepWhatWasRead) {
    struct Case {
        const char* what;
        Bytes data;
        int form;
        std::vector<std::string> names;
    };
    Bytes fourBytes;
    Dword(fourBytes, 5);
    Bytes overLong = Dwords({1, 1});
    Dword(overLong, 0xFFFFFFF0);  // 12 + L wraps in 32 bits
    Bytes badCount = OldData(3, {"TRISE"}, PageBlock(10, 1, "", 0, 0, 3));
    badCount[4] = 0xFF;  // more snapshots than the block holds bytes
    Bytes badPage = OldData(-1, {"VALUE"}, Bytes{1, 2});
    const Case cases[] = {
        {.what = "empty", .data = {}, .form = -1, .names = {}},
        {.what = "two bytes", .data = {3, 0}, .form = -1, .names = {}},
        {.what = "four bytes", .data = fourBytes, .form = 5, .names = {}},
        {.what = "block longer than the data", .data = overLong, .form = 1, .names = {}},
        {.what = "count above the block", .data = badCount, .form = 3, .names = {}},
        {.what = "broken page block", .data = badPage, .form = -1, .names = {"VALUE"}},
        {.what = "form beyond the six", .data = {9, 0, 0, 0}, .form = -1, .names = {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto wizard = Convert(c.data);
        EXPECT_EQ(c.form, wizard->GetForm());
        EXPECT_EQ(c.names, SnapshotNames(wizard->GetSnapshots()));
    }
}

} // namespace
