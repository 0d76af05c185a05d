// Archived data of the time functions and source blocks: golden bytes built by hand, crafted
// loads of other schemas, and older element data converted through hidden pages.
#include "timefunctions_support.h"
#include "tests/support/sheet_archives.h"

using namespace tf_test;

namespace {

using TimeFunctionArchive = SourcesTest;

// Runs a load that must end in an archive error; the error object is deleted.
template <class Load>
bool FailsWithArchiveError(const Bytes& bytes, Load load) {
    try {
        Loaded(bytes, load);
    } catch (CArchiveException* e) {
        e->Delete();
        return true;
    }
    return false;
}

TEST_F(TimeFunctionArchive, GoldenBytesOfEveryTimeFunction) {
    CTFMSineWizard4 sineDefault;
    CTFMSineWizard4 sine;
    sine.SetSineData(0, "230", TRUE);
    CTFMSawToothWizard4 saw;
    saw.SetPeriodGiven(TRUE);
    saw.SetRamp(1);
    CTFMPulseWizard4 pulse;
    CTFMTriangleWizard4 triangle;
    triangle.SetPeriodGiven(TRUE);
    CTFMTrapezWizard4 trapezoid;
    CTFMArcTangWizard4 arcTangent;
    arcTangent.SetTimeText("1m");
    CTFMVCOWizard4 vco;

    struct Case {
        const char* name;
        Bytes stored;
        Bytes expected;
    };
    const Case cases[] = {
        {"sine, defaults", StoredBlock(sineDefault), {0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}},
        {"sine, RMS 230, period given", StoredBlock(sine), {0, 0, 1, 0, 0, 0, 3, '2', '3', '0', 0, 0, 0, 0}},
        {"saw-tooth falling", StoredBlock(saw), {0, 0, 1, 0, 0, 0, 1, 0, 0, 0}},
        {"pulse", StoredBlock(pulse), {0, 0, 0, 0, 0, 0}},
        {"triangle", StoredBlock(triangle), {0, 0, 1, 0, 0, 0}},
        {"trapezoid", StoredBlock(trapezoid), {0, 0, 0, 0, 0, 0}},
        {"arc tangent", StoredBlock(arcTangent), {0, 0, 2, '1', 'm'}},
        {"VCO (the base's, nothing)", StoredBlock(vco), {}},
        {"sine, other sheet version", StoredAt(sine, eSheetVersion2), {}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, c.stored) << c.name;
}

TEST_F(TimeFunctionArchive, LoadingGivesEverySettingBackAndANewerSchemaStops) {
    CTFMSineWizard4 sine;
    Loaded({0, 0, 1, 0, 0, 0, 3, 'x', 'y', 'z', 0, 0, 0, 0}, [&](CArchive& ar) { sine.Serialize(ar, eSheetVersion4); });
    EXPECT_TRUE(sine.GetPeriodGiven());
    EXPECT_EQ("xyz", sine.GetRMSText().str());
    EXPECT_EQ(0u, sine.GetAmplitudeMode());

    // A non-zero schema: the wizard keeps it and reads nothing else.
    CTFMSineWizard4 newer;
    Loaded({3, 0, 1, 0, 0, 0, 3, 'x', 'y', 'z', 0, 0, 0, 0}, [&](CArchive& ar) { newer.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(3, newer.GetSchema());
    EXPECT_FALSE(newer.GetPeriodGiven());
    EXPECT_EQ("", newer.GetRMSText().str());
    EXPECT_EQ(1u, newer.GetAmplitudeMode());
    // Storing again writes schema 0.
    EXPECT_EQ((Bytes{0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}), StoredBlock(newer));

    CTFMSawToothWizard4 saw;
    Loaded({0, 0, 0, 0, 0, 0, 1, 0, 0, 0}, [&](CArchive& ar) { saw.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(1u, saw.GetRamp());
    CTFMArcTangWizard4 arc;
    Loaded({1, 0, 2, '1', 'm'}, [&](CArchive& ar) { arc.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ("", arc.GetTimeText().str());

    // Data that ends early raises the archive's error; what was read stays.
    CTFMSawToothWizard4 cut;
    EXPECT_TRUE(FailsWithArchiveError({0, 0, 1, 0, 0, 0, 1}, [&](CArchive& ar) { cut.Serialize(ar, eSheetVersion4); }));
    EXPECT_TRUE(cut.GetPeriodGiven());
    EXPECT_EQ(0u, cut.GetRamp());
}

TEST_F(TimeFunctionArchive, CloneCopiesTheSettingsButNeverThePage) {
    auto wizard = NewWizard<CTFMSineWizard4>(kSineRows, "SIN1");
    wizard->SetSineData(0, "10", TRUE);
    OpenPage<CTFMSineWizard4> open(*wizard);
    std::unique_ptr<CWizardBase4> base(wizard->Clone());
    auto* copy = dynamic_cast<CTFMSineWizard4*>(base.get());
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(nullptr, copy->GetPage());
    EXPECT_EQ("10", copy->GetRMSText().str());
    EXPECT_EQ(0u, copy->GetAmplitudeMode());
    EXPECT_TRUE(copy->GetPeriodGiven());
    EXPECT_EQ(3, copy->GetWizardKind());
}

// ---------------------------------------------------------------------------------------
// Older data of the sine.

class SineConversion : public SourcesTest {
protected:
    struct Result {
        std::unique_ptr<CTFMSineWizard4> wizard;
        ParamHolder* holder;
    };
    Result Convert(const Bytes& data, long length = -1) {
        DWORD element = 0;
        Result r{NewWizard<CTFMSineWizard4>(kSineRows, "SIN1", &element), nullptr};
        r.holder = editor->Holder(element);
        r.wizard->SetSineData(1, "keep", FALSE);
        editor->ClearRequests();
        EXPECT_TRUE(r.wizard->DoConvertWizard3Data(data.empty() ? nullptr : data.data(),
                                                   length < 0 ? static_cast<long>(data.size()) : length));
        EXPECT_EQ(1u, editor->CountRequests(23));
        EXPECT_EQ(1u, editor->CountRequests(24));
        EXPECT_EQ(0u, editor->CountRequests(25));
        EXPECT_EQ(nullptr, r.wizard->GetPage()) << "the hidden page is a page of its own";
        return r;
    }
};

TEST_F(SineConversion, PageBlocksOfVersionsFiveAndTen) {
    struct Case {
        DWORD version;
        DWORD phaseUnit;
        const char* usedUnit;
    };
    const Case cases[] = {{5, 1, "rad"}, {5, 0, "deg"}, {9, 7, "deg"}, {10, 1, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        Result r = Convert(OlderSineData({1, 2, 3}, SinePageBlock(10, c.version, 0, "230", 1, c.phaseUnit)));
        EXPECT_EQ(0u, r.wizard->GetAmplitudeMode());
        EXPECT_EQ("230", r.wizard->GetRMSText().str());
        EXPECT_TRUE(r.wizard->GetPeriodGiven());
        // Version 10 carries no unit: the used unit stays as the catalogue gave it.
        EXPECT_EQ(*c.usedUnit ? c.usedUnit : "rad", Param(r.holder, 2042)->GetUsedUnit().str());
    }
}

TEST_F(SineConversion, SchemaZeroBlockHasNoVersion) {
    Result r = Convert(OlderSineData({}, SinePageBlock(0, 0, 0, "12", 1, 0)));
    EXPECT_EQ("12", r.wizard->GetRMSText().str());
    EXPECT_TRUE(r.wizard->GetPeriodGiven());
}

TEST_F(SineConversion, CutShortOrWrappingLengthsKeepWhatWasReadAndStillHandOver) {
    const Bytes whole = OlderSineData({1, 2, 3}, SinePageBlock(10, 10, 0, "230", 1, 0));
    // The page block starts after 4 + 4 + 4 + 3 + 4 bytes.
    struct Case {
        const char* name;
        Bytes data;
        long length;
        const char* rms;
    };
    Bytes wrapping = OlderSineData({}, {});
    // A skip length that would wrap a 32-bit position.
    wrapping[8] = 0xFC;
    wrapping[9] = wrapping[10] = wrapping[11] = 0xFF;
    Bytes hugeBlock = OlderSineData({}, SinePageBlock(10, 10, 0, "230", 1, 0));
    hugeBlock[12] = 0xF0;
    hugeBlock[13] = hugeBlock[14] = hugeBlock[15] = 0xFF;
    const Case cases[] = {
        {"no data at all", {}, 0, "keep"},
        {"two bytes", {1, 2}, 2, "keep"},
        {"nine bytes: the third word does not fit", {1, 0, 0, 0, 2, 0, 0, 0, 3}, 9, "keep"},
        {"the page block cut in the middle", whole, 25, "keep"},
        {"wrapping skip length", wrapping, static_cast<long>(wrapping.size()), "keep"},
        {"huge page block length", hugeBlock, static_cast<long>(hugeBlock.size()), "keep"},
        {"negative length", whole, -5, "keep"},
        {"whole block without the trailing word", whole, static_cast<long>(whole.size()) - 4, "230"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DWORD element = 0;
        auto wizard = NewWizard<CTFMSineWizard4>(kSineRows, "SIN1", &element);
        wizard->SetSineData(1, "keep", FALSE);
        EXPECT_TRUE(wizard->DoConvertWizard3Data(c.data.empty() ? nullptr : c.data.data(), c.length));
        EXPECT_EQ(c.rms, wizard->GetRMSText().str());
    }
}

// ---------------------------------------------------------------------------------------
// The source blocks.

Bytes ACPart(WORD schema, DWORD mode) {
    Bytes out;
    Word(out, schema);
    if (schema == 0) Dword(out, mode);
    return out;
}

Bytes SourceBlock(WORD schema, const std::vector<std::pair<std::string, DWORD>>& snapshots, DWORD acUse) {
    Bytes out;
    Word(out, schema);
    Dword(out, static_cast<DWORD>(snapshots.size()));
    for (size_t i = 0; i < snapshots.size(); ++i) Snapshot(out, snapshots[i].first, 0x4, snapshots[i].second, i == 0);
    if (schema >= 1) Dword(out, acUse);
    return out;
}

TEST_F(TimeFunctionArchive, GoldenBytesOfTheConstantBlock) {
    CConstantBlockWizard4 wizard;
    wizard.SetACMode(1);
    WithSnapshots({"CONST", "TS"}, [&](CPtrArray* list) {
        static_cast<CCopaObjectCompare*>(list->GetAt(1))->SetExtType(0x20000);
        wizard.SetACParameters(list, 1);
    });

    Bytes expected = ACPart(0, 1);
    Append(expected, SourceBlock(1, {{"CONST", 0}, {"TS", 0x20000}}, 1));
    const Bytes stored = StoredBlock(wizard);
    EXPECT_EQ(expected, stored);
    EXPECT_EQ(Bytes{}, StoredAt(wizard, eSheetVersion2));

    // Loading replaces the list the wizard held.
    CConstantBlockWizard4 loaded;
    WithSnapshots({"OLD1", "OLD2", "OLD3"}, [&](CPtrArray* list) { loaded.SetACParameters(list, 0); });
    Loaded(stored, [&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(1u, loaded.GetACMode());
    EXPECT_EQ(1u, loaded.GetACUse());
    EXPECT_EQ((std::vector<std::string>{"CONST", "TS"}), SnapshotNames(loaded.GetSnapshots()));
    EXPECT_EQ(stored, StoredBlock(loaded));
}

TEST_F(TimeFunctionArchive, CraftedSourceBlockSchemas) {
    struct Case {
        const char* name;
        Bytes bytes;
        WORD schema;
        DWORD acUse;
        std::vector<std::string> names;
    };
    Bytes schema0 = ACPart(0, 0);
    Append(schema0, SourceBlock(0, {{"CONST", 0}}, 0));
    Bytes schema2 = ACPart(0, 1);
    Word(schema2, 2);
    Dword(schema2, 1);
    Bytes acNewer = ACPart(4, 0);
    Append(acNewer, SourceBlock(1, {{"CONST", 0}}, 1));
    const Case cases[] = {
        {"schema 0 reads no AC use", schema0, 0, 7, {"CONST"}},
        {"schema 2 stops after its word", schema2, 2, 7, {"KEEP"}},
        {"a newer AC block stops before the source block", acNewer, 1, 7, {"KEEP"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CStepFunctionBlockWizard4 wizard;
        WithSnapshots({"KEEP"}, [&](CPtrArray* list) { wizard.SetACParameters(list, 7); });
        Loaded(c.bytes, [&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); });
        EXPECT_EQ(c.schema, wizard.GetSchema());
        EXPECT_EQ(c.acUse, wizard.GetACUse());
        EXPECT_EQ(c.names, SnapshotNames(wizard.GetSnapshots()));
        // Storing writes schema 1 whatever was loaded.
        const Bytes again = StoredBlock(wizard);
        ASSERT_GE(again.size(), 8u);
        EXPECT_EQ(1, again[6]);
    }
}

TEST_F(TimeFunctionArchive, SnapshotCountBeyondTheLimitIsRefused) {
    Bytes bytes = ACPart(0, 0);
    Word(bytes, 1);
    Dword(bytes, 10001);
    CRandomBlockWizard4 wizard;
    EXPECT_TRUE(FailsWithArchiveError(bytes, [&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); }));
    EXPECT_EQ(0, wizard.GetSnapshots().GetSize());
}

// Older element data of the constant block: word, n, L1 snapshots, L2, L3, L4, AC block.
Bytes OlderConstantData(DWORD count, const Bytes& snapshots, const Bytes& acBlock) {
    Bytes out = Dwords({1, count});
    Block(out, snapshots);
    Block(out, {});
    Block(out, {5, 5});
    Block(out, {});
    if (!acBlock.empty()) Block(out, acBlock);
    return out;
}

Bytes TwoSnapshots() {
    Bytes out;
    Snapshot(out, "CONST", 0x4, 0, true);
    Snapshot(out, "TS", 0x4, 0, false);
    return out;
}

Bytes ACPageBlock(DWORD mode) {
    return Dwords({10, mode});
}

TEST_F(TimeFunctionArchive, OlderConstantBlockData) {
    struct Case {
        const char* name;
        Bytes data;
        std::vector<std::string> names;
        DWORD mode;
    };
    const Bytes whole = OlderConstantData(2, TwoSnapshots(), ACPageBlock(1));
    const Case cases[] = {
        {"whole, Phase && Magnitude in the AC block", OlderConstantData(2, TwoSnapshots(), ACPageBlock(0)), {"CONST", "TS"}, 0},
        {"eight bytes", {1, 0, 0, 0, 2, 0, 0, 0}, {}, 1},
        {"n past what L1 holds", OlderConstantData(3, TwoSnapshots(), ACPageBlock(1)), {"CONST", "TS"}, 1},
        {"n far past L1", OlderConstantData(0xFFFFFFFF, TwoSnapshots(), {}), {"CONST", "TS"}, 1},
        {"cut inside the snapshots", Bytes(whole.begin(), whole.begin() + 20), {}, 1},
        {"no AC block", OlderConstantData(2, TwoSnapshots(), {}), {"CONST", "TS"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DWORD element = 0;
        auto wizard = NewWizard<CConstantBlockWizard4>(kConstantRows, "C1", &element);
        wizard->SetACMode(5);
        WithSnapshots({"OLD"}, [&](CPtrArray* list) { wizard->SetACParameters(list, 1); });
        editor->ClearRequests();
        EXPECT_TRUE(ConvertOlder(*wizard, c.data));
        EXPECT_EQ(c.names, SnapshotNames(wizard->GetSnapshots()));
        // The settings go to the wizard in every case; the hidden pages start from the
        // wizard's own (its mode 5 is the Real && Imaginary form, 1).
        EXPECT_EQ(c.mode, wizard->GetACMode());
        EXPECT_EQ(1u, wizard->GetACUse());
        EXPECT_EQ(nullptr, wizard->GetPage());
        EXPECT_EQ(1u, editor->CountRequests(23));
        EXPECT_EQ(1u, editor->CountRequests(24));
    }
}

} // namespace
