// Cancel gives the element back as it was when its sheet opened, or as the last commit left
// it: whatever the pages' buttons, order fields, list edits and sub-sheets changed before, the
// printed schematic and the description are those of a sheet cancelled at once. Each session
// runs in this process on the real plug-in, as the editor runs it.
#include "editor/host.h"
#include "editor/param_set_snapshot.h"
#include "editor/schematic.h"
#include "win32/profile.h"
#include "win32/win32.h"

#include "tests/support/host_fixture.h"
#include "tests/support/param_set_text.h"
#include "tests/support/sandbox.h"
#include "tests/support/text_files.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using qv_test::ReadFile;

class SheetCancelTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = qv_test::TempFolder() + "/sheet_cancel_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        folder = pattern;
        setenv("QV_USER_PROFILE", (folder / "user.ini").c_str(), 1);
        qv::SetQuorvatixPath(PARVEL_MODULE_DIR);
        qv::SetProfileFolder(folder.string());
        plugin = LoadLibraryA(PARVEL_MODULE_DIR "/Parvel.so");
    }
    void TearDown() override {
        if (plugin != nullptr) FreeLibrary(plugin);
        qv::SetProfileFolder("");
        std::error_code code;
        fs::remove_all(folder, code);
    }

    using Result = qv_test::EditedAndDescribed;

    // Builds the schematic in a host of its own, runs the script on the element's sheet and
    // gives what `edit -o` would print and what describing that gives.
    Result EditThenDescribe(const std::string& json, const std::string& element, const std::vector<std::string>& script,
                            const std::string& stem) {
        return qv_test::EditThenDescribe(json, element, script, folder / stem);
    }

    fs::path folder;
    HMODULE plugin = nullptr;
};

// A sheet that ends with Cancel leaves the printed schematic and the description exactly as a
// sheet cancelled at once leaves them.
TEST_F(SheetCancelTest, CancelGivesBackWhatThePagesChanged) {
    const std::string table = R"j({"document":"D","elements":[{"id":15,"name":"R1","characteristic":)j"
                              R"j({"kind":"data-pairs","points":[[0,0],[1,1],[2,4]]}}]})j";
    const std::string transfer =
        R"j({"document":"D","elements":[{"id":33,"name":"T1","parameters":{"N":"1","Q[0]":"1","Q[1]":"2"}}]})j";
    const std::string polynomial = R"j({"document":"D","elements":[{"id":31,"name":"P1","parameters":)j"
                                   R"j({"ORDER":"3","QUANT[0]":"V(N1)","COEFF[2]":"5","COEFF[3]":"7"}}]})j";
    // The dead time starts with its initial values in a file, whose table OK refuses empty.
    const std::string deadTime = R"j({"document":"D","elements":[{"id":82,"name":"DS","parameters":)j"
                                 R"j({"INPUT":"x","NH":"3","Y0[0]":"0.5","Y0[1]":"0.25","Y0[2]":"-1"},)j"
                                 R"j("script":["click 1122","ok"]}]})j";
    const std::string outputs = R"j({"document":"D","elements":[{"id":29,"name":"O1","outputs":["V","I"]}]})j";
    const std::string semiconductor = R"j({"document":"D","elements":[{"id":9,"name":"Q1"}]})j";
    const std::string expressions = ReadFile(PARVEL_SOURCE_DIR "/examples/expression_elements.json");
    // Both pages of the voltage source commit; the editor's check then refuses the value.
    const std::string source = R"j({"document":"D","elements":[{"id":3,"name":"E1"}]})j";
    struct Case {
        const char* what;
        const std::string& schematic;
        const char* element;
        std::vector<std::string> script;
        bool noCommit = false;   // the editor counts no commit of the session either
    } cases[] = {
        {"a table cleared in a cancelled table sheet", table, "R1", {"sheet cancel {", "click 1124", "}", "click 2016", "cancel"}},
        {"a cell edited in a confirmed table sheet", table, "R1", {"sheet ok {", "cell 2121 1 2 9", "}", "click 2016", "cancel"}},
        {"a smaller order", transfer, "T1", {"type 2188 0", "type 2186 0", "cancel"}},
        {"a larger order", transfer, "T1", {"type 2188 2", "cancel"}},
        {"an order and a name", polynomial, "P1", {"type 2163 1", "type 2001 P1", "cancel"}},
        {"a quantity removed", polynomial, "P1", {"click 2175", "cancel"}},
        {"a quantity added", polynomial, "P1", {"click 2173", "cancel"}},
        {"an expression deleted", expressions, "FML1", {"row 2132 0", "click 1123", "cancel"}},
        {"an expression added", expressions, "FML1", {"click 1122", "cancel"}},
        {"an initial value deleted", expressions, "IV1", {"row 2132 0", "click 1123", "cancel"}},
        {"a row deleted after an apply of another mode", deadTime, "DS", {"click 2291", "apply", "row 2134 1", "click 1123", "cancel"}},
        {"an output switched off", outputs, "O1", {"click 2018", "cancel"}},
        {"a pin ticked", semiconductor, "Q1", {"click 2073", "cancel"}},
        {"an OK of two pages that the commit check refuses", source, "E1",
         {"page 1", "page 0", "type 2028 \"1k, G := 5\"", "message ok", "ok", "cancel"}, true},
        {"an apply of two pages that the commit check refuses", source, "E1",
         {"page 1", "page 0", "type 2028 \"1k, G := 5\"", "message ok", "apply", "cancel"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Result bare = EditThenDescribe(c.schematic, c.element, {"cancel"}, "bare");
        ASSERT_TRUE(bare.edited) << bare.error;
        // The dead time's apply is kept: its own bare run applies the same mode first.
        const Result kept = c.schematic == deadTime
                                ? EditThenDescribe(c.schematic, c.element, {"click 2291", "apply", "cancel"}, "applied")
                                : bare;
        const Result changed = EditThenDescribe(c.schematic, c.element, c.script, "changed");
        ASSERT_TRUE(changed.edited) << changed.error;
        EXPECT_EQ(kept.printed, changed.printed);
        EXPECT_EQ(kept.description, changed.description);
        if (c.noCommit) {
            EXPECT_EQ(0u, changed.commits);
        }
    }
}

// What an apply committed stays after a later Cancel; what the pages changed after it goes.
// The outputs of the older meter pages are the element's at the moment of the click.
TEST_F(SheetCancelTest, ApplyThenCancelKeepsWhatWasApplied) {
    const std::string resistor = R"j({"document":"D","elements":[{"id":15,"name":"R1"}]})j";
    const Result applied = EditThenDescribe(resistor, "R1", {"type 2028 33k", "apply", "type 2028 47k", "click 2019", "cancel"}, "a");
    ASSERT_TRUE(applied.edited) << applied.error;
    EXPECT_NE(std::string::npos, applied.printed.find("\"33k\"")) << applied.printed;
    EXPECT_EQ(std::string::npos, applied.printed.find("47k")) << applied.printed;
    EXPECT_EQ(std::string::npos, applied.printed.find("\"outputs\"")) << applied.printed;
    // A refused OK the user answered and then mended with an apply: the sheet is left open on
    // what was applied, which is no refusal.
    const Result mended = EditThenDescribe(resistor, "R1", {"type 2028 \"1k, G := 5\"", "message ok", "ok", "type 2028 33k", "apply"}, "m");
    EXPECT_TRUE(mended.edited) << mended.error;
    EXPECT_EQ(std::string::npos, mended.error.find("the sheet refused")) << mended.error;
    EXPECT_NE(std::string::npos, mended.printed.find("\"33k\"")) << mended.printed;

    const std::string meters = ReadFile(PARVEL_SOURCE_DIR "/examples/meters.json");
    qv::Schematic schematic;
    std::string error;
    ASSERT_TRUE(qv::ReadSchematic(meters, schematic, error)) << error;
    ASSERT_FALSE(schematic.elements.empty());
    const std::string meter = schematic.elements.front().name;
    const Result bare = EditThenDescribe(meters, meter, {"cancel"}, "bare");
    const Result switched = EditThenDescribe(meters, meter, {"click 2074", "cancel"}, "switched");
    ASSERT_TRUE(switched.edited) << switched.error;
    EXPECT_NE(bare.description, switched.description) << "the output switch stays switched";
}

// The files below a folder, with their bytes.
std::map<std::string, std::string> FilesIn(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files[fs::relative(entry.path(), folder).string()] = ReadFile(entry.path());
    return files;
}

// A switch that is the element's as soon as it is clicked commits itself alone: the edits the
// page had made before the click stay pending and go with Cancel, a data file written for them
// too, so that the session ends as one that clicked only the switch, and the switch stays.
TEST_F(SheetCancelTest, AnAtOnceSwitchCommitsItselfAlone) {
    const std::string blocks = ReadFile(PARVEL_SOURCE_DIR "/examples/dynamic_blocks.json");
    const std::string machines = ReadFile(PARVEL_SOURCE_DIR "/examples/machines.json");
    const std::string ammeter = R"j({"document":"D","elements":[{"id":5,"name":"AM1","outputs":["I"]}]})j";
    const std::string limiter =
        R"j({"document":"D","elements":[{"id":60,"name":"LIM1","parameters":{"IN":"W"},"outputs":["OUT"]}]})j";
    struct Case {
        const char* what;
        const std::string& schematic;
        const char* element;
        std::vector<std::string> pending;   // the edits made before the switch is clicked
        const char* click;
    } cases[] = {
        {"a delay block's order", blocks, "DEL1", {"type 2042 \"2\""}, "click 2056"},
        {"a machine's characteristic on a pin", machines, "M1", {"click 2160"}, "click 2142"},
        {"a meter's value on a pin", ammeter, "AM1", {"click 2071"}, "click 2076"},
        {"a static block's input on a pin", limiter, "LIM1", {"click 2073"}, "click 2056"},
        {"a machine's table written to a file of its own", machines, "M1",
         {"sheet ok {", "click 2116", "type 2117 \"mine.mdx\"", "}", "click 2157"}, "click 2142"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Result bare = EditThenDescribe(c.schematic, c.element, {"cancel"}, "bare");
        const Result alone = EditThenDescribe(c.schematic, c.element, {c.click, "cancel"}, "alone");
        std::vector<std::string> script = c.pending;
        script.insert(script.end(), {c.click, "cancel"});
        const Result after = EditThenDescribe(c.schematic, c.element, script, "after");
        ASSERT_TRUE(after.edited) << after.error;
        EXPECT_NE(bare.printed, alone.printed) << "the switch stays after Cancel";
        EXPECT_EQ(alone.printed, after.printed);
        EXPECT_EQ(alone.description, after.description);
        EXPECT_EQ(FilesIn(folder / "alone"), FilesIn(folder / "after"));
    }
}

// A refused apply writes nothing: the limits stay as they were, also after Cancel. The user
// who read the page's message and cancelled ends the session as a Cancel does.
TEST_F(SheetCancelTest, ARefusedApplyLeavesTheRefusedValuesOut) {
    const std::string random = R"j({"document":"D","elements":[{"id":57,"name":"RB","parameters":{"MAX":"1","MIN":"0"}}]})j";
    const Result bare = EditThenDescribe(random, "RB", {"cancel"}, "bare");
    const Result refused = EditThenDescribe(random, "RB", {"type 2247 -5", "message ok", "apply", "cancel"}, "refused");
    EXPECT_TRUE(refused.edited) << refused.error;
    EXPECT_EQ(bare.printed, refused.printed);
    EXPECT_EQ(bare.description, refused.description);
}

// The snapshot puts back the entries that are still there (so that nothing pointing at them
// dangles), makes again those that went, deletes those that came, and links an output entry
// to the parameter that stands for its own afterwards.
TEST(ParamSetSnapshot, RestoresEntriesInPlaceAndRelinksOutputs) {
    ParamHolder holder;
    auto* kept = new CWizardCopaObject3;
    kept->SetName("R");
    kept->SetValue("1k");
    auto* removed = new CWizardCopaObject3;
    removed->SetName("C");
    removed->SetDeletable(TRUE);
    holder.AddParam(kept);
    holder.AddParam(removed);
    auto* output = new CWizardCopaObject3;
    output->SetName("C");
    output->SetTemplateObject(removed);
    holder.AddOutputInstance(output);
    holder.m_bySymbolVariant = 2;

    qv::ParamSetSnapshot snapshot;
    snapshot.Take(holder);
    kept->SetValue("2k");
    removed->Delete();
    output->SetDeletable(TRUE);
    output->Delete();
    holder.PurgeDeleted();
    holder.AddParam(new CWizardCopaObject3);
    holder.m_bySymbolVariant = 4;

    snapshot.RestoreInto(holder);
    ASSERT_EQ(2, holder.GetParamCount());
    EXPECT_EQ(kept, holder.GetParam(0)) << "an entry still there is the same object";
    EXPECT_EQ("1k", std::string(kept->GetValue()));
    EXPECT_EQ("C", std::string(holder.GetParam(1)->GetName()));
    EXPECT_FALSE(holder.GetParam(1)->IsDeleted());
    ASSERT_EQ(1, holder.GetOutputInstanceCount());
    EXPECT_EQ(holder.GetParam(1), holder.GetOutputInstance(0)->GetTemplateObject());
    EXPECT_EQ(2, holder.m_bySymbolVariant);
}

// Every field the sheet's pages may change goes back with Cancel, and is kept when a commit made
// while a click was handled changed it (TakeChanges).
TEST(ParamSetSnapshot, EveryFieldGoesBackAndEveryChangedFieldIsTaken) {
    using Holder = CWizardSchematicDataExchange3;
    const std::function<void(Holder&)> changes[] = {
        [](Holder& h) { h.m_strElementName = "R2"; },
        [](Holder& h) { h.m_dwShowName = 0; },
        [](Holder& h) { h.m_SymbolTexts.SetAt(7, "other"); },
        [](Holder& h) { h.m_bySymbolVariant = 4; },
        [](Holder& h) { h.m_strModelText = "other"; },
        [](Holder& h) { h.m_AdditionalData = {'x'}; },
        [](Holder& h) { h.m_wActiveState = 0; },
        [](Holder& h) { h.GetParam(0)->SetValue("2k"); },
        [](Holder& h) { h.GetParam(0)->SetUnit("V"); },
        [](Holder& h) { h.GetParam(0)->SetUsedUnit("Ohm"); },
        [](Holder& h) { h.GetParam(0)->UsePin(TRUE); },
    };
    for (size_t i = 0; i < std::size(changes); ++i) {
        SCOPED_TRACE(i);
        Holder holder;
        holder.m_strElementName = "R1";
        holder.m_dwShowName = 1;
        holder.m_SymbolTexts.SetAt(7, "symbol");
        holder.m_AdditionalData = {'a', 'b'};
        holder.m_wActiveState = 1;
        auto* param = new CWizardCopaObject3;
        param->SetName("R");
        param->SetValue("1k");
        param->SetUnit("Ohm");
        param->SetUsedUnit("kOhm");
        holder.AddParam(param);
        const std::string before = qv_test::ParamSetText(holder);
        qv::ParamSetSnapshot opened;
        opened.Take(holder);
        qv::ParamSetSnapshot kept;
        kept.Take(holder);
        changes[i](holder);
        const std::string changed = qv_test::ParamSetText(holder);
        ASSERT_NE(before, changed);
        opened.RestoreInto(holder);
        EXPECT_EQ(before, qv_test::ParamSetText(holder));
        changes[i](holder);
        kept.TakeChanges(opened, holder);
        opened.RestoreInto(holder);
        kept.RestoreInto(holder);
        EXPECT_EQ(changed, qv_test::ParamSetText(holder));
    }
}

// A click that commits at once keeps what handling it changed and nothing the page had left
// pending before it: a bit of a type word it switched, but not a pin the page had set on the
// same parameter; an entry it removed stays removed after Cancel.
TEST(ParamSetSnapshot, AClickKeepsWhatItChangedAndLeavesWhatWasPending) {
    const auto param = [](ParamHolder& h, int i) { return h.GetParam(i); };
    const struct {
        const char* what;
        std::function<void(ParamHolder&)> pending;
        std::function<void(ParamHolder&)> click;
    } cases[] = {
        {"a pin pending on the parameter whose output bit the click sets",
         [&](ParamHolder& h) { param(h, 0)->UsePin(TRUE); },
         [&](ParamHolder& h) { param(h, 0)->SetType(param(h, 0)->GetType() | 0x8); }},
        {"an entry the click removes",
         [&](ParamHolder& h) { param(h, 0)->SetValue("2k"); },
         [&](ParamHolder& h) {
             param(h, 1)->Delete();
             h.PurgeDeleted();
         }},
    };
    const auto made = [] {
        auto holder = std::make_unique<ParamHolder>();
        for (const char* name : {"R", "C"}) {
            auto* entry = new CWizardCopaObject3;
            entry->SetName(name);
            entry->SetValue("1k");
            entry->SetType(0x4);
            entry->SetDeletable(TRUE);
            holder->AddParam(entry);
        }
        return holder;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto alone = made();
        c.click(*alone);
        const auto holder = made();
        qv::ParamSetSnapshot kept;
        kept.Take(*holder);
        c.pending(*holder);
        qv::ParamSetSnapshot found;
        found.Take(*holder);
        c.click(*holder);
        kept.TakeChanges(found, *holder);
        kept.RestoreInto(*holder);
        EXPECT_EQ(qv_test::ParamSetText(*alone), qv_test::ParamSetText(*holder));
    }
}

} // namespace
