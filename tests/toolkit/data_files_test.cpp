#include "toolkit/read_write_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class DataFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/data_files_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::permissions(m_dir, fs::perms::owner_all, ignored);
        fs::remove_all(m_dir, ignored);
    }

    std::string Path(const char* name) const { return (m_dir / name).string(); }

    std::string Put(const char* name, const std::string& bytes) const
    {
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    static std::string Slurp(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_dir))
            names.push_back(e.path().filename().string());
        return names;
    }

    // Writes two channels with the given samples.
    static BOOL WriteTwo(const std::string& path, const std::vector<double>& x, const std::vector<double>& y,
                         CReadAndWriteFiles* rw)
    {
        rw->SetNrChannels(2);
        rw->SetNrItems(static_cast<int>(x.size()));
        rw->InsertChannel(0, x.data(), "x", "s");
        rw->InsertChannel(1, y.data(), "y", "V");
        return rw->WriteFile(path.c_str(), "", 0, nullptr, nullptr, 0, 0);
    }

    // The whole read: description, then samples.
    static BOOL ReadBoth(CReadAndWriteFiles& rw, const std::string& path)
    {
        return rw.ReadInfoFile(path.c_str(), "", -1, nullptr, nullptr, 1, 0, 2) && rw.ReadDataFile();
    }

    fs::path m_dir;
};

// The format exactly as docs/data-files.md describes it.
const char kGolden[] =
    "MDX 1\n"
    "channels 2\n"
    "items 3\n"
    "channel \"i \\\"in\\\" \\\\ \xB5\" \"A\"\n"
    "channel \"line\\nbreak\\x01\" \"\"\n"
    "data\n"
    "0 -0\n"
    "0.1 1e-05\n"
    "2500 1.7976931348623157e+308\n"
    "end\n";

TEST_F(DataFiles, WritesTheDocumentedMdxBytes)
{
    const double x[] = {0.0, 0.1, 2500.0};
    const double y[] = {-0.0, 1e-5, 1.7976931348623157e308};
    CReadAndWriteFiles rw;
    ASSERT_TRUE(rw.SetNrChannels(2));
    ASSERT_TRUE(rw.SetNrItems(3));
    ASSERT_TRUE(rw.InsertChannel(0, x, "i \"in\" \\ \xB5", "A"));
    ASSERT_TRUE(rw.InsertChannel(1, y, "line\nbreak\x01", ""));
    ASSERT_TRUE(rw.WriteFile(Path("g.mdx").c_str(), "", 0, nullptr, nullptr, 0, 0)) << rw.GetLastError();
    EXPECT_EQ(Slurp(Path("g.mdx")), kGolden);
    EXPECT_EQ(Entries(), std::vector<std::string>{"g.mdx"});

    CReadAndWriteFiles in;
    ASSERT_TRUE(in.ReadInfoFile(Path("g.mdx").c_str(), "", -1, nullptr, nullptr, 1, 0, 2)) << in.GetLastError();
    EXPECT_EQ(in.GetSaveVersion(), 0);
    ASSERT_EQ(in.GetNrChannels(), 2);
    EXPECT_EQ(in.GetNrItems(), 3);
    EXPECT_EQ(in.GetChannel(0)->GetChannelName(), "i \"in\" \\ \xB5");
    EXPECT_EQ(in.GetChannel(0)->GetUnitName(), "A");
    EXPECT_EQ(in.GetChannel(1)->GetChannelName(), "line\nbreak\x01");
    EXPECT_EQ(in.GetChannel(2), nullptr);
    EXPECT_EQ(in.GetChannel(-1), nullptr);
    EXPECT_EQ(in.GetChannel(1)->GetValues().GetSize(), 0);  // samples come with ReadDataFile
    ASSERT_TRUE(in.ReadDataFile()) << in.GetLastError();
    EXPECT_TRUE(std::signbit(in.GetChannel(1)->GetValues()[0]));
    EXPECT_EQ(in.GetChannel(1)->GetValues()[2], 1.7976931348623157e308);
}

TEST_F(DataFiles, MillionItemsInTwoChannelsReadBackBitwiseEqual)
{
    constexpr int n = 1000000;
    std::mt19937_64 random(20261207);
    std::vector<double> x(n);
    std::vector<double> y(n);
    for (int i = 0; i < n; ++i) {
        x[i] = i * 1e-6;
        double v = 0.0;
        do {
            const uint64_t bits = random();
            std::memcpy(&v, &bits, sizeof v);
        } while (!std::isfinite(v));
        y[i] = v;  // any finite bit pattern: subnormals, extremes, negative zero
    }
    y[0] = -0.0;
    y[1] = 4.9406564584124654e-324;
    y[2] = -1.7976931348623157e308;
    CReadAndWriteFiles rw;
    ASSERT_TRUE(WriteTwo(Path("big.mdx"), x, y, &rw)) << rw.GetLastError();

    CReadAndWriteFiles in;
    ASSERT_TRUE(in.ReadInfoFile(Path("big.mdx").c_str(), "", -1, nullptr, nullptr, 1, 0, 2)) << in.GetLastError();
    ASSERT_EQ(in.GetNrItems(), n);
    std::vector<double> bx(n, 7.0);
    std::vector<double> by(n, 7.0);
    in.GetChannel(0)->SetSampleBuffer(bx.data(), n);
    in.GetChannel(1)->SetSampleBuffer(by.data(), n);
    ASSERT_TRUE(in.ReadDataFile()) << in.GetLastError();
    EXPECT_EQ(std::memcmp(bx.data(), x.data(), n * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(by.data(), y.data(), n * sizeof(double)), 0);
}

TEST_F(DataFiles, FailedWriteLeavesTheEarlierFileIntact)
{
    const std::vector<double> small{1, 2, 3};
    CReadAndWriteFiles rw;
    ASSERT_TRUE(WriteTwo(Path("keep.mdx"), small, small, &rw));
    const std::string before = Slurp(Path("keep.mdx"));

    // A file-size limit makes the writer fail half-way through the larger file.
    std::vector<double> big(200000);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = 1.0 / static_cast<double>(i + 3);
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit limited = saved;
    limited.rlim_cur = 100000;
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const BOOL written = WriteTwo(Path("keep.mdx"), big, big, &rw);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(written);
    EXPECT_EQ(rw.GetLastErrorNumber(), CReadAndWriteFiles::errWrite);
    EXPECT_NE(rw.GetLastError().Find("keep.mdx"), -1) << rw.GetLastError();
    EXPECT_EQ(Slurp(Path("keep.mdx")), before);
    EXPECT_EQ(Entries(), std::vector<std::string>{"keep.mdx"});  // no temporary file left
}

TEST_F(DataFiles, RefusedWritesReportAndChangeNothing)
{
    const std::vector<double> v{1, 2};
    CReadAndWriteFiles rw;
    EXPECT_FALSE(WriteTwo(Path("missing/a.mdx"), v, v, &rw));
    EXPECT_EQ(rw.GetLastErrorNumber(), CReadAndWriteFiles::errWrite);
    EXPECT_FALSE(rw.GetLastError().IsEmpty());

    EXPECT_FALSE(WriteTwo(m_dir.string(), v, v, &rw));  // a folder
    EXPECT_EQ(rw.GetLastErrorNumber(), CReadAndWriteFiles::errWrite);

    // A pipe (or a device) is never replaced by the finished temporary file.
    ASSERT_EQ(::mkfifo(Path("pipe.mdx").c_str(), 0644), 0);
    EXPECT_FALSE(WriteTwo(Path("pipe.mdx"), v, v, &rw));
    EXPECT_EQ(rw.GetLastErrorNumber(), CReadAndWriteFiles::errWrite);
    struct stat st {};
    ASSERT_EQ(::stat(Path("pipe.mdx").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ::unlink(Path("pipe.mdx").c_str());

    const std::vector<double> bad{1, NAN};
    EXPECT_FALSE(WriteTwo(Path("nan.mdx"), v, bad, &rw));
    EXPECT_EQ(rw.GetLastErrorNumber(), CReadAndWriteFiles::errArgument);

    // Out of order: a channel without samples, a format that cannot be written.
    ASSERT_TRUE(rw.SetNrChannels(2));
    ASSERT_TRUE(rw.SetNrItems(2));
    ASSERT_TRUE(rw.InsertChannel(0, v.data(), "a", ""));
    EXPECT_FALSE(rw.InsertChannel(2, v.data(), "c", ""));
    EXPECT_FALSE(rw.InsertChannel(1, nullptr, "b", ""));
    EXPECT_FALSE(rw.WriteFile(Path("half.mdx").c_str()));
    EXPECT_EQ(rw.GetLastErrorNumber(), CReadAndWriteFiles::errArgument);
    ASSERT_TRUE(rw.InsertChannel(1, v.data(), "b", ""));
    EXPECT_FALSE(rw.WriteFile(Path("t.txt").c_str(), "", 1, nullptr, nullptr, 0, 0));
    EXPECT_FALSE(rw.SetNrChannels(0));
    EXPECT_FALSE(rw.SetNrChannels(CReadAndWriteFiles::kMaxChannels + 1));
    EXPECT_FALSE(rw.SetNrItems(-1));
    EXPECT_TRUE(Entries().empty());

    if (::geteuid() != 0) {  // root writes anything
        ASSERT_TRUE(rw.WriteFile(Path("ro.mdx").c_str()));
        ::chmod(Path("ro.mdx").c_str(), 0444);
        EXPECT_FALSE(rw.WriteFile(Path("ro.mdx").c_str()));
        EXPECT_NE(rw.GetLastError().Find("write-protected"), -1);
    }
}

TEST_F(DataFiles, OverwriteKeepsTheFilePermissions)
{
    const std::vector<double> v{1};
    CReadAndWriteFiles rw;
    ASSERT_TRUE(WriteTwo(Path("p.mdx"), v, v, &rw));
    ASSERT_EQ(::chmod(Path("p.mdx").c_str(), 0640), 0);
    ASSERT_TRUE(WriteTwo(Path("p.mdx"), v, v, &rw));
    struct stat st {};
    ASSERT_EQ(::stat(Path("p.mdx").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(DataFiles, EveryCutOfAnMdxFileIsRefused)
{
    const std::string golden = kGolden;
    // Only the final line ending may go; every shorter cut loses data or structure.
    for (std::size_t length = 0; length + 1 < golden.size(); ++length) {
        const std::string path = Put("cut.mdx", golden.substr(0, length));
        CReadAndWriteFiles rw;
        EXPECT_FALSE(ReadBoth(rw, path)) << length;
        EXPECT_NE(rw.GetLastErrorNumber(), 0) << length;
        EXPECT_NE(rw.GetLastErrorNumber(), CReadAndWriteFiles::errCancelled) << length;
        EXPECT_FALSE(rw.GetLastError().IsEmpty()) << length;
    }
    CReadAndWriteFiles rw;
    EXPECT_TRUE(ReadBoth(rw, Put("cut.mdx", golden.substr(0, golden.size() - 1)))) << rw.GetLastError();
    EXPECT_FALSE(ReadBoth(rw, Put("cut.mdx", golden.substr(0, golden.find("2500")))));
    EXPECT_EQ(rw.GetLastErrorNumber(), CReadAndWriteFiles::errTruncated);
    EXPECT_FALSE(ReadBoth(rw, Put("cut.mdx", golden.substr(0, golden.find("2500") + 6))));
    EXPECT_EQ(rw.GetLastErrorNumber(), CReadAndWriteFiles::errTruncated);
}

std::string WideHeader(int channels, long long items)
{
    std::string s = "MDX 1\nchannels " + std::to_string(channels) + "\nitems " + std::to_string(items) + "\n";
    for (int c = 0; c < channels; ++c)
        s += "channel \"c\" \"\"\n";
    return s + "data\n";
}

std::string Row(int channels)
{
    std::string s;
    for (int c = 0; c < channels; ++c)
        s += c + 1 < channels ? "1 " : "1\n";
    return s;
}

TEST_F(DataFiles, GarbledAndOversizedMdxFilesGiveAnErrorNumber)
{
    const std::string head = "MDX 1\nchannels 1\nitems 2\nchannel \"a\" \"\"\ndata\n";
    struct Case {
        std::string bytes;
        int error;
    };
    const Case cases[] = {
        {"MDX 2\n", CReadAndWriteFiles::errFormat},
        {"mdx 1\nchannels 1\n", CReadAndWriteFiles::errFormat},
        {"MDX 1\nchannels 0\nitems 0\ndata\nend\n", CReadAndWriteFiles::errFormat},
        {"MDX 1\nchannels -1\n", CReadAndWriteFiles::errFormat},
        {"MDX 1\nchannels 100000\nitems 1\n", CReadAndWriteFiles::errLimit},
        {"MDX 1\nchannels 99999999999999999999999\n", CReadAndWriteFiles::errFormat},
        {"MDX 1\nchannels 1\nitems 99999999999\n", CReadAndWriteFiles::errLimit},
        // A count far beyond the data must not be trusted with memory.
        // A count beyond what the file can hold is refused before anybody sizes memory from it.
        {WideHeader(256, 2147483647) + Row(256) + "end\n", CReadAndWriteFiles::errTruncated},
        {"MDX 1\nchannels 1\nitems 2000000000\nchannel \"a\" \"\"\ndata\n1\nend\n", CReadAndWriteFiles::errTruncated},
        {head + "1\n2\n3\nend\n", CReadAndWriteFiles::errData},
        {head + "1\nend\n", CReadAndWriteFiles::errData},
        {head + "1\n2 3\nend\n", CReadAndWriteFiles::errData},
        {head + "1\n\nend\n", CReadAndWriteFiles::errData},
        {head + "1\n1.5x\nend\n", CReadAndWriteFiles::errData},
        {head + "1\nnan\nend\n", CReadAndWriteFiles::errData},
        {head + "1\ninf\nend\n", CReadAndWriteFiles::errData},
        {head + "1\n1e400\nend\n", CReadAndWriteFiles::errData},
        {head + "1\n+2\nend\n", CReadAndWriteFiles::errData},
        {head + "1\n0x10\nend\n", CReadAndWriteFiles::errData},
        {head + "1\n2\nend\nmore\n", CReadAndWriteFiles::errFormat},
        {"MDX 1\nchannels 1\nitems 0\nchannel \"a\\q\" \"\"\ndata\nend\n", CReadAndWriteFiles::errFormat},
        {"MDX 1\nchannels 1\nitems 0\nchannel \"a\" \"\" x\ndata\nend\n", CReadAndWriteFiles::errFormat},
        {"MDX 1\nchannels 1\nitems 0\nchannel \"a\\x4\" \"\"\ndata\nend\n", CReadAndWriteFiles::errFormat},
        {"MDX 1\nchannels 1\nitems 0\nchannel \"a\ndata\nend\n", CReadAndWriteFiles::errFormat},
        {"not an mdx file\n", CReadAndWriteFiles::errFormat},  // the extension insists
    };
    for (const Case& c : cases) {
        CReadAndWriteFiles rw;
        EXPECT_FALSE(ReadBoth(rw, Put("bad.mdx", c.bytes))) << c.bytes;
        EXPECT_EQ(rw.GetLastErrorNumber(), c.error) << c.bytes << "\n" << rw.GetLastError();
        EXPECT_NE(rw.GetLastError().Find("bad.mdx"), -1) << rw.GetLastError();
        if (rw.GetNrChannels() > 0) {
            EXPECT_EQ(rw.GetChannel(0)->GetValues().GetSize(), 0);  // no half-read samples
        }
    }
    CReadAndWriteFiles rw;
    EXPECT_TRUE(ReadBoth(rw, Put("ok.mdx", head + "1\r\n\t-2.5e3  \nend"))) << rw.GetLastError();
    EXPECT_EQ(rw.GetChannel(0)->GetValues()[1], -2500.0);
}

TEST_F(DataFiles, FailedReadsKeepThePreviousChannels)
{
    CReadAndWriteFiles rw;
    ASSERT_TRUE(rw.ReadInfoFile(Put("a.mdx", kGolden).c_str()));
    EXPECT_FALSE(rw.ReadInfoFile(Path("nowhere.mdx").c_str()));
    EXPECT_EQ(rw.GetLastErrorNumber(), CReadAndWriteFiles::errOpen);
    EXPECT_FALSE(rw.ReadInfoFile(m_dir.string().c_str()));
    EXPECT_EQ(rw.GetLastErrorNumber(), CReadAndWriteFiles::errOpen);
    EXPECT_EQ(rw.GetNrChannels(), 2);
    EXPECT_EQ(rw.GetNrItems(), 3);
    EXPECT_FALSE(rw.ReadDataFile());  // the failed read closed the file
    EXPECT_EQ(rw.GetLastErrorNumber(), CReadAndWriteFiles::errArgument);
}

TEST_F(DataFiles, SampleBuffersAreFilledOnlyWhenLargeEnough)
{
    CReadAndWriteFiles rw;
    EXPECT_FALSE(rw.ReadDataFile());
    ASSERT_TRUE(rw.ReadInfoFile(Put("a.mdx", kGolden).c_str()));
    double small[2] = {9, 9};
    double x[3] = {9, 9, 9};
    rw.GetChannel(0)->SetSampleBuffer(x, 3);
    rw.GetChannel(1)->SetSampleBuffer(small, 2);
    EXPECT_FALSE(rw.ReadDataFile());
    EXPECT_EQ(rw.GetLastErrorNumber(), CReadAndWriteFiles::errArgument);
    EXPECT_EQ(x[0], 9.0);
    EXPECT_EQ(small[1], 9.0);
    rw.GetChannel(1)->SetSampleBuffer(nullptr, 0);  // back to the channel's own array
    ASSERT_TRUE(rw.ReadDataFile());
    EXPECT_EQ(x[1], 0.1);
    EXPECT_EQ(rw.GetChannel(1)->GetValues()[1], 1e-5);
    EXPECT_EQ(rw.GetChannel(0)->GetValues().GetSize(), 0);  // channel 0 went to its buffer
}

TEST_F(DataFiles, FileChangedBetweenDescriptionAndSamplesIsRefused)
{
    const std::string path = Put("c.mdx", kGolden);
    CReadAndWriteFiles rw;
    ASSERT_TRUE(rw.ReadInfoFile(path.c_str()));
    double x[3] = {};
    rw.GetChannel(0)->SetSampleBuffer(x, 3);
    // The same header with one item more: the buffers of three must not be overrun.
    std::string grown = kGolden;
    grown.replace(grown.find("items 3"), 7, "items 4");
    grown.insert(grown.find("end\n"), "7 8\n");
    Put("c.mdx", grown);
    EXPECT_FALSE(rw.ReadDataFile());
    EXPECT_EQ(rw.GetLastErrorNumber(), CReadAndWriteFiles::errData);
    ::unlink(path.c_str());
    EXPECT_FALSE(rw.ReadDataFile());
    EXPECT_EQ(rw.GetLastErrorNumber(), CReadAndWriteFiles::errOpen);
}

TEST_F(DataFiles, TextColumnsWithHeading)
{
    CReadAndWriteFiles rw;
    ASSERT_TRUE(rw.ReadInfoFile(Put("ui.csv", "U[V];I[A]\r\n1;2\r\n3.5 ; -4e-3\r\n\r\n").c_str(), "", -1, nullptr,
                                nullptr, 1, 0, 2))
        << rw.GetLastError();
    EXPECT_EQ(rw.GetSaveVersion(), -1);
    ASSERT_EQ(rw.GetNrChannels(), 2);
    ASSERT_EQ(rw.GetNrItems(), 2);
    EXPECT_EQ(rw.GetChannel(0)->GetChannelName(), "U");
    EXPECT_EQ(rw.GetChannel(0)->GetUnitName(), "V");
    EXPECT_EQ(rw.GetChannel(1)->GetChannelName(), "I");
    EXPECT_EQ(rw.GetChannel(1)->GetUnitName(), "A");
    double i[2] = {};
    rw.GetChannel(1)->SetSampleBuffer(i, 2);
    ASSERT_TRUE(rw.ReadDataFile());
    EXPECT_EQ(i[0], 2.0);
    EXPECT_EQ(i[1], -4e-3);

    // Names with blanks when a tab separates the headings; a heading without a unit.
    ASSERT_TRUE(rw.ReadInfoFile(Put("t.txt", "Initial Value [V]\tX\n+1.5E+00\t2\n").c_str())) << rw.GetLastError();
    EXPECT_EQ(rw.GetChannel(0)->GetChannelName(), "Initial Value");
    EXPECT_EQ(rw.GetChannel(0)->GetUnitName(), "V");
    EXPECT_EQ(rw.GetChannel(1)->GetChannelName(), "X");
    EXPECT_EQ(rw.GetChannel(1)->GetUnitName(), "");
    EXPECT_EQ(rw.GetChannel(0)->GetValues()[0], 1.5);

    // A heading only: channels without items.
    ASSERT_TRUE(rw.ReadInfoFile(Put("h.txt", "a b c\n").c_str()));
    EXPECT_EQ(rw.GetNrChannels(), 3);
    EXPECT_EQ(rw.GetNrItems(), 0);
}

TEST_F(DataFiles, TextColumnsWithoutHeading)
{
    CReadAndWriteFiles rw;
    ASSERT_TRUE(rw.ReadInfoFile(Put("n.txt", "1 2 3\n4\t5,6\n  7,8;9  \n").c_str())) << rw.GetLastError();
    ASSERT_EQ(rw.GetNrChannels(), 3);
    ASSERT_EQ(rw.GetNrItems(), 3);
    EXPECT_EQ(rw.GetChannel(2)->GetValues()[1], 6.0);
    EXPECT_EQ(rw.GetChannel(0)->GetValues()[2], 7.0);
    EXPECT_EQ(rw.GetChannel(0)->GetChannelName(), "");
    // Reading as text by format index works for any content that is columns of numbers.
    ASSERT_TRUE(rw.ReadInfoFile(Put("n.dat", "1\n2\n").c_str(), "", 1));
    EXPECT_EQ(rw.GetNrItems(), 2);
}

TEST_F(DataFiles, BrokenTextFilesAreRefused)
{
    struct Case {
        const char* bytes;
        int error;
    };
    const Case cases[] = {
        {"", CReadAndWriteFiles::errFormat},
        {"\n \n", CReadAndWriteFiles::errFormat},
        {"1 2\n3\n", CReadAndWriteFiles::errData},
        {"1 2\n3 4 5\n", CReadAndWriteFiles::errData},
        {"1;;2\n", CReadAndWriteFiles::errFormat},  // not a number first: read as a heading with an empty name
        {"1;2\n3;;4\n", CReadAndWriteFiles::errData},
        {"1;2\n3;4;\n", CReadAndWriteFiles::errData},
        {"a b\n1 x\n", CReadAndWriteFiles::errData},
        {"a b\n1 nan\n", CReadAndWriteFiles::errData},
        {"a b\n1 0x10\n", CReadAndWriteFiles::errData},
        {"a b\n1 1e999\n", CReadAndWriteFiles::errData},
        {"a[V b\n1 2\n", CReadAndWriteFiles::errFormat},
        {"a[V]x b\n1 2\n", CReadAndWriteFiles::errFormat},
        {"a] b\n1 2\n", CReadAndWriteFiles::errFormat},
    };
    for (const Case& c : cases) {
        CReadAndWriteFiles rw;
        EXPECT_FALSE(rw.ReadInfoFile(Put("bad.txt", c.bytes).c_str())) << c.bytes;
        EXPECT_EQ(rw.GetLastErrorNumber(), c.error) << c.bytes << "\n" << rw.GetLastError();
        EXPECT_FALSE(rw.GetLastError().IsEmpty());
    }
    std::string wide;
    for (int i = 0; i <= CReadAndWriteFiles::kMaxChannels; ++i)
        wide += "1 ";
    CReadAndWriteFiles rw;
    EXPECT_FALSE(rw.ReadInfoFile(Put("wide.txt", wide + "\n").c_str()));
    EXPECT_EQ(rw.GetLastErrorNumber(), CReadAndWriteFiles::errLimit);
    EXPECT_FALSE(rw.ReadInfoFile(Put("x.txt", "1\n").c_str(), "", 7));
    EXPECT_EQ(rw.GetLastErrorNumber(), CReadAndWriteFiles::errArgument);
}

const char kTwoChannelHead[] = "MDX 1\nchannels 2\nitems 2\nchannel \"a\" \"\"\nchannel \"b\" \"\"\ndata\n";

// Rows as other programs may have written them: any blanks and tabs between and around the
// values, "\r\n" line ends, and a last "end" without its line end.
TEST_F(DataFiles, RowsInEveryAcceptedLayoutReadTheSame)
{
    const char* bodies[] = {
        "1 -2\n3.5 4e-3\nend\n",
        "1\t-2\r\n3.5\t\t4e-3\r\nend\r\n",
        "  1   -2  \n\t3.5 4e-3\t\nend",
        "1 -2 \r\n3.5 4E-3\r\nend\r",
        "1.0 -2.000\n35e-1 0.004\nend\n",
    };
    for (const char* body : bodies) {
        CReadAndWriteFiles rw;
        ASSERT_TRUE(ReadBoth(rw, Put("layout.mdx", kTwoChannelHead + std::string(body)))) << body << rw.GetLastError();
        EXPECT_EQ(rw.GetChannel(0)->GetValues()[0], 1.0) << body;
        EXPECT_EQ(rw.GetChannel(1)->GetValues()[0], -2.0) << body;
        EXPECT_EQ(rw.GetChannel(0)->GetValues()[1], 3.5) << body;
        EXPECT_EQ(rw.GetChannel(1)->GetValues()[1], 4e-3) << body;
    }
}

// Every refusal of a row names the line it was found in and what is wrong with it.
TEST_F(DataFiles, BadRowsAreReportedWithTheirLine)
{
    struct Case {
        const char* body;
        int error;
        const char* where;  // expected in the message
        const char* what;   // expected in the message
    };
    const Case cases[] = {
        {"1 2\n3\nend\n", CReadAndWriteFiles::errData, "line 8:", "the row holds 1 values instead of 2"},
        {"1 2\n3 \r\nend\n", CReadAndWriteFiles::errData, "line 8:", "the row holds 1 values instead of 2"},
        {"1 2\n\nend\n", CReadAndWriteFiles::errData, "line 8:", "the row holds 0 values instead of 2"},
        {"1 2\n3 4 5\nend\n", CReadAndWriteFiles::errData, "line 8:", "the row holds more than 2 values"},
        {"1 2\n3 4\r\r\nend\n", CReadAndWriteFiles::errData, "line 8:", "the value \"4\r\" is not a finite number"},
        {"1 2\n3 4 \r\r\nend\n", CReadAndWriteFiles::errData, "line 8:", "the row holds more than 2 values"},
        {"1 x\n3 4\nend\n", CReadAndWriteFiles::errData, "line 7:", "the value \"x\" is not a finite number"},
        {"1 2\n3 4x\r\nend\n", CReadAndWriteFiles::errData, "line 8:", "the value \"4x\" is not a finite number"},
        {"1 2\n3\r4\nend\n", CReadAndWriteFiles::errData, "line 8:", "the value \"3\r4\" is not a finite number"},
        {"1 2\n3 nan\nend\n", CReadAndWriteFiles::errData, "line 8:", "the value \"nan\" is not a finite number"},
        {"1 2\n-1e999 4\nend\n", CReadAndWriteFiles::errData, "line 8:", "the value \"-1e999\" is not a finite number"},
        {"1 2\nend \n", CReadAndWriteFiles::errData, "line 8:", "the value \"end\" is not a finite number"},
        {"1 2\n3 4\n5 6\nend\n", CReadAndWriteFiles::errData, "line 9:", "more items than the header's 2"},
        // (The header already refuses a file too short for its count: at least two bytes an item.)
        {"1    2\nend\n", CReadAndWriteFiles::errData, "line 8:", "the file holds 1 items, its header says 2"},
        {"1     2\nend", CReadAndWriteFiles::errData, "line 8:", "the file holds 1 items, its header says 2"},
        {"1 2\n3 4\nend\nx\n", CReadAndWriteFiles::errFormat, "line 9:", "text after \"end\""},
        {"1 2\n3 45", CReadAndWriteFiles::errTruncated, "after line 8", "it is incomplete"},
        {"1 2\n3", CReadAndWriteFiles::errTruncated, "after line 6", "it is incomplete"},
        {"1 2\n3 4\n", CReadAndWriteFiles::errTruncated, "after line 8", "it is incomplete"},
    };
    for (const Case& c : cases) {
        CReadAndWriteFiles rw;
        EXPECT_FALSE(ReadBoth(rw, Put("rows.mdx", kTwoChannelHead + std::string(c.body)))) << c.body;
        EXPECT_EQ(rw.GetLastErrorNumber(), c.error) << c.body;
        const std::string message(rw.GetLastError().str());
        EXPECT_NE(message.find(c.where), std::string::npos) << c.body << "\n" << message;
        EXPECT_NE(message.find(c.what), std::string::npos) << c.body << "\n" << message;
    }
}

// Rows are parsed in the read buffer: rows that straddle its end, a bad value far into the
// file and a line longer than the buffer must come out as in a small file.
TEST_F(DataFiles, RowsAcrossTheReadBufferKeepTheirValuesAndLineNumbers)
{
    constexpr int n = 200000;  // a few megabytes: many refills of the buffer
    std::string body;
    for (int i = 0; i < n; ++i)
        body += std::to_string(i) + (i % 3 == 0 ? "\t-" : " ") + std::to_string(i) + ".5" + (i % 2 ? "\r\n" : "\n");
    std::string head = "MDX 1\nchannels 2\nitems " + std::to_string(n) + "\nchannel \"a\" \"\"\nchannel \"b\" \"\"\ndata\n";
    CReadAndWriteFiles rw;
    ASSERT_TRUE(ReadBoth(rw, Put("long.mdx", head + body + "end\n"))) << rw.GetLastError();
    for (int i : {0, 1, 12345, 99999, n - 1}) {
        EXPECT_EQ(rw.GetChannel(0)->GetValues()[i], i);
        EXPECT_EQ(rw.GetChannel(1)->GetValues()[i], (i % 3 == 0 ? -1 : 1) * (i + 0.5));
    }

    // Row 150001 (line 150008) spoilt.
    std::string spoilt = body;
    const std::string row = "150001 ";
    const std::size_t at = spoilt.find("\n" + row);
    ASSERT_NE(at, std::string::npos);
    spoilt.insert(at + 1 + row.size(), "z");
    ASSERT_FALSE(ReadBoth(rw, Put("long.mdx", head + spoilt + "end\n")));
    EXPECT_EQ(rw.GetLastErrorNumber(), CReadAndWriteFiles::errData);
    EXPECT_NE(rw.GetLastError().Find("line 150008:"), -1) << rw.GetLastError();

    // One row longer than the buffer.
    const std::string wide = "MDX 1\nchannels 2\nitems 1\nchannel \"a\" \"\"\nchannel \"b\" \"\"\ndata\n7" +
                             std::string(3 << 20, ' ') + "8\nend\n";
    ASSERT_TRUE(ReadBoth(rw, Put("wide.mdx", wide))) << rw.GetLastError();
    EXPECT_EQ(rw.GetChannel(1)->GetValues()[0], 8.0);
}

// The example of docs/data-files.md: a file written for an element carries its mark.
const char kMarkedGolden[] =
    "MDX 1\n"
    "written \"Rectifier\" \"LT1\" CHECKSUM\n"
    "channels 2\n"
    "items 3\n"
    "channel \"i [A]\" \"\"\n"
    "channel \"v\" \"V\"\n"
    "data\n"
    "0 0\n"
    "0.5 1.25\n"
    "1 -3e-05\n"
    "end\n";

// Writes the documented example for `writer` (none: no mark) to `path`.
std::string WriteExample(const std::string& path, const CReadAndWriteFiles::Writer& writer)
{
    const double x[] = {0.0, 0.5, 1.0};
    const double y[] = {0.0, 1.25, -3e-05};
    CReadAndWriteFiles rw;
    rw.SetWriter(writer);
    rw.SetNrChannels(2);
    rw.SetNrItems(3);
    rw.InsertChannel(0, x, "i [A]", "");
    rw.InsertChannel(1, y, "v", "V");
    EXPECT_TRUE(rw.WriteFile(path.c_str())) << rw.GetLastError();
    return path;
}

TEST_F(DataFiles, AFileWrittenForAnElementCarriesItsMarkAndReadsAsWritten)
{
    const std::string path = WriteExample(Path("m.mdx"), {"Rectifier", "LT1"});
    std::string golden = kMarkedGolden;
    golden.replace(golden.find("CHECKSUM"), 8, "e2b262388f2d8922");
    EXPECT_EQ(Slurp(path), golden);
    CReadAndWriteFiles in;
    ASSERT_TRUE(in.ReadInfoFile(path.c_str())) << in.GetLastError();
    EXPECT_TRUE(in.HasWriterMark());
    EXPECT_EQ(in.GetMarkDocument(), "Rectifier");
    EXPECT_EQ(in.GetMarkElement(), "LT1");
    EXPECT_TRUE(in.IsMarkedBy({"Rectifier", "LT1"}));
    EXPECT_FALSE(in.IsMarkedBy({"Rectifier", "LT2"}));
    EXPECT_FALSE(in.IsMarkedBy({"Other", "LT1"}));
    ASSERT_TRUE(in.ReadDataFile()) << in.GetLastError();
    EXPECT_TRUE(in.HoldsValuesAsWritten());
    EXPECT_EQ(in.GetChannel(1)->GetValues()[2], -3e-05);

    // Without a writer no mark is written, and a file without one never holds "as written".
    const std::string plain = WriteExample(Path("p.mdx"), {});
    EXPECT_EQ(Slurp(plain).find("written"), std::string::npos);
    ASSERT_TRUE(ReadBoth(in, plain)) << in.GetLastError();
    EXPECT_FALSE(in.HasWriterMark());
    EXPECT_FALSE(in.HoldsValuesAsWritten());
}

TEST_F(DataFiles, AMarkedFileChangedSinceReadsButNotAsWritten)
{
    std::string golden = Slurp(WriteExample(Path("m.mdx"), {"Rectifier", "LT1"}));
    const auto changed = [&golden](const std::string& from, const std::string& to) {
        std::string text = golden;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    CReadAndWriteFiles in;
    for (const std::string& text : {changed("1.25", "1.5"), changed("-3e-05", "-0"), changed("\"v\"", "\"w\""),
                                    changed("\"V\"", "\"mV\""), changed("1 -3e-05\n", "1 -3e-05\n2 2\n").replace(
                                        golden.find("items 3"), 7, "items 4")}) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(ReadBoth(in, Put("c.mdx", text))) << in.GetLastError();
        EXPECT_TRUE(in.IsMarkedBy({"Rectifier", "LT1"}));
        EXPECT_FALSE(in.HoldsValuesAsWritten());
    }
    // A malformed mark is a malformed header.
    for (const char* mark : {"written \"Rectifier\" \"LT1\"", "written \"Rectifier\" \"LT1\" 12",
                                    "written \"Rectifier\" \"LT1\" 0123456789abcdeg", "written Rectifier LT1 0"}) {
        SCOPED_TRACE(mark);
        const size_t at = golden.find("written");
        std::string text = golden;
        text.replace(at, text.find('\n', at) - at, mark);
        EXPECT_FALSE(in.ReadInfoFile(Put("bad.mdx", text).c_str()));
        EXPECT_EQ(in.GetLastErrorNumber(), CReadAndWriteFiles::errFormat);
    }
}

// The one rule of whose a file is: only the element's own file, as it wrote it, is replaced
// without a question.
TEST_F(DataFiles, OnlyTheElementsOwnFileMayBeReplacedWithoutAsking)
{
    const CReadAndWriteFiles::Writer lt1{"Rectifier", "LT1"};
    const std::string own = Slurp(WriteExample(Path("own.mdx"), lt1));
    WriteExample(Path("other.mdx"), {"Rectifier", "LT2"});
    WriteExample(Path("otherdoc.mdx"), {"Thesis", "LT1"});
    WriteExample(Path("earlier.mdx"), {});
    std::string changed = own;
    changed.replace(changed.find("1.25"), 4, "1.5");
    Put("changed.mdx", changed);
    Put("notes.mdx", "my notes\n");
    ASSERT_EQ(::symlink("nowhere.mdx", Path("dangling.mdx").c_str()), 0);
    ASSERT_EQ(::symlink("own.mdx", Path("link.mdx").c_str()), 0);
    const struct {
        const char* name;
        CReadAndWriteFiles::Writer writer;
        bool own;
    } cases[] = {
        {"missing.mdx", lt1, true},     {"own.mdx", lt1, true},        {"link.mdx", lt1, true},
        {"own.mdx", {}, false},         {"other.mdx", lt1, false},     {"otherdoc.mdx", lt1, false},
        {"earlier.mdx", lt1, false},    {"changed.mdx", lt1, false},   {"notes.mdx", lt1, false},
        {"dangling.mdx", lt1, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.own, CReadAndWriteFiles::MayReplaceWithoutAsking(Path(c.name).c_str(), c.writer))
            << c.name << " " << c.writer.element;
}

TEST(DataFileFilters, EntriesNameTheirPatternAsTheDialogsExpect)
{
    const CStringArray* read = CReadAndWriteFiles::GetFormatFilterRead();
    const CStringArray* write = CReadAndWriteFiles::GetFormatFilterWrite();
    ASSERT_EQ(read->GetSize(), 3);
    ASSERT_EQ(write->GetSize(), 1);
    // The pages take the pattern from just after the first '*' to the character before the
    // first '|' (the closing parenthesis of the description).
    auto pattern = [](const CString& entry) {
        const int star = entry.Find('*');
        const int bar = entry.Find('|');
        return entry.Mid(star + 1, bar - 1 - (star + 1));
    };
    EXPECT_EQ(pattern(read->GetAt(0)), ".mdx");
    EXPECT_EQ(pattern(read->GetAt(1)), ".txt");
    EXPECT_EQ(pattern(read->GetAt(2)), ".csv");
    EXPECT_EQ(write->GetAt(0), read->GetAt(0));
    EXPECT_EQ(read->GetAt(0).Right(6), "|*.mdx");
}

}  // namespace
