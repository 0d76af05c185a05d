#include "framework/placeholders.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ReplaceCase {
    const char* text;
    const char* placeholder;
    const char* value;
    BOOL wholeToken;
    BOOL result;
    const char* expected;
};

TEST(Placeholders, ReplacesOneOccurrence) {
    const ReplaceCase cases[] = {
        {"@R1 := @R;", "@R", "5", 1, 1, "@R1 := 5;"},
        {"@R1 := @R;", "@R", "5", 0, 1, "51 := @R;"},
        {"x@TYPE", "@TYPE", "R ", 1, 1, "xR "},
        {"@TYPEX @TYPE", "@TYPE", "R", 1, 1, "@TYPEX R"},
        {"@TYPEX", "@TYPE", "R", 1, 0, "@TYPEX"},
        {"@TYPE(x)", "@TYPE", "R", 1, 1, "R(x)"},
        {"a@@b", "@", "Q", 1, 1, "aQ@b"},
        {"@CH;", "@CH", "", 1, 1, ";"},
        {"@A", "@A", "a much longer value", 0, 1, "a much longer value"},
        {"no placeholder", "@X", "1", 0, 0, "no placeholder"},
        {"text", "", "1", 0, 0, "text"},
        // Overlapping occurrences are examined one character apart.
        {"@AA@A;", "@A", "z", 1, 1, "@AAz;"},
    };
    for (const ReplaceCase& c : cases) {
        CString text(c.text);
        EXPECT_EQ(c.result, ReplacePlaceholder(text, c.placeholder, c.value, c.wholeToken)) << c.text;
        EXPECT_EQ(CString(c.expected), text) << c.text;
    }
}

TEST(Placeholders, ValueHoldingThePlaceholderIsInsertedOnce) {
    CString text("@X and @X");
    EXPECT_TRUE(ReplacePlaceholder(text, "@X", "<@X>", 0));
    EXPECT_EQ(CString("<@X> and @X"), text);
    // A second call finds the placeholder again inside the value.
    EXPECT_TRUE(ReplacePlaceholder(text, "@X", "1", 0));
    EXPECT_EQ(CString("<1> and @X"), text);
}

TEST(Placeholders, ReplaceEveryOccurrenceIsOneForwardPass) {
    CString text("@CH + @CH");
    EXPECT_EQ(2, ReplaceEveryOccurrence(text, "@CH", "(@CH)"));
    EXPECT_EQ(CString("(@CH) + (@CH)"), text);
    EXPECT_EQ(0, ReplaceEveryOccurrence(text, "", "x"));
    EXPECT_EQ(CString("(@CH) + (@CH)"), text);
}

TEST(TemplateSections, SectionsFromLfAndCrLfFiles) {
    for (const char* eol : {"\n", "\r\n"}) {
        const std::string file = std::string("[IF]") + eol + "IF x THEN" + eol + "[ELSE]" + eol + "y" + eol;
        EXPECT_EQ(CString("IF x THEN\r\n"), ExtractTemplateSection(file.data(), file.size(), "[IF]")) << eol[0];
        EXPECT_EQ(CString("y\r\n"), ExtractTemplateSection(file.data(), file.size(), "[ELSE]"));
        EXPECT_EQ(CString(), ExtractTemplateSection(file.data(), file.size(), "[ELSE_IF]"));
    }
    const std::string noFinalNewline = "[ELSE]\ny";
    EXPECT_EQ(CString("y"), ExtractTemplateSection(noFinalNewline.data(), noFinalNewline.size(), "[ELSE]"));
}

TEST(TemplateSections, KeyFoundTwiceAppendsBothSections) {
    const std::string file = "[A]\none\n[B]\nskip\n[A]\ntwo\n";
    EXPECT_EQ(CString("one\r\ntwo\r\n"), ExtractTemplateSection(file.data(), file.size(), "[A]"));
}

TEST(TemplateSections, LongLinesArriveInPiecesOf99Characters) {
    // A 150-character line: its first piece of 99 holds the key, the rest is the section.
    const std::string line = "[K]" + std::string(96, 'a') + std::string(51, 'b');
    const std::string file = line + "\r\nnext\r\n[END]\r\n";
    EXPECT_EQ(CString(std::string(51, 'b') + "\r\nnext\r\n"), ExtractTemplateSection(file.data(), file.size(), "[K]"));
    // A "[" in the second piece of a line ends a section although the line began inside it.
    const std::string split = "[K]\n" + std::string(99, 'c') + "[stop\nafter\n";
    EXPECT_EQ(CString(std::string(99, 'c')), ExtractTemplateSection(split.data(), split.size(), "[K]"));
}

} // namespace

#include "framework/module.h"
#include "win32/win32.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

// Without a loaded plug-in the module handle is null, which names the test program itself:
// its template file is "Template/<program>.skl" beside it.
TEST(TemplateSections, LoadTemplateSectionReadsTheModulesTemplateFile) {
    ASSERT_EQ(nullptr, g_hModule);
    char self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
    const std::filesystem::path path(static_cast<const char*>(TemplatePathForModule(self)));
    std::filesystem::remove(path);

    CString key("[IF]");
    EXPECT_EQ(0, LoadTemplateSection(key));
    EXPECT_TRUE(key.IsEmpty());

    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << "[IF]\r\nIF x THEN\r\n[ELSE]\r\ny\r\n";
    key = "[IF]";
    EXPECT_EQ(1, LoadTemplateSection(key));
    EXPECT_EQ(CString("IF x THEN\r\n"), key);
    key = "[NONE]";
    EXPECT_EQ(1, LoadTemplateSection(key));
    EXPECT_TRUE(key.IsEmpty());
    std::filesystem::remove(path);
}

} // namespace
