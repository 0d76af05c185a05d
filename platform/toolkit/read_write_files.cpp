#include "toolkit/read_write_files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "toolkit/shortest_number.h"
#include "toolkit/text_util.h"
#include "win32/paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// ---------------------------------------------------------------------------------------
// Reading a file line by line through a buffer of its own, so that a file of any size is
// parsed from memory that stays in the cache and nothing is held beyond the current line.

CString ErrnoText(int error)
{
    return CString(std::strerror(error));
}

struct ParseError {
    int number = 0;
    std::string text;
};

using qv::text::HexDigit;
using qv::text::IsBlank;
using qv::text::SplitBlanks;
using qv::text::Trim;

class LineSource {
public:
    LineSource() = default;
    LineSource(const LineSource&) = delete;
    LineSource& operator=(const LineSource&) = delete;
    ~LineSource()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool Open(const char* path, ParseError& error)
    {
        m_path = path;
        m_fd = ::open(qv::DiskPath(path).c_str(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0) {
            error.number = CReadAndWriteFiles::errOpen;
            error.text = "Cannot open the file \"" + m_path + "\": " + std::strerror(errno) + ".";
            return false;
        }
        struct stat st {};
        if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            error.number = CReadAndWriteFiles::errOpen;
            error.text = "Cannot open the file \"" + m_path + "\": it is not a regular file.";
            return false;
        }
        if (st.st_size > CReadAndWriteFiles::kMaxFileBytes)
            return TooLarge(error);
        m_fileSize = static_cast<std::size_t>(st.st_size);
        // A small file gets a buffer of its own size: a schematic may read thousands of them,
        // and a quarter megabyte each costs more in the allocator than the reading.
        m_buffer.resize(std::clamp<std::size_t>(m_fileSize + 1, 4096, kChunk));
        return true;
    }

    // The next line without its ending ('\n', or "\r\n"); false at the end of the file or on
    // an error (then error.number is set). *terminated tells whether the line had its '\n'
    // (the last line of a cut file has none).
    bool Next(std::string_view* line, bool* terminated, ParseError& error)
    {
        for (;;) {
            const char* begin = m_buffer.data() + m_begin;
            const std::size_t left = m_end - m_begin;
            const void* nl = left > 0 ? std::memchr(begin, '\n', left) : nullptr;
            if (nl != nullptr || m_eof) {
                if (nl == nullptr && left == 0)
                    return false;
                std::size_t length = nl != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nl) - begin) : left;
                *terminated = nl != nullptr;
                m_begin += length + (nl != nullptr ? 1 : 0);
                if (length > 0 && begin[length - 1] == '\r')
                    --length;
                *line = std::string_view(begin, length);
                ++m_number;
                return true;
            }
            if (!Fill(error))
                return false;
        }
    }

    // The complete lines that are buffered, from the next unread byte up to and including the
    // last '\n' read so far, reading more when not one complete line is buffered; a reader
    // parses them in place and says with Advance how far it got. Empty at the end of the
    // file (a last line without its '\n' is left for Next) and on an error (then
    // error.number is set).
    std::string_view Lines(ParseError& error)
    {
        for (;;) {
            const char* begin = m_buffer.data() + m_begin;
            const std::size_t left = m_end - m_begin;
            const void* last = left > 0 ? ::memrchr(begin, '\n', left) : nullptr;
            if (last != nullptr)
                return std::string_view(begin, static_cast<std::size_t>(static_cast<const char*>(last) - begin) + 1);
            if (m_eof || !Fill(error))
                return {};
        }
    }

    // Takes the text before `next` (inside what Lines returned), `count` lines, as read.
    void Advance(const char* next, long long count)
    {
        m_begin = static_cast<std::size_t>(next - m_buffer.data());
        m_number += count;
    }

    long long Number() const { return m_number; }
    std::size_t FileSize() const { return m_fileSize; }
    // Bytes of the file up to the end of the last line returned.
    unsigned long long Consumed() const { return m_total - (m_end - m_begin); }
    const std::string& Path() const { return m_path; }

    // Whether the file starts with the ".mdx" signature, looking at its first bytes without
    // taking them from the lines.
    bool StartsWithMdx(ParseError& error)
    {
        while (m_end - m_begin < 4 && !m_eof)
            if (!Fill(error))
                return false;
        const std::string_view head(m_buffer.data() + m_begin, std::min<std::size_t>(m_end - m_begin, 4));
        return head == "MDX" || head == "MDX " || head == "MDX\n" || head == "MDX\r";
    }

    // True when nothing follows the last line returned.
    bool AtEnd(ParseError& error)
    {
        while (m_begin == m_end && !m_eof)
            if (!Fill(error))
                return false;
        return m_begin == m_end;
    }

private:
    static constexpr std::size_t kChunk = 1 << 18;

    bool TooLarge(ParseError& error)
    {
        error.number = CReadAndWriteFiles::errLimit;
        error.text = "The file \"" + m_path + "\" is larger than " + std::to_string(CReadAndWriteFiles::kMaxFileBytes) +
                     " bytes.";
        return false;
    }

    // Moves the unread rest to the front and reads more behind it; a line longer than the
    // buffer grows it.
    bool Fill(ParseError& error)
    {
        if (m_begin > 0) {
            std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
            m_end -= m_begin;
            m_begin = 0;
        }
        if (m_end == m_buffer.size())
            m_buffer.resize(m_buffer.size() * 2);
        for (;;) {
            const ssize_t got = ::read(m_fd, m_buffer.data() + m_end, m_buffer.size() - m_end);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                error.number = CReadAndWriteFiles::errRead;
                error.text = "Error while reading the file \"" + m_path + "\": " + std::strerror(errno) + ".";
                return false;
            }
            if (got == 0)
                m_eof = true;
            m_end += static_cast<std::size_t>(got);
            m_total += static_cast<unsigned long long>(got);
            // The file may grow while it is read; the limit holds for what is read.
            if (m_total > static_cast<unsigned long long>(CReadAndWriteFiles::kMaxFileBytes))
                return TooLarge(error);
            return true;
        }
    }

    std::string m_path;
    int m_fd = -1;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    std::size_t m_fileSize = 0;
    unsigned long long m_total = 0;
    bool m_eof = false;
    long long m_number = 0;
};

using Channels = std::vector<std::unique_ptr<CExImPortChannel>>;

std::string Quote(std::string_view s)
{
    // Shown in messages: cut long texts so that a garbled line cannot flood the box.
    constexpr std::size_t kMax = 40;
    std::string out = "\"";
    out.append(s.substr(0, kMax));
    if (s.size() > kMax)
        out += "...";
    out += '"';
    return out;
}

std::string LineMessage(const char* path, long long line, const std::string& what)
{
    return "Error in the data file \"" + std::string(path) + "\", line " + std::to_string(line) +
           ": " + what;
}

// A whole field as a finite double. `allowPlus` accepts a leading '+' (text files).
bool FieldToDouble(std::string_view field, bool allowPlus, double* value)
{
    const char* first = field.data();
    const char* last = field.data() + field.size();
    if (allowPlus && first != last && *first == '+')
        ++first;
    if (first == last || *first == '+')
        return false;
    const auto result = std::from_chars(first, last, *value, std::chars_format::general);
    return result.ec == std::errc() && result.ptr == last && std::isfinite(*value);
}

bool ParseCount(std::string_view s, long long limit, long long* value)
{
    if (s.empty() || s.size() > 18)
        return false;
    long long v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return v <= limit;
}

// ---------------------------------------------------------------------------------------
// The ".mdx" format (docs/data-files.md).

constexpr std::string_view kMdxSignature = "MDX 1";

// A quoted text at *pos of `line`; escapes \\ \" \t \n \r \xHH.
bool ReadQuoted(std::string_view line, std::size_t* pos, std::string* out)
{
    std::size_t i = *pos;
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    if (i >= line.size() || line[i] != '"')
        return false;
    ++i;
    out->clear();
    while (i < line.size() && line[i] != '"') {
        char c = line[i++];
        if (c == '\\') {
            if (i >= line.size())
                return false;
            const char e = line[i++];
            switch (e) {
            case '\\': c = '\\'; break;
            case '"': c = '"'; break;
            case 't': c = '\t'; break;
            case 'n': c = '\n'; break;
            case 'r': c = '\r'; break;
            case 'x': {
                if (i + 1 >= line.size())
                    return false;
                const int hi = HexDigit(line[i]);
                const int lo = HexDigit(line[i + 1]);
                if (hi < 0 || lo < 0)
                    return false;
                c = static_cast<char>(hi * 16 + lo);
                i += 2;
                break;
            }
            default:
                return false;
            }
        }
        *out += c;
    }
    if (i >= line.size())
        return false;
    *pos = i + 1;
    return true;
}

void AppendQuoted(std::string& out, const CString& text)
{
    static const char kHex[] = "0123456789ABCDEF";
    out += '"';
    for (char c : text.view()) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (u < 0x20 || u == 0x7F) {
            out += "\\x";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

// The keyword line "<keyword> <count>".
bool KeywordCount(std::string_view line, std::string_view keyword, std::string_view* count)
{
    if (line.size() <= keyword.size() + 1 || line.substr(0, keyword.size()) != keyword ||
        line[keyword.size()] != ' ')
        return false;
    *count = line.substr(keyword.size() + 1);
    return true;
}

// Error helpers shared by the two parts of the ".mdx" reader.
struct MdxErrors {
    LineSource& lines;
    ParseError& error;
    bool Fail(int number, const std::string& what)
    {
        if (error.number == 0) {
            error.number = number;
            error.text = LineMessage(lines.Path().c_str(), lines.Number(), what);
        }
        return false;
    }
    bool Truncated()
    {
        if (error.number == 0) {
            error.number = CReadAndWriteFiles::errTruncated;
            error.text = "The data file \"" + lines.Path() + "\" ends early (after line " +
                         std::to_string(lines.Number()) + "): it is incomplete.";
        }
        return false;
    }
};

// The mark of the element that wrote a file: its document, its name and the checksum of the
// values it wrote (docs/data-files.md, "The writer's mark").
struct WriterMark {
    bool present = false;
    std::string document;
    std::string element;
    std::uint64_t checksum = 0;
};

// FNV-1a over 64-bit words, so that a table of millions of samples costs one multiplication
// per sample: the channel count, the item count, each channel's name and unit (their length,
// then their bytes), then every channel's samples in channel order, each the bit pattern of
// its double. A value changed anywhere (a sign of zero included) changes the checksum.
class ValueChecksum {
public:
    void Word(std::uint64_t word) { m_hash = (m_hash ^ word) * 0x100000001B3ULL; }
    void Text(std::string_view text)
    {
        Word(text.size());
        for (const char c : text)
            Word(static_cast<unsigned char>(c));
    }
    void Samples(const double* values, int count)
    {
        for (int i = 0; i < count; ++i) {
            std::uint64_t bits = 0;
            std::memcpy(&bits, &values[i], sizeof bits);
            Word(bits);
        }
    }
    std::uint64_t Value() const { return m_hash; }

private:
    std::uint64_t m_hash = 0xCBF29CE484222325ULL;
};

std::uint64_t ChecksumOf(const Channels& channels, const std::vector<const double*>& samples, int items)
{
    ValueChecksum sum;
    sum.Word(channels.size());
    sum.Word(static_cast<std::uint64_t>(items));
    for (const auto& channel : channels) {
        sum.Text(channel->GetChannelName().view());
        sum.Text(channel->GetUnitName().view());
    }
    for (const double* column : samples)
        sum.Samples(column, items);
    return sum.Value();
}

// The optional line "written "<document>" "<element>" <checksum>" after the signature.
bool ParseWriterMark(std::string_view line, WriterMark* mark)
{
    std::size_t pos = 8;
    if (line.substr(0, 8) != "written " || !ReadQuoted(line, &pos, &mark->document) ||
        !ReadQuoted(line, &pos, &mark->element) || pos >= line.size() || line[pos] != ' ')
        return false;
    const std::string_view digits = line.substr(pos + 1);
    if (digits.size() != 16)
        return false;
    std::uint64_t value = 0;
    for (const char c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<std::uint64_t>(digit);
    }
    mark->checksum = value;
    mark->present = true;
    return true;
}

// The header of an ".mdx" file, up to and including the line "data": the channels with their
// names and units (no samples) and the item count. The count is checked against the bytes
// that follow: every item takes at least two bytes per channel, so a file too short for its
// count is refused here, before anybody sizes memory from it.
bool ParseMdxHeader(LineSource& lines, Channels& channels, int* itemCount, ParseError& error, WriterMark* mark)
{
    MdxErrors e{lines, error};
    std::string_view line;
    bool terminated = false;
    // The next header line; a line without its '\n' means the file was cut there.
    auto header = [&]() { return lines.Next(&line, &terminated, error) && terminated; };

    if (!header()) {
        if (error.number == 0 && lines.Number() == 0)
            return e.Fail(CReadAndWriteFiles::errFormat, "the file is empty");
        return e.Truncated();
    }
    if (line != kMdxSignature) {
        if (line.substr(0, 4) == "MDX ")
            return e.Fail(CReadAndWriteFiles::errFormat, "the format version " + Quote(line.substr(4)) + " is not supported");
        return e.Fail(CReadAndWriteFiles::errFormat, "this is not an MDX file (no \"MDX 1\" signature line)");
    }
    std::string_view countText;
    long long nChannels = 0;
    if (!header())
        return e.Truncated();
    *mark = WriterMark();
    if (line.substr(0, 8) == "written ") {
        if (!ParseWriterMark(line, mark))
            return e.Fail(CReadAndWriteFiles::errFormat, "expected written \"<document>\" \"<element>\" <checksum>");
        if (!header())
            return e.Truncated();
    }
    if (!KeywordCount(line, "channels", &countText))
        return e.Fail(CReadAndWriteFiles::errFormat, "expected \"channels <count>\"");
    if (!ParseCount(countText, LLONG_MAX / 2, &nChannels) || nChannels < 1)
        return e.Fail(CReadAndWriteFiles::errFormat, "bad channel count " + Quote(countText));
    if (nChannels > CReadAndWriteFiles::kMaxChannels)
        return e.Fail(CReadAndWriteFiles::errLimit, "more than " + std::to_string(CReadAndWriteFiles::kMaxChannels) + " channels");
    long long nItems = 0;
    if (!header())
        return e.Truncated();
    if (!KeywordCount(line, "items", &countText))
        return e.Fail(CReadAndWriteFiles::errFormat, "expected \"items <count>\"");
    if (!ParseCount(countText, LLONG_MAX / 2, &nItems))
        return e.Fail(CReadAndWriteFiles::errFormat, "bad item count " + Quote(countText));
    if (nItems > INT_MAX)
        return e.Fail(CReadAndWriteFiles::errLimit, "more than " + std::to_string(INT_MAX) + " items");

    channels.clear();
    std::string name;
    std::string unit;
    for (long long c = 0; c < nChannels; ++c) {
        if (!header())
            return e.Truncated();
        std::size_t pos = 8;
        if (line.substr(0, 8) != "channel " || !ReadQuoted(line, &pos, &name) || !ReadQuoted(line, &pos, &unit))
            return e.Fail(CReadAndWriteFiles::errFormat, "expected channel \"<name>\" \"<unit>\"");
        while (pos < line.size() && IsBlank(line[pos]))
            ++pos;
        if (pos != line.size())
            return e.Fail(CReadAndWriteFiles::errFormat, "text after the channel's unit");
        auto channel = std::make_unique<CExImPortChannel>();
        channel->SetChannelName(CString(std::string_view(name)));
        channel->SetUnitName(CString(std::string_view(unit)));
        channels.push_back(std::move(channel));
    }
    if (!header())
        return e.Truncated();
    if (line != "data")
        return e.Fail(CReadAndWriteFiles::errFormat, "expected \"data\"");
    const unsigned long long rest = lines.FileSize() > lines.Consumed() ? lines.FileSize() - lines.Consumed() : 0;
    if (static_cast<unsigned long long>(nItems) * 2 * static_cast<unsigned long long>(nChannels) > rest)
        return e.Truncated();
    *itemCount = static_cast<int>(nItems);
    return true;
}

// Whether the line at `p` is "end" (with its line end), inside a block of lines that ends with
// '\n'; *next is where the line after it starts. Every byte compared before one that
// differs from '\n' lies before the block's last '\n', so nothing past the block is read.
bool IsEndLine(const char* p, const char** next)
{
    if (p[0] != 'e' || p[1] != 'n' || p[2] != 'd')
        return false;
    if (p[3] == '\n') {
        *next = p + 4;
        return true;
    }
    if (p[3] == '\r' && p[4] == '\n') {
        *next = p + 5;
        return true;
    }
    return false;
}

// The rows of an ".mdx" file after its header and the final "end": exactly `items` rows of
// targets.size() samples, sample c of row i stored at targets[c][i]. Nothing is written at or
// beyond index `items` of any target.
//
// The rows are parsed in place, block by block of complete lines, without looking for each
// line's end first: a number ends at the first character that cannot continue it, and the
// block's last '\n' stops every scan. A line ends with '\n' or "\r\n".
bool ParseMdxRows(LineSource& lines, const std::vector<double*>& targets, int items, ParseError& error)
{
    MdxErrors e{lines, error};
    const std::size_t n = targets.size();
    double* const* const columns = targets.data();
    int row = 0;
    auto countMismatch = [&e, items](int rows) {
        return e.Fail(CReadAndWriteFiles::errData,
                      "the file holds " + std::to_string(rows) + " items, its header says " + std::to_string(items));
    };
    for (bool ended = false; !ended;) {
        const std::string_view block = lines.Lines(error);
        if (error.number != 0)
            return false;
        if (block.empty()) {
            // No complete line is left: the file ends here, or with a line without its '\n',
            // which only "end" may be.
            std::string_view line;
            bool terminated = false;
            if (!lines.Next(&line, &terminated, error) || line != "end")
                return e.Truncated();
            if (row != items)
                return countMismatch(row);
            break;
        }
        const char* p = block.data();
        const char* const stop = block.data() + block.size();
        long long done = 0;  // lines of this block taken
        // Errors name the line they are found in.
        auto fail = [&lines, &e](const char* lineStart, long long taken, int number, const std::string& what) {
            lines.Advance(lineStart, taken + 1);
            return e.Fail(number, what);
        };
        while (p != stop) {
            const char* const lineStart = p;
            const char* next = nullptr;
            if (IsEndLine(p, &next)) {
                lines.Advance(next, done + 1);
                if (row != items)
                    return countMismatch(row);
                ended = true;
                break;
            }
            if (row == items)
                return fail(lineStart, done, CReadAndWriteFiles::errData, "more items than the header's " + std::to_string(items));
            for (std::size_t c = 0; c < n; ++c) {
                while (*p == ' ' || *p == '\t')
                    ++p;
                if (*p == '\n' || (*p == '\r' && p[1] == '\n'))
                    return fail(lineStart, done, CReadAndWriteFiles::errData,
                                "the row holds " + std::to_string(c) + " values instead of " + std::to_string(n));
                double v = 0.0;
                const auto result = std::from_chars(p, stop, v, std::chars_format::general);
                const char t = *result.ptr;  // before stop: the block ends with '\n'
                if (result.ec != std::errc() ||
                    (t != ' ' && t != '\t' && t != '\n' && !(t == '\r' && result.ptr[1] == '\n')) ||
                    !std::isfinite(v)) {
                    const char* q = p;
                    while (*q != ' ' && *q != '\t' && *q != '\n')
                        ++q;
                    if (*q == '\n' && q != p && q[-1] == '\r')
                        --q;
                    return fail(lineStart, done, CReadAndWriteFiles::errData,
                                "the value " + Quote(std::string_view(p, static_cast<std::size_t>(q - p))) +
                                    " is not a finite number");
                }
                columns[c][row] = v;
                p = result.ptr;
            }
            while (*p == ' ' || *p == '\t')
                ++p;
            if (*p == '\r' && p[1] == '\n')
                ++p;
            if (*p != '\n')
                return fail(lineStart, done, CReadAndWriteFiles::errData, "the row holds more than " + std::to_string(n) + " values");
            ++p;
            ++row;
            ++done;
        }
        if (!ended)
            lines.Advance(p, done);
    }
    // Only the final line ending may follow "end".
    if (!lines.AtEnd(error))
        return e.Fail(CReadAndWriteFiles::errFormat, "text after \"end\"");
    return true;
}

// ---------------------------------------------------------------------------------------
// Text columns (docs/data-files.md).

bool IsDelimiter(char c) { return c == ',' || c == ';'; }

// Splits a data row into fields: blanks and tabs separate fields, and so does one comma or
// one semicolon (blanks around it allowed). An empty field is an error.
bool SplitRow(std::string_view line, std::vector<std::string_view>& fields)
{
    fields.clear();
    std::size_t i = 0;
    bool needField = false;
    for (;;) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        if (i >= line.size())
            return !needField;
        if (IsDelimiter(line[i])) {
            if (needField || fields.empty())
                return false;
            needField = true;
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < line.size() && !IsBlank(line[i]) && !IsDelimiter(line[i]))
            ++i;
        fields.push_back(line.substr(start, i - start));
        needField = false;
    }
}

// Splits a heading line: at commas, semicolons and tabs when it holds any (so that names
// may contain blanks), else at blanks.
bool SplitHeading(std::string_view line, std::vector<std::string_view>& fields)
{
    fields.clear();
    if (line.find_first_of(",;\t") == std::string_view::npos) {
        fields = SplitBlanks(line);
        return !fields.empty();
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t cut = line.find_first_of(",;\t", start);
        const std::string_view field = Trim(line.substr(start, cut == std::string_view::npos ? std::string_view::npos : cut - start));
        if (field.empty())
            return false;
        fields.push_back(field);
        if (cut == std::string_view::npos)
            return true;
        start = cut + 1;
    }
}

// "name[unit]" or "name".
// "name[unit]" or "name".
bool SplitNameUnit(std::string_view field, CExImPortChannel& channel)
{
    const std::size_t open = field.find('[');
    if (open == std::string_view::npos) {
        if (field.find(']') != std::string_view::npos)
            return false;
        channel.SetChannelName(CString(field));
        channel.SetUnitName("");
        return true;
    }
    const std::size_t close = field.find(']', open + 1);
    if (close == std::string_view::npos || close + 1 != field.size())
        return false;
    channel.SetChannelName(CString(Trim(field.substr(0, open))));
    channel.SetUnitName(CString(Trim(field.substr(open + 1, close - open - 1))));
    return true;
}

bool ParseText(LineSource& lines, Channels& channels, int* itemCount, ParseError& error)
{
    std::string_view line;
    bool terminated = false;
    const char* path = lines.Path().c_str();
    auto fail = [&](int number, const std::string& what) {
        error.number = number;
        error.text = LineMessage(path, lines.Number(), what);
        return false;
    };
    auto makeChannels = [&](std::size_t count) {
        channels.clear();
        for (std::size_t c = 0; c < count; ++c)
            channels.push_back(std::make_unique<CExImPortChannel>());
    };
    std::vector<std::string_view> fields;
    channels.clear();
    long long rows = 0;
    bool first = true;
    while (lines.Next(&line, &terminated, error)) {
        if (Trim(line).empty())
            continue;
        if (first) {
            first = false;
            const bool rowOk = SplitRow(line, fields);
            double probe = 0.0;
            if (!rowOk || fields.empty() || !FieldToDouble(fields[0], true, &probe)) {
                // A heading line of channel names.
                if (!SplitHeading(line, fields))
                    return fail(CReadAndWriteFiles::errFormat, "empty column heading");
                if (fields.size() > static_cast<std::size_t>(CReadAndWriteFiles::kMaxChannels))
                    return fail(CReadAndWriteFiles::errLimit, "more than " + std::to_string(CReadAndWriteFiles::kMaxChannels) + " columns");
                makeChannels(fields.size());
                for (std::size_t c = 0; c < fields.size(); ++c)
                    if (!SplitNameUnit(fields[c], *channels[c]))
                        return fail(CReadAndWriteFiles::errFormat, "the column heading " + Quote(fields[c]) + " is not \"name\" or \"name[unit]\"");
                continue;
            }
            if (fields.size() > static_cast<std::size_t>(CReadAndWriteFiles::kMaxChannels))
                return fail(CReadAndWriteFiles::errLimit, "more than " + std::to_string(CReadAndWriteFiles::kMaxChannels) + " columns");
            makeChannels(fields.size());
        } else if (!SplitRow(line, fields)) {
            return fail(CReadAndWriteFiles::errData, "an empty value between separators");
        }
        if (fields.size() != channels.size())
            return fail(CReadAndWriteFiles::errData, "the row holds " + std::to_string(fields.size()) +
                                                         " values instead of " + std::to_string(channels.size()));
        if (rows == INT_MAX)
            return fail(CReadAndWriteFiles::errLimit, "more than " + std::to_string(INT_MAX) + " rows");
        for (std::size_t c = 0; c < fields.size(); ++c) {
            double v = 0.0;
            if (!FieldToDouble(fields[c], true, &v))
                return fail(CReadAndWriteFiles::errData, "the value " + Quote(fields[c]) + " is not a finite number");
            channels[c]->GetValues().Add(v);
        }
        ++rows;
    }
    if (error.number != 0)
        return false;
    if (channels.empty()) {
        error.number = CReadAndWriteFiles::errFormat;
        error.text = "The data file \"" + std::string(path) + "\" holds no columns.";
        return false;
    }
    *itemCount = static_cast<int>(rows);
    return true;
}

bool HasMdxExtension(const char* path)
{
    const std::string_view p(path);
    if (p.size() < 4)
        return false;
    const std::string_view ext = p.substr(p.size() - 4);
    return ext[0] == '.' && (ext[1] == 'm' || ext[1] == 'M') && (ext[2] == 'd' || ext[2] == 'D') &&
           (ext[3] == 'x' || ext[3] == 'X');
}

// ---------------------------------------------------------------------------------------
// Writing.

// Whether all `count` values are finite: one pass without an early exit, which the compiler
// turns into vector instructions (a NaN fails the comparison as an infinity does).
bool AllFinite(const double* values, int count)
{
    bool finite = true;
    for (int i = 0; i < count; ++i)
        finite &= std::fabs(values[i]) <= std::numeric_limits<double>::max();
    return finite;
}

// Writes all bytes, retrying short writes; false with errno set on failure.
bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (done == 0) {
            errno = EIO;
            return false;
        }
        data += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

}  // namespace

// -------------------------------------------------------------------------------------------

void CExImPortChannel::SetSampleBuffer(double* samples, int capacity)
{
    m_buffer = samples;
    m_bufferCapacity = samples != nullptr && capacity > 0 ? capacity : 0;
}

CReadAndWriteFiles::CReadAndWriteFiles() = default;
CReadAndWriteFiles::~CReadAndWriteFiles() = default;

CStringArray* CReadAndWriteFiles::GetFormatFilterRead()
{
    static CStringArray filters;
    if (filters.GetSize() == 0) {
        filters.Add("MDX Files (*.mdx)|*.mdx");
        filters.Add("Text Files (*.txt)|*.txt");
        filters.Add("CSV Files (*.csv)|*.csv");
    }
    return &filters;
}

CStringArray* CReadAndWriteFiles::GetFormatFilterWrite()
{
    static CStringArray filters;
    if (filters.GetSize() == 0)
        filters.Add("MDX Files (*.mdx)|*.mdx");
    return &filters;
}

BOOL CReadAndWriteFiles::Fail(int number, const CString& text)
{
    m_lastErrorNumber = number;
    m_lastError = text;
    return FALSE;
}

void CReadAndWriteFiles::ClearError()
{
    m_lastErrorNumber = errNone;
    m_lastError.Empty();
}

BOOL CReadAndWriteFiles::SetNrChannels(int n)
{
    if (n < 1 || n > kMaxChannels) {
        CString text;
        text.Format("A data file holds 1 to %d channels, not %d.", kMaxChannels, n);
        return Fail(errArgument, text);
    }
    m_channels.clear();
    for (int i = 0; i < n; ++i)
        m_channels.push_back(std::make_unique<CExImPortChannel>());
    m_dataRead = false;
    return TRUE;
}

BOOL CReadAndWriteFiles::SetNrItems(int n)
{
    if (n < 0) {
        CString text;
        text.Format("A channel cannot hold %d items.", n);
        return Fail(errArgument, text);
    }
    m_items = n;
    m_dataRead = false;
    return TRUE;
}

CExImPortChannel* CReadAndWriteFiles::GetChannel(int index)
{
    if (index < 0 || index >= GetNrChannels())
        return nullptr;
    return m_channels[static_cast<std::size_t>(index)].get();
}

BOOL CReadAndWriteFiles::InsertChannel(int index, const double* samples, const char* name, const char* unit)
{
    CExImPortChannel* channel = GetChannel(index);
    if (channel == nullptr) {
        CString text;
        text.Format("There is no channel %d (the file has %d).", index, GetNrChannels());
        return Fail(errArgument, text);
    }
    if (samples == nullptr && m_items > 0) {
        CString text;
        text.Format("Channel %d was given no samples.", index);
        return Fail(errArgument, text);
    }
    try {
        channel->m_values.SetSize(m_items);
    } catch (CException* e) {
        e->Delete();
        CString text;
        text.Format("Not enough memory for the %d samples of channel %d.", m_items, index);
        return Fail(errLimit, text);
    }
    channel->m_name = name != nullptr ? name : "";
    channel->m_unit = unit != nullptr ? unit : "";
    if (m_items > 0)
        std::memcpy(channel->m_values.GetData(), samples, sizeof(double) * static_cast<std::size_t>(m_items));
    channel->m_inserted = true;
    return TRUE;
}

BOOL CReadAndWriteFiles::InsertChannel(int index, const CArray<double, double>& samples,
                                       const char* name, const char* unit)
{
    if (samples.GetSize() < m_items) {
        CString text;
        text.Format("Channel %d was given %d samples instead of %d.", index,
                    static_cast<int>(samples.GetSize()), m_items);
        return Fail(errArgument, text);
    }
    return InsertChannel(index, samples.GetSize() > 0 ? samples.GetData() : nullptr, name, unit);
}

namespace {
CReadAndWriteFiles::WriteWatcher& WriteWatcherSlot() {
    static CReadAndWriteFiles::WriteWatcher watcher;
    return watcher;
}

} // namespace

// Read once from the kernel's status of the process: setting the mask to learn it would change
// it for other threads in between.
int NewFileMode()
{
    static const int mode = [] {
        FILE* status = std::fopen("/proc/self/status", "re");
        if (status == nullptr)
            return -1;
        int mask = -1;
        char line[256];
        while (mask < 0 && std::fgets(line, sizeof line, status) != nullptr)
            if (std::strncmp(line, "Umask:", 6) == 0)
                mask = static_cast<int>(std::strtol(line + 6, nullptr, 8));
        std::fclose(status);
        return mask < 0 ? -1 : 0666 & ~mask;
    }();
    return mode;
}

void CReadAndWriteFiles::SetWriteWatcher(WriteWatcher watcher) { WriteWatcherSlot() = std::move(watcher); }
CReadAndWriteFiles::WriteWatcher CReadAndWriteFiles::GetWriteWatcher() { return WriteWatcherSlot(); }

namespace {
CReadAndWriteFiles::FindWatcher& FindWatcherSlot() {
    static CReadAndWriteFiles::FindWatcher watcher;
    return watcher;
}
} // namespace

void CReadAndWriteFiles::SetFindWatcher(FindWatcher watcher) { FindWatcherSlot() = std::move(watcher); }

bool CReadAndWriteFiles::MayFind(const char* path) { return !FindWatcherSlot() || FindWatcherSlot()(path); }

namespace {
CReadAndWriteFiles::ReadWatcher& ReadWatcherSlot() {
    static CReadAndWriteFiles::ReadWatcher watcher;
    return watcher;
}
} // namespace

void CReadAndWriteFiles::SetReadWatcher(ReadWatcher watcher) { ReadWatcherSlot() = std::move(watcher); }
CReadAndWriteFiles::ReadWatcher CReadAndWriteFiles::GetReadWatcher() { return ReadWatcherSlot(); }

namespace {
CReadAndWriteFiles::WriterSource& WriterSourceSlot() {
    static CReadAndWriteFiles::WriterSource source;
    return source;
}
} // namespace

void CReadAndWriteFiles::SetWriterSource(WriterSource source) { WriterSourceSlot() = std::move(source); }

CReadAndWriteFiles::Writer CReadAndWriteFiles::CurrentWriter() {
    Writer writer;
    if (WriterSourceSlot()) writer = WriterSourceSlot()();
    return writer;
}

bool CReadAndWriteFiles::MayReplaceWithoutAsking(const char* path, const Writer& writer) {
    struct stat seen {};
    // A link that leads nowhere is there too: the user made it.
    if (::lstat(qv::DiskPath(path).c_str(), &seen) != 0)
        return errno == ENOENT;
    if (writer.element.IsEmpty())
        return false;
    CReadAndWriteFiles reader;
    reader.LookOnly();
    // The values go to the channels' own arrays, sized from a count the file's size backs.
    return reader.ReadInfoFile(path, "", kFormatMdx) && reader.IsMarkedBy(writer) && reader.ReadDataFile() &&
           reader.HoldsValuesAsWritten();
}

CReadAndWriteFiles::RemarkResult CReadAndWriteFiles::Remark(const char* path, const Writer& from, const Writer& to,
                                                             CString& error) {
    CReadAndWriteFiles reader;
    reader.LookOnly();
    if (from.element.IsEmpty() || !reader.ReadInfoFile(path, "", kFormatMdx) || !reader.IsMarkedBy(from) ||
        !reader.ReadDataFile() || !reader.HoldsValuesAsWritten())
        return RemarkResult::NotTheWriters;
    CReadAndWriteFiles writer;
    writer.SetWriter(to);
    writer.SetNrChannels(reader.GetNrChannels());
    writer.SetNrItems(reader.GetNrItems());
    for (int c = 0; c < reader.GetNrChannels(); ++c) {
        const CExImPortChannel& channel = *reader.m_channels[static_cast<std::size_t>(c)];
        writer.InsertChannel(c, channel.m_values, channel.m_name, channel.m_unit);
    }
    if (writer.WriteFile(path)) return RemarkResult::Remarked;
    error = writer.GetLastError();
    return RemarkResult::Failed;
}

bool CReadAndWriteFiles::IsMarkedBy(const Writer& writer) const {
    return !writer.element.IsEmpty() && m_hasMark && m_markDocument == writer.document && m_markElement == writer.element;
}

namespace {
CReadAndWriteFiles::TemporaryFiles& TemporaryFilesSlot() {
    static CReadAndWriteFiles::TemporaryFiles files;
    return files;
}
} // namespace

void CReadAndWriteFiles::SetTemporaryFiles(TemporaryFiles files) { TemporaryFilesSlot() = std::move(files); }

BOOL CReadAndWriteFiles::WriteFile(const char* path, const char* section, int format,
                                   const char* text1, const char* text2, int flag1, int flag2)
{
    (void)section;
    (void)text1;
    (void)text2;
    (void)flag1;
    (void)flag2;
    ClearError();
    CString text;
    if (path == nullptr || *path == '\0')
        return Fail(errArgument, "No file name was given for writing.");
    if (format != kFormatMdx) {
        text.Format("The file \"%s\" cannot be written in format %d; only MDX files can be written.", path, format);
        return Fail(errArgument, text);
    }
    if (m_channels.empty()) {
        text.Format("The file \"%s\" was given no channels to write.", path);
        return Fail(errArgument, text);
    }
    for (std::size_t c = 0; c < m_channels.size(); ++c) {
        const CExImPortChannel& channel = *m_channels[c];
        if (!channel.m_inserted || channel.m_values.GetSize() != m_items) {
            text.Format("Channel %d of the file \"%s\" was not given its %d samples.", static_cast<int>(c), path, m_items);
            return Fail(errArgument, text);
        }
        const double* v = channel.m_values.GetData();
        if (AllFinite(v, m_items))
            continue;
        for (int i = 0; i < m_items; ++i) {
            if (!std::isfinite(v[i])) {
                text.Format("Item %d of channel %d is not a finite number; the file \"%s\" was not written.", i,
                            static_cast<int>(c), path);
                return Fail(errArgument, text);
            }
        }
    }

    // The element the file is written for, taken before the watcher may hear of it.
    const Writer writer = m_writer.element.IsEmpty() ? CurrentWriter() : m_writer;
    std::string elsewhere;
    if (WriteWatcherSlot()) {
        std::string refusal;
        switch (WriteWatcherSlot()(path, m_items, refusal)) {
        case WriteDecision::TakeAsWritten: return TRUE;
        case WriteDecision::Refuse: return Fail(errWrite, CString(refusal.c_str()));
        case WriteDecision::Write: break;
        case WriteDecision::WriteElsewhere: elsewhere = std::move(refusal); path = elsewhere.c_str(); break;
        }
    }

    // A watcher hears why a file it let through could not be written.
    auto tellWatcher = [&](const std::string& why) {
        if (!WriteWatcherSlot()) return;
        std::string reason = why;
        WriteWatcherSlot()(path, -1, reason);
    };
    // The target: a write-protected file or a folder is refused, as opening it would be.
    // Messages name the file as the system does; the disk has its own name for it.
    const std::string target_path = qv::DiskPath(path);
    struct stat target {};
    const bool exists = ::stat(target_path.c_str(), &target) == 0;
    if (exists && S_ISDIR(target.st_mode)) {
        text.Format("Cannot write the file \"%s\": it is a folder.", path);
        tellWatcher("it is a folder");
        return Fail(errWrite, text);
    }
    if (exists && !S_ISREG(target.st_mode)) {
        text.Format("Cannot write the file \"%s\": it is not a regular file.", path);
        tellWatcher("it is not a regular file");
        return Fail(errWrite, text);
    }
    if (exists && ::access(target_path.c_str(), W_OK) != 0) {
        // A file of its own that a read-only mount holds, or one the user may not write.
        const int e = errno;
        text.Format("Cannot write the file \"%s\": it is write-protected.", path);
        tellWatcher((const char*)ErrnoText(e));
        return Fail(errWrite, text);
    }

    // The temporary file lies in the target's folder, so that the rename stays within one
    // file system and replaces the target in one step.
    const std::size_t slash = target_path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target_path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target_path : target_path.substr(slash + 1);
    const TemporaryFiles& owner = TemporaryFilesSlot();
    std::string temp;
    std::string refused;
    int fd = -1;
    if (owner.open) {
        fd = owner.open(target_path, temp, refused);
    } else {
        static unsigned long counter = 0;
        // The process ID makes the name unlikely to be taken; O_EXCL makes sure it is not (a
        // forked child that still has its parent's ID just tries the next number).
        static const std::string pid = std::to_string(::getpid());
        for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
            temp = folder + "." + base + "." + pid + "." + std::to_string(++counter) + ".tmp";
            // Open to no other user while it is written: its permissions come after the last
            // write, so that no one keeps a descriptor that reads what it may not read.
            fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd < 0 && errno != EEXIST)
                break;
        }
    }
    if (fd < 0) {
        const int e = errno;
        // The owner's reason, where it gives one, says what it refused (another user's link,
        // say) better than the system's number for it.
        text.Format("Cannot write the file \"%s\": %s.", path,
                    refused.empty() ? (const char*)ErrnoText(e) : refused.c_str());
        tellWatcher((const char*)ErrnoText(e));
        return Fail(errWrite, text);
    }
    auto abandon = [&](int e) {
        if (fd >= 0)
            ::close(fd);
        if (owner.discard)
            owner.discard(temp);
        else
            ::unlink(temp.c_str());
        text.Format("Error while writing the file \"%s\": %s. The file was not changed.", path,
                    (const char*)ErrnoText(e));
        tellWatcher((const char*)ErrnoText(e));
        return Fail(errWrite, text);
    };

    constexpr std::size_t kChunk = 1 << 20;
    std::string buffer;
    buffer += kMdxSignature;
    if (!writer.element.IsEmpty()) {
        std::vector<const double*> samples;
        for (const auto& channel : m_channels)
            samples.push_back(channel->m_values.GetData());
        char digits[17];
        std::snprintf(digits, sizeof digits, "%016llx",
                      static_cast<unsigned long long>(ChecksumOf(m_channels, samples, m_items)));
        buffer += "\nwritten ";
        AppendQuoted(buffer, writer.document);
        buffer += ' ';
        AppendQuoted(buffer, writer.element);
        buffer += ' ';
        buffer += digits;
    }
    buffer += "\nchannels ";
    buffer += std::to_string(m_channels.size());
    buffer += "\nitems ";
    buffer += std::to_string(m_items);
    buffer += '\n';
    for (const auto& channel : m_channels) {
        buffer += "channel ";
        AppendQuoted(buffer, channel->m_name);
        buffer += ' ';
        AppendQuoted(buffer, channel->m_unit);
        buffer += '\n';
    }
    buffer += "data\n";
    if (buffer.size() >= kChunk) {
        if (!WriteAll(fd, buffer.data(), buffer.size()))
            return abandon(errno);
        buffer.clear();
    }

    // Rows in a fixed buffer: the shortest text of each double that reads back to the same
    // value (as std::to_chars without a precision writes it).
    const std::size_t nChannels = m_channels.size();
    std::vector<const double*> columns(nChannels);
    for (std::size_t c = 0; c < nChannels; ++c)
        columns[c] = m_channels[c]->m_values.GetData();
    // A double takes at most 24 characters; one row at most 25 per channel.
    const std::size_t rowMax = 25 * nChannels + 1;
    // The block holds the whole file when it is small (the header is below kChunk here):
    // a schematic writes thousands of small files, and a megabyte each costs more in the
    // allocator than the writing.
    const std::size_t needed = buffer.size() + static_cast<std::size_t>(std::max(m_items, 0)) * rowMax + 4;
    const std::size_t blockSize = std::min(kChunk, needed);
    std::unique_ptr<char[]> block = std::make_unique_for_overwrite<char[]>(blockSize + rowMax);
    std::memcpy(block.get(), buffer.data(), buffer.size());
    char* p = block.get() + buffer.size();
    char* const flushAt = block.get() + blockSize;
    for (int i = 0; i < m_items; ++i) {
        for (std::size_t c = 0; c < nChannels; ++c) {
            p = qv::WriteShortestNumber(p, columns[c][i]);
            *p++ = c + 1 < nChannels ? ' ' : '\n';
        }
        if (p >= flushAt) {
            if (!WriteAll(fd, block.get(), static_cast<std::size_t>(p - block.get())))
                return abandon(errno);
            p = block.get();
        }
    }
    std::memcpy(p, "end\n", 4);
    p += 4;
    if (!WriteAll(fd, block.get(), static_cast<std::size_t>(p - block.get())))
        return abandon(errno);
    // A file written over keeps its permissions, a new one gets those of every new file (the
    // owner of the temporary files sees to that itself).
    const int mode = exists ? static_cast<int>(target.st_mode & 07777) : NewFileMode();
    if (!owner.open && mode >= 0 && ::fchmod(fd, static_cast<mode_t>(mode)) != 0)
        return abandon(errno);
    // On disk before the rename, so that a crash cannot leave a renamed but empty file (an
    // owner of the temporary files puts them on disk itself, with the others of its command).
    if (!owner.putInPlace && ::fsync(fd) != 0)
        return abandon(errno);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0)
        return abandon(errno);
    if (owner.putInPlace ? !owner.putInPlace(temp, target_path) : ::rename(temp.c_str(), target_path.c_str()) != 0)
        return abandon(errno);
    return TRUE;
}

BOOL CReadAndWriteFiles::ReadInfoFile(const char* path, const char* section, int format,
                                      const char* text1, const char* text2, int interactive,
                                      int flag2, int flag3)
{
    (void)section;
    (void)text1;
    (void)text2;
    (void)interactive;
    (void)flag2;
    (void)flag3;
    ClearError();
    m_dataRead = false;
    if (path == nullptr || *path == '\0')
        return Fail(errArgument, "No file name was given for reading.");
    const int nFormats = static_cast<int>(GetFormatFilterRead()->GetSize());
    if (format < -1 || format >= nFormats) {
        CString text;
        text.Format("Unknown data file format %d.", format);
        return Fail(errArgument, text);
    }
    LineSource source;
    ParseError error;
    Channels parsed;
    int items = 0;
    WriterMark mark;
    bool mdx = false;
    bool ok = false;
    try {
        ok = source.Open(path, error);
        if (ok && ReadWatcherSlot() && !m_lookOnly)
            ReadWatcherSlot()(path);
        if (ok) {
            if (format == kFormatMdx)
                mdx = true;
            else if (format == -1)  // the signature decides; a file named ".mdx" must have one
                mdx = HasMdxExtension(path) || source.StartsWithMdx(error);
            if (error.number != 0)
                ok = false;
            else
                ok = mdx ? ParseMdxHeader(source, parsed, &items, error, &mark) : ParseText(source, parsed, &items, error);
        }
    } catch (CException* e) {  // the arrays report memory exhaustion this way
        e->Delete();
        ok = false;
        error.number = errLimit;
        error.text = "Not enough memory to read the file \"" + std::string(path) + "\".";
    } catch (const std::bad_alloc&) {
        ok = false;
        error.number = errLimit;
        error.text = "Not enough memory to read the file \"" + std::string(path) + "\".";
    }
    if (!ok)
        return Fail(error.number, CString(std::string_view(error.text)));

    for (auto& channel : parsed)
        channel->m_inserted = true;
    m_channels.swap(parsed);
    m_items = items;
    m_saveVersion = mdx ? kFormatMdx : kFormatTextVersion;
    m_hasMark = mark.present;
    m_markDocument = CString(std::string_view(mark.document));
    m_markElement = CString(std::string_view(mark.element));
    m_markChecksum = mark.checksum;
    m_asWritten = false;
    m_path = path;
    m_mdxOpened = mdx;
    m_dataRead = true;
    return TRUE;
}

BOOL CReadAndWriteFiles::ReadDataFile()
{
    ClearError();
    if (!m_dataRead)
        return Fail(errArgument, "No data file was opened for reading.");
    for (std::size_t c = 0; c < m_channels.size(); ++c) {
        const CExImPortChannel& channel = *m_channels[c];
        if (channel.m_buffer != nullptr && channel.m_bufferCapacity < m_items) {
            CString text;
            text.Format("The buffer of channel %d holds %d values; the file has %d items.", static_cast<int>(c),
                        channel.m_bufferCapacity, m_items);
            return Fail(errArgument, text);
        }
    }
    if (!m_mdxOpened) {
        // Text files were read whole by ReadInfoFile.
        for (const auto& channel : m_channels) {
            if (channel->m_buffer != nullptr && m_items > 0)
                std::memcpy(channel->m_buffer, channel->m_values.GetData(), sizeof(double) * static_cast<std::size_t>(m_items));
        }
        return TRUE;
    }

    // An ".mdx" file is read now, straight into the buffers (or the channels' arrays). Its
    // header is read again and must still be the one ReadInfoFile saw.
    ParseError error;
    bool ok = false;
    try {
        LineSource source;
        Channels again;
        int items = 0;
        WriterMark mark;
        ok = source.Open(m_path.c_str(), error) && ParseMdxHeader(source, again, &items, error, &mark);
        if (ok) {
            bool same = again.size() == m_channels.size() && items == m_items && mark.present == m_hasMark &&
                        mark.checksum == m_markChecksum && mark.document == m_markDocument.view() &&
                        mark.element == m_markElement.view();
            for (std::size_t c = 0; same && c < again.size(); ++c)
                same = again[c]->GetChannelName() == m_channels[c]->GetChannelName() &&
                       again[c]->GetUnitName() == m_channels[c]->GetUnitName();
            if (!same) {
                ok = false;
                error.number = errData;
                error.text = "The data file \"" + m_path + "\" was changed while it was read.";
            }
        }
        if (ok) {
            std::vector<double*> targets;
            for (const auto& channel : m_channels) {
                if (channel->m_buffer != nullptr) {
                    targets.push_back(channel->m_buffer);
                } else {
                    channel->m_values.SetSize(m_items);  // the header's count is checked against the file size
                    targets.push_back(channel->m_values.GetData());
                }
            }
            ok = ParseMdxRows(source, targets, m_items, error);
            if (ok && m_hasMark)
                m_asWritten = ChecksumOf(m_channels, std::vector<const double*>(targets.begin(), targets.end()), m_items) ==
                              m_markChecksum;
        }
    } catch (CException* e) {
        e->Delete();
        ok = false;
        error.number = errLimit;
        error.text = "Not enough memory to read the file \"" + m_path + "\".";
    } catch (const std::bad_alloc&) {
        ok = false;
        error.number = errLimit;
        error.text = "Not enough memory to read the file \"" + m_path + "\".";
    }
    if (!ok) {
        for (const auto& channel : m_channels)
            if (channel->m_buffer == nullptr)
                channel->m_values.RemoveAll();
        return Fail(error.number, CString(std::string_view(error.text)));
    }
    return TRUE;
}
