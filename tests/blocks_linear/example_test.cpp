// The block-diagram example run by the host as a user runs it: a loop of sum, gain and G(s),
// its model description and its saved wizard data; and the editor's part of "@PARAMLIST".
#include "tests/support/profiled_host.h"

#include "editor/param_list_fill.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr qv_test::ProfiledHost kHost("blocks_example_profile.ini");

// The loop's sum, and the product, maximum and minimum that the schematic names by their kinds
// beside the sum block's wizard ID (the maximum's third input added and negated on its page).
TEST(BlocksExample, HostDescribesTheControlLoop) {
    EXPECT_EQ("SUM E1 ( INPUT[0] := W,INPUT[1] := - (G1.OUT),TS := 0 );\n"
              "GAIN K1 ( K := 2.5, TS := 0, IN := E1.OUT );\n"
              "TF G1 ( N := 0, M := 2, TS := 0, IN := K1.OUT, Q[0] := 4, P[0] := 1, P[1] := 0.5, P[2] := 0.1 );\n"
              "SDB ( G1.OUT );\n"
              "PROD P1 ( INPUT[0] := K1.OUT,INPUT[1] := G1.OUT,TS := 0 );\n"
              "SDB ( P1.OUT );\n"
              "MAX MAX1 ( INPUT[0] := G1.OUT,INPUT[1] := 0,TS := 0,INPUT[2] := - (W) );\n"
              "MIN MIN1 ( INPUT[0] := MAX1.OUT,INPUT[1] := 10,TS := 0 );\n",
              kHost.DescribedExample("control_loop"));
}

TEST(BlocksExample, SavedWizardDataLoadsAndSavesToTheSameBytes) {
    // The sum and the gain of the loop (the host's loader finds parameters by the names of
    // the catalogue, which the coefficients made by the G(s) wizard are not).
    const fs::path folder = qv_test::TempFolder();
    const fs::path schematic = folder / "sum_and_gain.json";
    std::ofstream(schematic) << R"({"document": "Loop", "elements": [
        {"id": 58, "name": "E1", "parameters": {"INPUT[0]": "W", "INPUT[1]": "K1.OUT"},
         "script": ["cell 2132 1 2 \"-\"", "ok"]},
        {"id": 32, "name": "K1", "parameters": {"K": "2.5", "IN": "E1.OUT"}}]})";
    const std::string bytes = kHost.SavedAndReloaded(schematic.string(), folder / "loop.qva");
    // The sum block's own data: schema 0 and the sign mask with bit 1 (INPUT[1] negated).
    const std::string sumData("\x00\x00\x02\x00\x00\x00", 6);
    EXPECT_NE(std::string::npos, bytes.find(sumData));
}

CWizardCopaObject3* Add(ParamHolder& holder, const char* name, DWORD type, DWORD extType = 0) {
    auto* param = new CWizardCopaObject3;
    param->SetName(name);
    param->SetType(type);
    param->SetExtType(extType);
    holder.AddParam(param);
    return param;
}

TEST(EditorParamList, FillsWhatAWizardLeft) {
    ParamHolder holder;
    Add(holder, "N", 0x4);
    Add(holder, "Q", 0x6);
    Add(holder, "Q[0]", 0x4);
    Add(holder, "NAME", 0x100004);
    Add(holder, "UNUSED", 0x4, 0x20000);
    Add(holder, "OUT", 0x8);
    Add(holder, "GONE", 0x4)->SetDeletable(TRUE);
    holder.GetParam(6)->Delete();
    struct Case {
        const char* text;
        const char* filled;
    };
    for (const Case& c : {Case{"TF @NAME ( @PARAMLIST);", "TF @NAME ( N := @N, Q[0] := @Q[0], NAME := \"@NAME\" );"},
                          Case{"no list", "no list"},
                          Case{"@PARAMLIST @PARAMLIST", "N := @N, Q[0] := @Q[0], NAME := \"@NAME\"  @PARAMLIST"}})
        EXPECT_EQ(c.filled, qv::FillLeftParamList(holder, c.text)) << c.text;
    ParamHolder empty;
    EXPECT_EQ("( )", qv::FillLeftParamList(empty, "( @PARAMLIST)"));
}

// The list macros of the coupled inductors and the controlled switch; a macro the editor cannot
// read stays for the check of the text to refuse.
TEST(EditorParamList, ExpandsTheListMacros) {
    ParamHolder holder;
    Add(holder, "N", 0x4);
    Add(holder, "Q", 0x6);
    Add(holder, "NAME", 0x100004);
    Add(holder, "UNUSED", 0x4, 0x20000);
    Add(holder, "PINNED", 0x80000004);
    Add(holder, "OUT", 0x8);
    struct Case {
        const char* text;
        const char* expanded;
    };
    for (const Case& c :
         {Case{"M ( @ListCoPa(0x00000004, 0x0000000C, 0x51030E04)@CoPaRemoveCharacters(0x00000004, 0x0000000C,0x4000000000,1,-1));",
               "M ( N := @N, NAME := \"@NAME\", PINNED := @PINNED);"},
          Case{"@ListCoPa(0x8, 0xC, 0) @ListCoPa(0x4, 0xC, -1)@CoPaRemoveCharacters(0x8, 0xC, 0, 5, -1)",
               "OUT :=  N := @N, NAME := \"@NAME\", PINNED := @PINNED,"},
          // Two lists, each trimmed by its own removal after both were written: the second list
          // moves with the text the first removal takes out before it.
          Case{"(@ListCoPa(0x8, 0xC, 0) @ListCoPa(0x4, 0xC, -1))@CoPaRemoveCharacters(0x8, 0xC, 0, 1, -1)"
               "@CoPaRemoveCharacters(0x4, 0xC, 0, 1, -1)",
               "(OUT := @OUT N := @N, NAME := \"@NAME\", PINNED := @PINNED)"},
          Case{"@ListCoPa(0x8, 0xC, 0)@CoPaRemoveCharacters(0x10, 0x1C, 0, 1, -1)",
               "OUT := @OUT,@CoPaRemoveCharacters(0x10, 0x1C, 0, 1, -1)"},
          Case{"@ListCoPa(0x8, 0xC, 0)@CoPaRemoveCharacters(0x8, 0xC, 0, 1, 0)", "OUT := @OUT,@CoPaRemoveCharacters(0x8, 0xC, 0, 1, 0)"},
          Case{"@ListCoPa(0x4, mask, 0) @ListCoPa(0x4, 0xC) @CoPaRemoveCharacters(0x4, 0xC, 0, 1, -1)",
               "@ListCoPa(0x4, mask, 0) @ListCoPa(0x4, 0xC) @CoPaRemoveCharacters(0x4, 0xC, 0, 1, -1)"},
          Case{"no macro @N", "no macro @N"}})
        EXPECT_EQ(c.expanded, qv::ExpandListMacros(holder, c.text)) << c.text;
}

} // namespace
