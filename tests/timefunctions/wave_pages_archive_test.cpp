// Page blocks of the time-function pages besides the sine: golden bytes written by hand from
// the layout, and crafted older data (versions with a phase unit, schema 0, blocks cut short
// inside any field) converted through the wizards.
#include "wave_pages_support.h"

using namespace wave_test;

namespace {

using WavePageArchive = SourcesTest;

Bytes ClassRecord(const std::string& name) {
    Bytes out;
    NewClass(out, name);
    return out;
}

TEST_F(WavePageArchive, GoldenPageBlocks) {
    CPropTFMSawTooth saw(nullptr, nullptr);
    saw.SetWaveData(1, TRUE);
    CPropTFMPulse pulse(nullptr, nullptr);
    CPropTFMTrapez trapez(nullptr, nullptr);
    trapez.SetPeriodGiven(TRUE);
    CPropTFMArcTang arc(nullptr, nullptr);
    arc.SetTimeText("2.5");
    CPropTFMVCO vco(nullptr, nullptr);

    struct Case {
        const char* name;
        Bytes stored;
        Bytes expected;
    };
    Bytes arcBody = Dwords({10});
    Str(arcBody, "2.5");
    const Case cases[] = {
        // Every variant writes the one runtime class of the waves; the ramp is not stored.
        {"saw-tooth", StoredPage(saw), PageBlock("CPropTFMWave", 10, 10, Dwords({1}))},
        {"pulse", StoredPage(pulse), PageBlock("CPropTFMWave", 10, 10, Dwords({0}))},
        {"trapezoid", StoredPage(trapez), PageBlock("CPropTFMTrapez", 10, 10, Dwords({1}))},
        {"arc tangent", StoredPage(arc), [&] {
             Bytes out = ClassRecord("CPropTFMArcTang");
             Append(out, arcBody);
             return out;
         }()},
        {"VCO", StoredPage(vco), [] {
             Bytes out = ClassRecord("CPropTFMVCO");
             Append(out, Dwords({10}));
             return out;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, c.stored);
    }
}

TEST_F(WavePageArchive, WaveBlocksConvertIntoEveryVariant) {
    struct Case {
        const char* name;
        Bytes data;
        DWORD ramp;
        bool given;
        const char* phaseUnit;
    };
    const Case cases[] = {
        {"version 3, unit 1", OlderData(1, {1, 2}, PageBlock("CPropTFMWave", 10, 3, Dwords({1, 1}))), 1, true, "rad"},
        {"version 3, unit 0", OlderData(0, {}, PageBlock("CPropTFMWave", 10, 3, Dwords({1, 0}))), 0, true, "deg"},
        {"version 10 carries no unit", OlderData(1, {}, PageBlock("CPropTFMWave", 10, 10, Dwords({1, 1}))), 1, true,
         "rad"},
        {"schema 0 record: no version", OlderData(0, {}, PageBlock("", 0, 0, Dwords({1}))), 0, true, "rad"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DWORD element = 0;
        auto saw = NewWizard<CTFMSawToothWizard4>(WaveRows(), "SAW1", &element);
        ASSERT_TRUE(ConvertOlder(*saw, c.data));
        EXPECT_EQ(c.ramp, saw->GetRamp());
        EXPECT_EQ(c.given, saw->GetPeriodGiven() != 0);
        EXPECT_EQ(c.phaseUnit, Param(editor->Holder(element), 2042)->GetUsedUnit().str());
        EXPECT_EQ(nullptr, saw->GetPage());

        auto pulse = NewWizard<CTFMPulseWizard4>(WaveRows(), "PUL1");
        ASSERT_TRUE(ConvertOlder(*pulse, c.data));
        EXPECT_EQ(c.given, pulse->GetPeriodGiven() != 0);
        auto triangle = NewWizard<CTFMTriangleWizard4>(WaveRows(), "TRI1");
        ASSERT_TRUE(ConvertOlder(*triangle, c.data));
        EXPECT_EQ(c.given, triangle->GetPeriodGiven() != 0);
    }
}

TEST_F(WavePageArchive, SawToothDefaultsWithoutDataAndUnknownRamps) {
    struct Case {
        const char* ramp;  // parameter 1000
        DWORD expected;
    };
    // Without data the parameter's direction is taken; one the list does not know stays as
    // it is, and a number no direction can hold leaves the list at "Rising".
    const Case cases[] = {{"1", 1}, {"0", 0}, {"1.9", 1}, {"x", 0}, {"-1", 0}, {"5", 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ramp);
        auto saw = NewWizard<CTFMSawToothWizard4>(WaveRows(c.ramp), "SAW1");
        saw->SetRamp(7);
        ASSERT_TRUE(saw->DoConvertWizard3Data(nullptr, 0));
        EXPECT_EQ(c.expected, saw->GetRamp());
        saw->SetRamp(7);
        EXPECT_TRUE(saw->Initialize(0));
        EXPECT_EQ(c.expected, saw->GetRamp());
        EXPECT_EQ(0, editor->OutstandingCookies());
    }
}

TEST_F(WavePageArchive, BlocksEndingInsideAnyFieldKeepWhatWasRead) {
    const Bytes whole = OlderData(1, {1, 2, 3}, PageBlock("CPropTFMWave", 10, 3, Dwords({1, 1})));
    for (size_t length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        auto saw = NewWizard<CTFMSawToothWizard4>(WaveRows("0"), "SAW1");
        auto trapez = NewWizard<CTFMTrapezWizard4>(WaveRows(), "TRA1");
        auto arc = NewWizard<CTFMArcTangWizard4>(kArcTangRows, "ATN1");
        auto vco = NewWizard<CTFMVCOWizard4>(VCORows("0", "0"), "VCO1");
        arc->SetTimeText("keep");
        saw->DoConvertWizard3Data(whole.data(), static_cast<long>(length));
        trapez->DoConvertWizard3Data(whole.data(), static_cast<long>(length));
        arc->DoConvertWizard3Data(whole.data(), static_cast<long>(length));
        vco->DoConvertWizard3Data(whole.data(), static_cast<long>(length));
        // The ramp is read once its word is whole; the page block only when it fits.
        EXPECT_EQ(length >= 4 ? 1u : 0u, saw->GetRamp());
        EXPECT_EQ(length >= whole.size() - 4, saw->GetPeriodGiven() != 0);
        EXPECT_EQ(length >= whole.size() - 4, trapez->GetPeriodGiven() != 0);
        EXPECT_EQ("keep", arc->GetTimeText().str()) << "a wave page block holds no time";
        EXPECT_EQ(0, editor->OutstandingCookies());
    }
}

TEST_F(WavePageArchive, TrapezoidArcTangentAndVCOBlocks) {
    struct TrapezCase {
        const char* name;
        Bytes block;
        bool given;
        const char* phaseList;
    };
    const TrapezCase trapezCases[] = {
        {"version 3, unit 1", PageBlock("CPropTFMTrapez", 10, 3, Dwords({1, 1})), true, "rad"},
        {"version 10", PageBlock("CPropTFMTrapez", 10, 10, Dwords({1})), true, ""},
        {"schema 0", PageBlock("", 0, 0, Dwords({1})), true, ""},
    };
    for (const TrapezCase& c : trapezCases) {
        SCOPED_TRACE(c.name);
        DWORD element = 0;
        auto trapez = NewWizard<CTFMTrapezWizard4>(WaveRows(), "TRA1", &element);
        const Bytes data = OlderData(0, {}, c.block);
        ASSERT_TRUE(ConvertOlder(*trapez, data));
        EXPECT_EQ(c.given, trapez->GetPeriodGiven() != 0);
        // The phase unit of old data only selects the list; the parameter keeps its unit.
        EXPECT_EQ("rad", Param(editor->Holder(element), 2042)->GetUsedUnit().str());
    }

    Bytes arcBody;
    Str(arcBody, "3");
    Bytes arcOld = arcBody;
    Append(arcOld, Dwords({1}));
    const struct {
        const char* name;
        Bytes block;
        const char* time;
    } arcCases[] = {
        {"version 5 with unit", PageBlock("CPropTFMArcTang", 10, 5, arcOld), "3"},
        {"version 10", PageBlock("CPropTFMArcTang", 10, 10, arcBody), "3"},
        {"schema 0", PageBlock("", 0, 0, arcBody), "3"},
    };
    for (const auto& c : arcCases) {
        SCOPED_TRACE(c.name);
        auto arc = NewWizard<CTFMArcTangWizard4>(kArcTangRows, "ATN1");
        const Bytes data = OlderData(0, {}, c.block);
        ASSERT_TRUE(ConvertOlder(*arc, data));
        EXPECT_EQ(c.time, arc->GetTimeText().str());
    }

    const struct {
        const char* name;
        Bytes block;
        const char* usedUnit;
        size_t commits;
    } vcoCases[] = {
        {"version 2, unit 0", PageBlock("CPropTFMVCO", 10, 2, Dwords({0})), "deg", 1},
        {"version 2, unit 1 sets rad", PageBlock("CPropTFMVCO", 10, 2, Dwords({1})), "rad", 1},
        {"version 10 changes nothing", PageBlock("CPropTFMVCO", 10, 10, {}), "deg", 0},
        {"schema 0 with a version", PageBlock("", 0, 0, Dwords({3, 1})), "rad", 1},
        {"schema 0 without any bytes left", [] {
             Bytes b = PageBlock("", 0, 0, {});
             b.push_back(0);
             return b;
         }(), "deg", 0},
    };
    for (const auto& c : vcoCases) {
        SCOPED_TRACE(c.name);
        DWORD element = 0;
        std::vector<ParamRow> rows = VCORows("0", "0");
        rows[4].unit = "rad";
        auto vco = NewWizard<CTFMVCOWizard4>(rows, "VCO1", &element);
        Param(editor->Holder(element), 2042)->SetUsedUnit("deg");
        const Bytes data = OlderData(0, {}, c.block, false);
        editor->ClearRequests();
        ASSERT_TRUE(ConvertOlder(*vco, data));
        EXPECT_EQ(c.usedUnit, Param(editor->Holder(element), 2042)->GetUsedUnit().str());
        EXPECT_EQ(c.commits, editor->CountRequests(25));
    }
}

} // namespace
