// What OK stores comes back: an element edited and confirmed describes as its page showed it,
// and its page reopened and confirmed with a bare OK prints and describes exactly the same.
// Each session runs in this process on the real plug-in, as `qvhost edit` runs it.
#include "editor/schematic.h"

#include "tests/support/host_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class ReopenedPageTest : public qv_test::HostTest {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(StartInFolder("reopened_page")); }

    struct State {
        std::string printed;
        std::string description;
        std::string archive;
        bool operator==(const State&) const = default;
    };

    void BuildText(const std::string& json) {
        qv::Schematic schematic;
        std::string error;
        ASSERT_TRUE(qv::ReadSchematic(json, schematic, error)) << error;
        ASSERT_TRUE(host->Build(schematic, folder.string() + "/", error)) << error;
    }
    // Runs the lines on the element's sheet; the listings of its "print" lines.
    std::vector<std::string> Edit(const std::string& element, const std::vector<std::string>& lines) {
        qv::EditOutcome outcome;
        std::string error;
        EXPECT_TRUE(host->Edit(element, lines, outcome, error)) << error;
        return outcome.printed;
    }
    State Now() {
        State state;
        state.description = Describe(*host, "d.desc");
        state.printed = qv::WriteSchematic(host->CurrentSchematic());
        std::string error;
        const std::string archive = (folder / "a.qva").string();
        state.archive = host->Save(archive, error) ? qv_test::ReadFile(archive) : "(refused) " + error;
        return state;
    }
};

TEST_F(ReopenedPageTest, ABareOkOnTheReopenedPageKeepsWhatTheFirstOkStored) {
    struct Case {
        const char* what;
        const char* schematic;
        std::vector<std::string> script;
        const char* description;
    } cases[] = {
        {"a transformer's mutual inductance on a pin",
         R"j({"document":"D","elements":[{"id":20,"name":"TR1","parameters":{"M":"0.5m"}}]})j",
         {"click 2307", "click 2311", "ok"},
         "TRANSF TR1 ( L1 := 1m, I01 := 0, L2 := 1m, I02 := 0, K := (TR1.M)/sqrt( 1m * 1m) );"},
        {"a transformer's mutual inductance on a pin, form K passed on the way",
         R"j({"document":"D","elements":[{"id":20,"name":"TR1","parameters":{"M":"0.5m"}}]})j",
         {"click 2307", "click 2311", "click 2306", "click 2307", "ok"},
         "TRANSF TR1 ( L1 := 1m, I01 := 0, L2 := 1m, I02 := 0, K := (TR1.M)/sqrt( 1m * 1m) );"},
        {"a time-function VCO's limits that name signals",
         R"j({"document":"D","elements":[{"id":42,"name":"V1"}]})j",
         {"click 2148", "type 2151 VUP", "type 2152 VLO", "ok"},
         "VCO V1 ( AMPL := 1, FREQ := 50, IN := 0, VMAX := VUP, VMIN := VLO, PHASE := 0 );"},
        {"a time-function VCO's limits given by the schematic",
         R"j({"document":"D","elements":[{"id":42,"name":"V1","parameters":{"VMAX":"VUP","VMIN":"VLO"}}]})j",
         {"ok"},
         "VCO V1 ( AMPL := 1, FREQ := 50, IN := 0, VMAX := VUP, VMIN := VLO, PHASE := 0 );"},
        {"a force source's constant used for AC, in kN",
         R"j({"document":"D","elements":[{"id":104,"name":"F1"}]})j",
         {"click 2520", "choose 2507 kN", "ok"},
         "FSRC F1 ( VALUE := 10000, AC_PHASE := 0, AC_MAG := 10000 );"},
        {"a sum block's input renamed without an index",
         R"j({"document":"D","elements":[{"id":58,"name":"S1"}]})j",
         {"click 1122", "message ok \"Invalid value!\"", "cell 2132 2 0 FOO", "click 1122", "ok"},
         "SUM S1 ( INPUT[0] := 0,INPUT[1] := 0,TS := 0,INPUT[2] := 0,INPUT[3] := 0 );"},
        {"a dead time's initial value renamed without an index",
         R"j({"document":"D","elements":[{"id":82,"name":"DS","parameters":{"INPUT":"x"},"script":["click 2291","ok"]}]})j",
         {"click 2291", "click 1122", "message ok \"Invalid value!\"", "cell 2134 0 0 FOO", "ok"},
         "DEADTIME DS ( INPUT := x, TS := 1m, NH := 1, Y0[0] := 0 );"},
        {"a dead time's table given a file name of its own",
         R"j({"document":"D","elements":[{"id":82,"name":"DT1","parameters":{"INPUT":"x","FILE":"dt1_initial.mdx"},)j"
         R"j("script":["click 2292","click 1122","click 1122","cell 2134 1 1 \"-1\"","ok"]}]})j",
         {"type 2117 XNAME", "ok"},
         "DEADTIME DT1 ( INPUT := x, TS := 1m, FILE := \"XNAME.mdx\" );"},
        {"a Fourier source's number of harmonics in its own spelling",
         R"j({"document":"D","elements":[{"id":85,"name":"F1"}]})j",
         {"type 2328 \"1k\"", "ok"},
         "V_Src F1 ( FILE := \"D__F1.mdx\" );"},
        {"a resistor's characteristic on a pin, the linear form chosen",
         R"j({"document":"D","elements":[{"id":15,"name":"RNL2","characteristic":{"kind":"pin"}}]})j",
         {"click 2027", "ok"},
         "R RNL2 ( R := 1k );"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NO_FATAL_FAILURE(BuildText(c.schematic));
        const std::string element = host->CurrentSchematic().elements.front().name;
        Edit(element, c.script);
        const State stored = Now();
        EXPECT_EQ(std::string(c.description) + "\n", stored.description);
        Edit(element, {"ok"});
        EXPECT_EQ(stored, Now()) << stored.printed;
    }
}

// A dead time opened in a file mode numbers its rows under "No.", as after choosing the mode.
TEST_F(ReopenedPageTest, ADeadTimeOpenedInAFileModeHeadsItsRowNumbers) {
    ASSERT_NO_FATAL_FAILURE(BuildText(R"j({"document":"D","elements":[{"id":82,"name":"DT1",)j"
                                      R"j("parameters":{"INPUT":"x","FILE":"dt1_initial.mdx"},)j"
                                      R"j("script":["click 2292","click 1122","ok"]}]})j"));
    const std::vector<std::string> printed = Edit("DT1", {"print", "cancel"});
    ASSERT_EQ(1u, printed.size());
    EXPECT_THAT(printed.front(), testing::HasSubstr("2134 SysListView32 \"\"\n  columns [\"No.\", \"Initial Value\"]\n"
                                                    "  row 0: \"1\" \"0\"\n"));
}

// A renamed element made again from its printed schematic is the element renamed: the table's
// file name that its page derives from the element's name follows the new name alike.
TEST_F(ReopenedPageTest, ARenamedElementMadeAgainFromItsPrintedSchematicIsTheSame) {
    for (const char* characteristic : {R"j({"kind":"data-pairs","points":[[0,0],[1,2]]})j",
                                       R"j({"kind":"file-reference","variable":"GTABLE"})j"}) {
        SCOPED_TRACE(characteristic);
        ASSERT_NO_FATAL_FAILURE(BuildText(std::string(R"j({"document":"D","elements":[{"id":65,"name":"K1",)j") +
                                          R"j("parameters":{"INPUT":"W"},"characteristic":)j" + characteristic + "}]}"));
        Edit("K1", {"type 2001 K11", "ok"});
        const State renamed = Now();
        ASSERT_NO_FATAL_FAILURE(BuildText(renamed.printed));
        const State made = Now();
        EXPECT_EQ(renamed.description, made.description);
        EXPECT_EQ(renamed.printed, made.printed);
    }
}

} // namespace
