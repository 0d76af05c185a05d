// The host's rules for the files it writes and the text it prints: where a user's data file
// lands, and which messages are already UTF-8.
#include "editor/host.h"
#include "editor/text_codec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(OutputNames, AUsersDataFileLandsWhereTheTableWritesIt) {
    const std::string doc = "/w/doc/";
    const std::string longName(300, 'x');
    const struct {
        std::string file, entry, path;
    } cases[] = {
        {"t.mdx", "t.mdx", "/w/doc/t.mdx"},
        {"noext", "noext", "/w/doc/noext.mdx"},
        {"x.txt", "x.txt", "/w/doc/x.mdx"},
        {"x.tbl", "x.tbl", "/w/doc/x.tbl"},
        {"x.a", "x.a", "/w/doc/x.mdx"},
        {".mdx", ".mdx", "/w/doc/R1.mdx"},
        {".hidden.mdx", ".hidden.mdx", "/w/doc/R1.hidden.mdx"},
        {"*.mdx", "*.mdx", "/w/doc/R1.mdx"},
        {"x.md*", "x.md*", "/w/doc/x.mdx"},
        {"./dot.mdx", "/w/doc/dot.mdx", "/w/doc/dot.mdx"},
        {"./.dot.mdx", "/w/doc/.dot.mdx", "/w/doc/R1.dot.mdx"},
        {"sub/../up", "/w/doc/up", "/w/doc/up.mdx"},
        {"sub/in.mdx", "/w/doc/sub/in.mdx", "/w/doc/sub/in.mdx"},
        {"../side.mdx", "/w/side.mdx", "/w/side.mdx"},
        {"sub\\in.mdx", "/w/doc/sub/in.mdx", "/w/doc/sub/in.mdx"},
        {"/abs/a.mdx", "/abs/a.mdx", "/abs/a.mdx"},
        {"/abs/.a.mdx", "/abs/.a.mdx", "/abs/.a.mdx"},
        {longName, longName, "/w/doc/" + longName + ".mdx"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.entry, qv::DataFileEntry(c.file, doc)) << c.file;
        EXPECT_EQ(c.path, qv::UserDataFilePath(c.file, "R1", doc)) << c.file;
    }
}

TEST(OutputNames, PlannedOutputsAreAbsoluteAndDistinct) {
    qv::Schematic schematic;
    schematic.document = "D.x";
    qv::SchematicElement element;
    element.id = 15;
    element.name = "R.1";
    element.characteristic.kind = qv::SchematicCharacteristic::Kind::DataPairs;
    element.characteristic.points = {{0, 0}, {1, 1}};
    schematic.elements.push_back(element);
    std::vector<qv::PlannedFile> planned;
    std::string error;
    ASSERT_TRUE(qv::PlanDescribeOutputs(schematic, "/tmp/./out.desc", planned, error)) << error;
    ASSERT_EQ(2u, planned.size());
    EXPECT_EQ("/tmp/out.desc", planned[0].path);
    EXPECT_EQ("/tmp/D_x__R_1.mdx", planned[1].path) << "both names with \"_\" for \".\"";

    schematic.elements[0].characteristic.file = "../tmp/out.desc";
    EXPECT_TRUE(qv::PlanDescribeOutputs(schematic, "/tmp/out.desc", planned, error)) << "the data file is out.mdx";
    schematic.elements[0].characteristic.file = "../tmp/out.tbl";
    EXPECT_FALSE(qv::PlanDescribeOutputs(schematic, "/tmp/out.tbl", planned, error)) << "an extension that stays";
    schematic.elements[0].characteristic.file = "out";
    EXPECT_FALSE(qv::PlanDescribeOutputs(schematic, "/tmp/out.mdx", planned, error));
    EXPECT_NE(std::string::npos, error.find("would both be written to /tmp/out.mdx")) << error;
    // The system would end the path at the NUL and write another file.
    EXPECT_FALSE(qv::PlanDescribeOutputs(schematic, std::string("/tmp/a\0b.desc", 13), planned, error));
    EXPECT_NE(std::string::npos, error.find("NUL")) << error;
}

TEST(OutputNames, MessagesThatAreUtf8StayOthersAreConverted) {
    const struct {
        std::string text;
        bool utf8;
    } cases[] = {
        {"plain", true},
        {"R\xC3\xA4ty", true},
        {"\xE2\x82\xAC", true},
        {"\xF0\x9F\x98\x80", true},
        {"R\xE4ty", false},         // Windows-1252
        {"\xC3", false},            // cut short
        {"\xC0\xAF", false},        // overlong
        {"\xE0\x80\xAF", false},    // overlong
        {"\xED\xA0\x80", false},    // a surrogate
        {"\xF4\x90\x80\x80", false},  // beyond the last character
        {"\x80", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.utf8, qv::IsUtf8(c.text)) << c.text;
        const std::string printed = qv::MessageToUtf8(c.text);
        EXPECT_TRUE(qv::IsUtf8(printed)) << c.text;
        if (c.utf8) {
            EXPECT_EQ(c.text, printed);
        }
    }
    EXPECT_EQ("R\xC3\xA4ty", qv::MessageToUtf8("R\xE4ty"));
}

} // namespace
