// The reader of the journals of the owner of output files, on bytes alone: which records it
// takes in which place, which names, and that it reads the same whatever pieces the bytes
// come in and up to the size a command writes.
#include "editor/journal_format.h"
#include "tests/support/journal_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace journal = qv::journal;
using qv_test::kJournalId;

// A header's record alone, without the line that opens every journal.
std::string WithoutOpening(const std::string& header) { return header.substr(header.find('\n') + 1); }

// What a journal read holds, as one text, so that two reads compare at once.
std::string Shown(const journal::Journal& read) {
    std::string text = std::to_string(read.torn) + std::to_string(read.main) + " " + read.id + " " + read.mainFolder;
    for (const std::string& folder : read.folders) text += "\nd " + folder;
    for (const journal::Journal::File& file : read.files)
        text += "\nf " + file.target + " " + file.TemporaryName() + " " + file.BackupName();
    return text;
}

// The bytes read in one piece: the journal as Shown gives it, or "refused: " and the reason.
std::string ReadWhole(std::string_view bytes) {
    journal::Journal read;
    std::string why;
    return journal::Parse(bytes, read, why) ? Shown(read) : "refused: " + why;
}

// The same bytes fed in pieces of the sizes given in turn (the last size repeated).
std::string ReadInPieces(std::string_view bytes, const std::vector<size_t>& sizes) {
    journal::Parser parser;
    for (size_t at = 0, i = 0; at < bytes.size(); ++i) {
        const size_t size = std::min(sizes[std::min(i, sizes.size() - 1)], bytes.size() - at);
        if (!parser.Feed(bytes.substr(at, size))) return "refused: " + parser.Why();
        at += size;
    }
    journal::Journal read;
    return parser.Finish(read) ? Shown(read) : "refused: " + parser.Why();
}

const std::string kMain = journal::MainHeader(kJournalId);

// Journals that read, and ones refused, with what decides them.
struct Case {
    const char* what;
    std::string bytes;
    bool read;
};

std::vector<Case> Cases() {
    const std::string name255(255, 'n');
    const std::string opening(kMain, 0, kMain.find('\n') + 1);
    const std::string x = journal::FileRecord("x", 0, false);
    const auto part = [](const std::string& mainFolder) {
        return journal::PartHeader(kJournalId, mainFolder) + journal::FileRecord("s.txt", 0, true);
    };
    std::vector<Case> cases = {
        {"a main journal of every record", kMain + journal::FileRecord("b.txt", 0, true) + journal::FolderRecord("/o/sub") +
                                              journal::FileRecord("a\nb\\n.txt", 1, false), true},
        {"a file record before the header", opening + x, false},
        {"a folder record before the header", opening + journal::FolderRecord("/o/s"), false},
        {"a second main header", kMain + x + WithoutOpening(kMain), false},
        {"a second opening line", kMain + kMain, false},
        {"a folder's header after a main one", kMain + WithoutOpening(journal::PartHeader(kJournalId, "/o")), false},
        {"a main header after a folder's", part("/o") + WithoutOpening(kMain), false},
        {"a folder record in a folder's journal", part("/o") + journal::FolderRecord("/o/sub/x"), false},
        {"a target of the longest name", kMain + journal::FileRecord(name255, 0, true), true},
        {"a target longer than a name can be", kMain + journal::FileRecord(name255 + "n", 0, true), false},
        {"a file's number written by hand", kMain + x + qv_test::ForgedRecord("f 1:y 1 n "), true},
        {"a file's number with a leading zero", kMain + x + qv_test::ForgedRecord("f 1:y 01 n "), false},
        {"a file's number of two zeros", kMain + x + qv_test::ForgedRecord("f 1:y 00 n "), false},
        {"a file's number out of order", kMain + journal::FileRecord("x", 1, false), false},
        {"a file's number taken twice", kMain + x + journal::FileRecord("y", 0, false), false},
        {"a folder's journal naming an absolute main folder", part("/o/p"), true},
        // A journal of the earlier version names the files beside their targets, as that
        // version made their names, each name once.
        {"a journal of the earlier version", qv_test::Version2Journal(qv_test::Version2File("b.txt", ".b.txt.qvtmp", ".b.txt.qvold") +
                                                                     journal::FolderRecord("/o/sub") +
                                                                     qv_test::Version2File("n", ".n.qvtmp.1", "")), true},
        {"a folder's journal of the earlier version", qv_test::Version2Journal(qv_test::Version2File("s", ".s.qvtmp", ".s.qvold.2"), "/o"),
         true},
        {"a journal of the earlier version naming another target's temporary file",
         qv_test::Version2Journal(qv_test::Version2File("b.txt", ".a.txt.qvtmp", "")), false},
        {"a journal of the earlier version naming a file outside its folder",
         qv_test::Version2Journal(qv_test::Version2File("b.txt", ".b.txt.qvtmp", "../.b.txt.qvold")), false},
        {"a journal of the earlier version naming a file twice",
         qv_test::Version2Journal(qv_test::Version2File("b", ".b.qvtmp", "") + qv_test::Version2File(".b.qvtmp", "..b.qvtmp.qvtmp", "")),
         false},
        {"a journal of a version that is neither", "qvhost journal 4\n" + WithoutOpening(kMain), false},
    };
    // The folder of a folder's main journal is an absolute path in normal form.
    for (const char* impossible : {"", "o", "o/p", "/o/../p", "/o/./p", "/o//p", "/o/p/", "/.."})
        cases.push_back({"a folder's journal naming an impossible main folder", part(impossible), false});
    return cases;
}

TEST(JournalFormat, RecordsAndNamesAreReadOnlyInTheirPlaceAndForm) {
    for (const Case& c : Cases()) {
        const std::string read = ReadWhole(c.bytes);
        EXPECT_EQ(c.read, read.rfind("refused: ", 0) != 0) << c.what << ": " << read;
    }
    // A journal of the earlier version gives the names beside the targets; one of another
    // version says what finishes it.
    journal::Journal read;
    std::string why;
    const std::vector<Case> cases = Cases();
    const auto earlier = std::find_if(cases.begin(), cases.end(),
                                      [](const Case& c) { return std::string(c.what) == "a journal of the earlier version"; });
    ASSERT_TRUE(earlier != cases.end() && journal::Parse(earlier->bytes, read, why)) << why;
    EXPECT_EQ(read.version, 2);
    ASSERT_EQ(read.files.size(), 2u);
    EXPECT_EQ(read.files[0].besideTemporary + " " + read.files[0].besideBackup, ".b.txt.qvtmp .b.txt.qvold");
    EXPECT_EQ(read.files[1].besideTemporary + " " + read.files[1].besideBackup, ".n.qvtmp.1 ");
    EXPECT_FALSE(read.files[1].replaces);
    // A journal of another version is refused naming that version, also one cut short in its
    // opening line; an opening that names no version is no journal.
    const struct {
        const char* bytes;
        const char* why;
    } others[] = {
        {"qvhost journal 4\n", "it is a journal of version 4 of qvhost, which a command of that version on this folder finishes"},
        {"qvhost journal 1\nm ", "it is a journal of version 1 of qvhost, which a command of that version on this folder finishes"},
        {"qvhost journal 35", "it is a journal of version 35 of qvhost, which a command of that version on this folder finishes"},
        {"qvhost journal 21\n", "it is a journal of version 21 of qvhost, which a command of that version on this folder finishes"},
        {"qvhost journal 0\n", "it names journal version 0, which no version of qvhost writes"},
        {"qvhost journal 03\n", "it names journal version 03, which no version of qvhost writes"},
        {"qvhost journal x\n", "it does not begin as a journal of qvhost"},
        {"qvhost journal 4 \n", "it does not begin as a journal of qvhost"},
        {"qvhost journal 1234567890\n", "it does not begin as a journal of qvhost"},
    };
    for (const auto& other : others) {
        EXPECT_EQ(ReadWhole(other.bytes), std::string("refused: ") + other.why) << other.bytes;
        for (size_t size = 1; size < std::strlen(other.bytes); ++size)
            EXPECT_EQ(ReadInPieces(other.bytes, {size}), std::string("refused: ") + other.why) << other.bytes << " " << size;
    }
    // A record of a file new to the folder names no earlier contents in the private folder.
    ASSERT_TRUE(journal::Parse(kMain + journal::FileRecord("n", 0, false) + journal::FileRecord("r", 1, true), read, why)) << why;
    EXPECT_TRUE(read.Names("0.tmp"));
    EXPECT_FALSE(read.Names("0.old"));
    EXPECT_TRUE(read.Names("1.old"));
    EXPECT_FALSE(read.Names("2.tmp"));
}

// The reader takes the bytes as they come from the file: cut anywhere, in pieces of any size,
// it reads what it reads in one piece, and says the same reason when it refuses.
TEST(JournalFormat, PiecesReadAsTheWhole) {
    for (const Case& c : Cases()) {
        const std::string whole = ReadWhole(c.bytes);
        for (size_t size = 1; size <= c.bytes.size(); ++size)
            ASSERT_EQ(whole, ReadInPieces(c.bytes, {size})) << c.what << ": pieces of " << size;
        for (size_t split = 0; split <= c.bytes.size(); ++split)
            ASSERT_EQ(whole, ReadInPieces(c.bytes, {split, c.bytes.size()})) << c.what << ": split at " << split;
    }
    // Across the pieces of the size a journal is read in, around their bounds.
    const std::string large = qv_test::JournalOfSize(3 * 65536 + 12345);
    ASSERT_FALSE(large.empty());
    const std::string whole = ReadWhole(large);
    for (const size_t size : {size_t(65535), size_t(65536), size_t(65537), size_t(4093)})
        EXPECT_EQ(whole, ReadInPieces(large, {size})) << size;
}

// A journal of exactly the size a command writes at most reads, in the pieces the owner reads it
// in; one byte more of valid records is refused.
TEST(JournalFormat, AJournalReadsUpToTheSizeACommandWrites) {
    const std::string bytes = qv_test::JournalOfSize(journal::kMaxBytes);
    ASSERT_EQ(journal::kMaxBytes, bytes.size());
    const std::string one = journal::FolderRecord("/o");
    const std::string_view exact(bytes);
    journal::Parser parser;
    bool fed = true;
    for (size_t at = 0; at < exact.size() && fed; at += 65536) fed = parser.Feed(exact.substr(at, 65536));
    ASSERT_TRUE(fed) << parser.Why();
    // The same bytes and one record more: the first byte beyond the bound refuses it.
    journal::Parser over = parser;
    journal::Journal read;
    ASSERT_TRUE(parser.Finish(read)) << parser.Why();
    EXPECT_FALSE(read.torn);
    EXPECT_GT(read.folders.size(), 30000u);
    EXPECT_FALSE(over.Feed(std::string_view(one).substr(0, 1)));
    EXPECT_NE(std::string::npos, over.Why().find("larger than")) << over.Why();
}

} // namespace
