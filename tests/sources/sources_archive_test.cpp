// Archived data of the linear sources: golden bytes, crafted loads of other schemas, older
// element data converted through the hidden page, and the request protocol across the
// wizard's operations.
#include "sources_support.h"

#include "framework/param_access.h"

using namespace sources_test;

namespace {

using SourcesArchive = SourcesTest;

// The wizard block after the AC base's WORD 0 and DWORD mode.
Bytes SourceBlock(WORD schema, DWORD kind, DWORD selection, DWORD fixed, const std::string& rms, DWORD amplitude,
                  const std::vector<std::pair<std::string, DWORD>>& snapshots, DWORD acUse) {
    Bytes out = SettingsBlock(schema, kind, selection, fixed, rms, amplitude, snapshots);
    if (schema >= 1) Dword(out, acUse);
    return out;
}

Bytes ACPart(DWORD mode) {
    Bytes out;
    Word(out, 0);
    Dword(out, mode);
    return out;
}

TEST_F(SourcesArchive, GoldenBytesOfTheVoltageSourceWithTwoSnapshots) {
    CLinearVoltageSourceWizard4 wizard;
    wizard.SetACMode(1);
    WithSnapshots({"TRISE", "AMPL"}, [&](CPtrArray* list) {
        static_cast<CCopaObjectCompare*>(list->GetAt(1))->SetExtType(0x20000);
        wizard.SetSourceSettings(3, 0, "10", TRUE, 3, list, TRUE);
    });

    Bytes expected = ACPart(1);
    Append(expected, SourceBlock(1, 3, 3, 1, "10", 0, {{"TRISE", 0}, {"AMPL", 0x20000}}, 1));
    const Bytes stored = Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(expected, stored);
    EXPECT_EQ(Bytes{}, Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion2); }));

    // Loading empties the list first and gives back every setting.
    CLinearVoltageSourceWizard4 loaded;
    Settle(loaded, -1, {"OLD1", "OLD2", "OLD3"});
    Loaded(stored, [&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(1u, loaded.GetACMode());
    EXPECT_EQ(3, loaded.GetKind());
    EXPECT_EQ(3, loaded.GetListSelection());
    EXPECT_TRUE(loaded.GetPeriodFixed());
    EXPECT_EQ("10", loaded.GetRMSText().str());
    EXPECT_EQ(0u, loaded.GetAmplitudeMode());
    EXPECT_TRUE(loaded.GetACUse());
    EXPECT_EQ((std::vector<std::string>{"TRISE", "AMPL"}), SnapshotNames(loaded.GetSnapshots()));
    EXPECT_EQ(stored, Stored([&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); }));

    // The constant value is stored as DWORD 0xFFFFFFFF.
    CLinearCurrentSourceWizard4 constant;
    Bytes constantBytes = ACPart(0);
    Append(constantBytes, SourceBlock(1, 0xFFFFFFFF, 0, 0, "", 1, {}, 0));
    EXPECT_EQ(constantBytes, Stored([&](CArchive& ar) { constant.Serialize(ar, eSheetVersion4); }));
}

TEST_F(SourcesArchive, CraftedSchemasZeroAndTwo) {
    struct Case {
        const char* name;
        Bytes bytes;
        int kind;
        BOOL acUse;
        DWORD schema;
        std::vector<std::string> names;
    };
    Bytes schema0 = ACPart(0);
    Append(schema0, SourceBlock(0, 2, 2, 0, "", 1, {{"AMPL", 0}}, 0));
    Bytes schema2 = ACPart(0);
    Append(schema2, SourceBlock(2, 2, 2, 0, "", 1, {{"AMPL", 0}}, 0));
    Bytes newerAC;
    Word(newerAC, 1);
    Dword(newerAC, 1);
    Append(newerAC, SourceBlock(1, 2, 2, 0, "", 1, {{"AMPL", 0}}, 0));
    const Case cases[] = {
        // Schema 0 has no AC-use field: the wizard keeps its own.
        {"schema 0", schema0, 2, TRUE, 0, {"AMPL"}},
        // A newer schema reads nothing beyond its WORD.
        {"schema 2", schema2, 5, TRUE, 2, {"KEEP"}},
        // A newer AC part leaves everything after it unread.
        {"newer AC part", newerAC, 5, TRUE, 1, {"KEEP"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CLinearVoltageSourceWizard4 wizard;
        Settle(wizard, 5, {"KEEP"}, 1, "", FALSE, 5, TRUE);
        Loaded(c.bytes, [&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); });
        EXPECT_EQ(c.kind, wizard.GetKind());
        EXPECT_EQ(c.acUse, wizard.GetACUse());
        EXPECT_EQ(c.schema, wizard.GetSchema());
        EXPECT_EQ(c.names, SnapshotNames(wizard.GetSnapshots()));
    }
}

TEST_F(SourcesArchive, ArchiveCutShortOrWithAHugeCountThrows) {
    Bytes bytes = ACPart(0);
    Append(bytes, SourceBlock(1, 0, 0, 0, "", 1, {}, 0));
    bytes.resize(bytes.size() - 8);
    Dword(bytes, 20000);
    CLinearVoltageSourceWizard4 wizard;
    EXPECT_FALSE(LoadedBlock(wizard, bytes));
    EXPECT_EQ(0, wizard.GetSnapshots().GetSize()) << "a count beyond the limit reads nothing";
}

TEST_F(SourcesArchive, CloneCopiesSettingsAndList) {
    CLinearCurrentSourceWizard4 wizard;
    wizard.SetACMode(1);
    Settle(wizard, 4, {"FREQ", "AMPL"}, 0, "3", TRUE, 4, TRUE);
    std::unique_ptr<CWizardBase4> clone(wizard.Clone());
    auto* copy = dynamic_cast<CLinearCurrentSourceWizard4*>(clone.get());
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(4, copy->GetKind());
    EXPECT_EQ(1u, copy->GetACMode());
    EXPECT_EQ("3", copy->GetRMSText().str());
    EXPECT_TRUE(copy->GetACUse());
    EXPECT_EQ((std::vector<std::string>{"FREQ", "AMPL"}), SnapshotNames(copy->GetSnapshots()));
    EXPECT_NE(wizard.GetSnapshots().GetAt(0), copy->GetSnapshots().GetAt(0));
    EXPECT_EQ(nullptr, copy->GetPage());
    EXPECT_TRUE(copy->WantChangeNotification());
}

// ---------------------------------------------------------------------------------------
// Older element data.

Bytes PageBlock(DWORD version, DWORD amplitude, const std::string& rms, DWORD fixed, DWORD phaseUnit,
                DWORD selection) {
    return OlderPageBlock("CPropLinearSource", version, amplitude, rms, fixed, phaseUnit, selection);
}

Bytes SnapshotArchive(const std::vector<std::string>& names) {
    Bytes out;
    for (size_t i = 0; i < names.size(); ++i) Snapshot(out, names[i], 0x4, 0, i == 0);
    return out;
}

Bytes OldData(DWORD kind, const std::vector<std::string>& names, const Bytes& page, const Bytes& ac) {
    Bytes out = Dwords({kind, static_cast<DWORD>(names.size())});
    Block(out, SnapshotArchive(names));
    Block(out, page);
    Block(out, Bytes{1, 2, 3});
    Block(out, Bytes{});
    Block(out, ac);
    return out;
}

Bytes ACBlock(DWORD version, DWORD mode, DWORD phaseUnit) {
    Bytes out = Dwords({version, mode});
    if (version < 10) Dword(out, phaseUnit);
    return out;
}

class SourcesConversion : public SourcesTest {
protected:
    struct Result {
        std::unique_ptr<CLinearVoltageSourceWizard4> wizard;
        ParamHolder* holder = nullptr;
    };
    Result Convert(const Bytes& data) {
        DWORD element = 0;
        Result result;
        result.wizard = NewWizard<CLinearVoltageSourceWizard4>(kVoltageRows, "V1", &element);
        result.holder = editor->Holder(element);
        result.wizard->SetACMode(0);
        editor->ClearRequests();
        EXPECT_TRUE(result.wizard->DoConvertWizard3Data(data.empty() ? nullptr : data.data(),
                                                        static_cast<long>(data.size())));
        EXPECT_EQ(1u, editor->CountRequests(23));
        EXPECT_EQ(1u, editor->CountRequests(24));
        return result;
    }
};

TEST_F(SourcesConversion, PageBlocksOfVersionsZeroEightNineAndTen) {
    struct Case {
        DWORD version;
        DWORD amplitude;
        DWORD phaseUnit;
        const char* phaseUsedUnit;
        int selection;
        size_t commits;
    };
    const Case cases[] = {
        {.version = 10, .amplitude = 0, .phaseUnit = 1, .phaseUsedUnit = "deg", .selection = 4, .commits = 0},
        {.version = 9, .amplitude = 0, .phaseUnit = 1, .phaseUsedUnit = "rad", .selection = 4, .commits = 1},
        {.version = 9, .amplitude = 1, .phaseUnit = 0, .phaseUsedUnit = "deg", .selection = 4, .commits = 1},
        {.version = 8, .amplitude = 0, .phaseUnit = 1, .phaseUsedUnit = "rad", .selection = 2, .commits = 1},
        {.version = 0, .amplitude = 0, .phaseUnit = 1, .phaseUsedUnit = "deg", .selection = 2, .commits = 0},
        {.version = 0, .amplitude = 1, .phaseUnit = 1, .phaseUsedUnit = "deg", .selection = 2, .commits = 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version * 10 + c.amplitude);
        Result r = Convert(OldData(2, {"FREQ", "AMPL"}, PageBlock(c.version, c.amplitude, "7", 1, c.phaseUnit, 4),
                                   ACBlock(10, 0, 0)));
        EXPECT_EQ(c.phaseUsedUnit, Param(r.holder, 2042)->GetUsedUnit().str());
        EXPECT_EQ(c.commits, editor->CountRequests(25)) << "the conversion itself commits nothing";
        EXPECT_EQ(c.selection, r.wizard->GetListSelection());
        EXPECT_EQ(c.amplitude, r.wizard->GetAmplitudeMode());
        EXPECT_EQ("7", r.wizard->GetRMSText().str());
        EXPECT_TRUE(r.wizard->GetPeriodFixed());
        EXPECT_EQ(2, r.wizard->GetKind());
        EXPECT_EQ((std::vector<std::string>{"FREQ", "AMPL"}), SnapshotNames(r.wizard->GetSnapshots()));
        // The kind's marks: the pulse uses the frequency, not the trapezoid's times.
        EXPECT_FALSE(Unused(r.holder, 2036));
        EXPECT_TRUE(Unused(r.holder, 2051));
    }
}

TEST_F(SourcesConversion, ACBlocksOfVersionsNineAndTen) {
    struct Case {
        Bytes block;
        DWORD mode;
        const char* phaseUsedUnit;
        size_t commits;
    };
    const Case cases[] = {{ACBlock(10, 1, 0), 1, "deg", 0}, {ACBlock(9, 1, 1), 1, "rad", 1}, {ACBlock(9, 0, 3), 0, "deg", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.phaseUsedUnit);
        Result r = Convert(OldData(0xFFFFFFFF, {"EMF"}, PageBlock(10, 1, "", 0, 0, 0), c.block));
        EXPECT_EQ(c.mode, r.wizard->GetACMode());
        EXPECT_EQ(c.phaseUsedUnit, Param(r.holder, 2434)->GetUsedUnit().str());
        EXPECT_EQ(c.commits, editor->CountRequests(25));
        EXPECT_EQ(-1, r.wizard->GetKind());
        EXPECT_TRUE(r.holder != nullptr && Param(r.holder, 2028)->IsInput());
    }
}

// Damaged data ends the reading where it stops fitting; what was read is kept and handed over.
TEST_F(SourcesConversion, CraftedOldData) {
    const Bytes good = OldData(4, {"FREQ", "AMPL"}, PageBlock(10, 1, "R", 1, 0, 4), ACBlock(10, 1, 0));
    const size_t acStart = good.size() - 12;
    Bytes countPast = Dwords({1, 5});
    Block(countPast, SnapshotArchive({"FREQ"}));
    Bytes wrapping = Dwords({1, 1, 0xFFFFFFFF});
    Append(wrapping, SnapshotArchive({"FREQ"}));
    Bytes hugeCount = Dwords({1, 0xFFFFFFF0});
    Block(hugeCount, SnapshotArchive({"FREQ"}));
    struct Case {
        const char* name;
        Bytes bytes;
        int kind;
        std::vector<std::string> names;
        BOOL fixed;
        DWORD acMode;
    };
    const Case cases[] = {
        {"nothing", Bytes{}, -1, {}, FALSE, 0},
        {"4 bytes", Bytes{1, 0, 0, 0}, 1, {}, FALSE, 0},
        {"kind beyond the time functions", Bytes{6, 0, 0, 0}, -1, {}, FALSE, 0},
        {"3 bytes", Bytes{1, 0, 0}, -1, {}, FALSE, 0},
        {"count past its archive", countPast, 1, {"FREQ"}, FALSE, 0},
        {"count beyond the limit", hugeCount, 1, {}, FALSE, 0},
        {"wrapping length", wrapping, 1, {}, FALSE, 0},
        {"whole", good, 4, {"FREQ", "AMPL"}, TRUE, 1},
        {"1 AC byte", Bytes(good.begin(), good.begin() + acStart + 1), 4, {"FREQ", "AMPL"}, TRUE, 0},
        {"2 AC bytes", Bytes(good.begin(), good.begin() + acStart + 2), 4, {"FREQ", "AMPL"}, TRUE, 0},
        {"3 AC bytes", Bytes(good.begin(), good.begin() + acStart + 3), 4, {"FREQ", "AMPL"}, TRUE, 0},
        {"AC block cut short", Bytes(good.begin(), good.end() - 1), 4, {"FREQ", "AMPL"}, TRUE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Result r = Convert(c.bytes);
        EXPECT_EQ(c.kind, r.wizard->GetKind());
        EXPECT_EQ(c.names, SnapshotNames(r.wizard->GetSnapshots()));
        EXPECT_EQ(c.fixed, r.wizard->GetPeriodFixed());
        EXPECT_EQ(c.acMode, r.wizard->GetACMode());
    }
}

// ---------------------------------------------------------------------------------------
// Initialize and the request protocol.

TEST_F(SourcesArchive, InitializeZeroTakesThePageDefaultsWithoutMarksOrCommit) {
    DWORD element = 0;
    auto wizard = NewWizard<CLinearVoltageSourceWizard4>(kVoltageRows, "V1", &element);
    ParamHolder* holder = editor->Holder(element);
    Param(holder, 2036)->SetExtType(0);
    wizard->SetACMode(1);
    ASSERT_TRUE(wizard->Initialize(0));
    EXPECT_EQ(0u, editor->CountRequests(25));
    EXPECT_FALSE(Unused(holder, 2036)) << "no marks";
    EXPECT_EQ(-1, wizard->GetKind());
    EXPECT_EQ(0, wizard->GetListSelection());
    EXPECT_EQ(1u, wizard->GetACMode()) << "the hidden AC page is in the wizard's mode";
    EXPECT_EQ((std::vector<std::string>{"EMF", "PARTDERIV", "SPC", "@AC_PHASE", "@AC_MAG"}),
              SnapshotNames(wizard->GetSnapshots()));
}

TEST_F(SourcesArchive, InitializeNonZeroRebuildsTheListOfTheWizardsKindAndMarks) {
    DWORD element = 0;
    auto wizard = NewWizard<CLinearCurrentSourceWizard4>(CurrentRows(), "I1", &element);
    ParamHolder* holder = editor->Holder(element);
    wizard->SetACMode(1);
    wizard->SetSourceSettings(3, 1, "", FALSE, 3, nullptr, FALSE);
    ASSERT_TRUE(wizard->Initialize(1));
    EXPECT_EQ(1u, editor->CountRequests(25));
    EXPECT_EQ((std::vector<std::string>{"TPERIO", "TRISE", "TFALL", "PWIDTH", "AMPL", "PHASE", "PERIO", "OFF",
                                        "TDELAY", "@AC_PHASE", "@AC_MAG"}),
              SnapshotNames(wizard->GetSnapshots()));
    EXPECT_TRUE(Unused(holder, 2036));
    EXPECT_FALSE(Unused(holder, 2051));
    EXPECT_EQ(3, wizard->GetKind());
}

// Every cookie of request 23 comes back exactly once, whatever the wizard does, and the
// page on the editor's sheet keeps its own cookie through hidden work.
TEST_F(SourcesArchive, CookiesComeBackThroughEveryOperation) {
    DWORD element = 0;
    auto wizard = Initialized(NewWizard<CLinearVoltageSourceWizard4>(kVoltageRows, "V1", &element));
    EXPECT_EQ(0, editor->OutstandingCookies());
    {
        CPropertySheet first("V1");
        CPropertySheet second("V1");
        ASSERT_TRUE(wizard->DoEditProperties(first, 1));
        CPropLinearSourceV* page = wizard->GetPage();
        ASSERT_TRUE(wizard->DoEditProperties(second, 1));
        EXPECT_EQ(page, wizard->GetPage());
        EXPECT_EQ(2, editor->OutstandingCookies()) << "one for the page, one for the AC page";
        ASSERT_TRUE(wizard->Initialize(1));
        CString text = "@TYPEV1 ( @PARAMLIST);";
        wizard->WriteSimDescr(nullptr, "IMMANENT", text);
        wizard->NotifyChanged(3, Param(editor->Holder(element), 2036));
        const Bytes data = OldData(0, {"FREQ"}, PageBlock(10, 1, "", 0, 0, 0), ACBlock(10, 1, 0));
        ConvertOlder(*wizard, data);
        EXPECT_EQ(2, editor->OutstandingCookies());
        EXPECT_EQ(page, wizard->GetPage());
        EXPECT_EQ(editor->Holder(element), page->GetParams());
    }
    wizard->EndEditProperties();
    EXPECT_EQ(0, editor->OutstandingCookies());
    EXPECT_EQ(nullptr, wizard->GetPage());
    EXPECT_EQ(nullptr, wizard->GetACPage());
    EXPECT_EQ(editor->CountRequests(23), editor->CountRequests(24));
}

TEST_F(SourcesArchive, OtherModesAddNoPage) {
    auto wizard = NewWizard<CLinearCurrentSourceWizard4>(CurrentRows(), "I1");
    CPropertySheet sheet("I1");
    EXPECT_FALSE(wizard->DoEditProperties(sheet, 0));
    EXPECT_EQ(0, sheet.GetPageCount());
    EXPECT_EQ(0u, editor->Requests().size());
}

} // namespace
