#include "editor/journal_format.h"

#include <array>

namespace qv::journal {

namespace {

constexpr std::string_view kMagic = "qvhost journal 3\n";
constexpr std::string_view kMagic2 = "qvhost journal 2\n";
constexpr std::size_t kMaxName = 255;     // the longest file name the system takes
constexpr std::size_t kMaxPath = 4095;    // the longest path it takes
constexpr std::size_t kIdLength = 32;

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table {};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

// The CRC-32 of zip and PNG: a record whose bytes a disk damaged fails it.
std::uint32_t Crc32(std::string_view bytes) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) c = kCrcTable[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

constexpr char kHex[] = "0123456789abcdef";

// Ends a record: its checksum and the line break.
std::string Sealed(std::string record) {
    const std::uint32_t crc = Crc32(record);
    for (int shift = 28; shift >= 0; shift -= 4) record += kHex[(crc >> shift) & 15];
    record += '\n';
    return record;
}

// A text of a record: its length, then the text with each line break written as a backslash
// and "n", and each backslash doubled, so that a record holds one line break only, at its end. A name may hold any
// byte, a line break too, and what a crash leaves of the last record still has none.
std::string Field(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        if (c == '\n' || c == '\\') escaped += '\\';
        escaped += c == '\n' ? 'n' : c;
    }
    return std::to_string(escaped.size()) + ":" + escaped + " ";
}

// A record as read: complete, cut short by the end of the bytes so far, or no record of ours.
enum class Read { kDone, kMore, kBad };

// Reads a record's parts from the front; each step says whether the bytes end before it does.
struct Cursor {
    std::string_view bytes;
    std::size_t at = 0;

    Read Literal(std::string_view text) {
        const std::size_t have = std::min(text.size(), bytes.size() - at);
        if (bytes.compare(at, have, text.substr(0, have)) != 0) return Read::kBad;
        at += have;
        return have == text.size() ? Read::kDone : Read::kMore;
    }
    // A decimal number without leading zeros, then a blank.
    Read Number(unsigned& out) {
        const std::size_t start = at;
        unsigned long long value = 0;
        for (;; ++at) {
            if (at == bytes.size()) return Read::kMore;
            const char c = bytes[at];
            if (c == ' ' && at > start) break;
            if (c < '0' || c > '9' || (at > start && bytes[start] == '0')) return Read::kBad;
            value = value * 10 + static_cast<unsigned>(c - '0');
            if (value > 0xFFFFFFFFull) return Read::kBad;
        }
        ++at;
        out = static_cast<unsigned>(value);
        return Read::kDone;
    }
    // `count` lowercase hexadecimal digits.
    Read Hex(std::size_t count, std::string& out) {
        for (std::size_t i = 0; i < count; ++i, ++at) {
            if (at == bytes.size()) return Read::kMore;
            const char c = bytes[at];
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return Read::kBad;
            out += c;
        }
        return Read::kDone;
    }
    // "N:TEXT " (Field) with TEXT at most `longest` bytes once its escapes are read, N (the
    // escaped length) without leading zeros.
    Read Text(std::size_t longest, std::string& out) {
        std::size_t length = 0;
        const std::size_t start = at;
        for (;; ++at) {
            if (at == bytes.size()) return Read::kMore;
            const char c = bytes[at];
            if (c == ':' && at > start) break;
            if (c < '0' || c > '9' || (at > start && bytes[start] == '0')) return Read::kBad;
            length = length * 10 + static_cast<std::size_t>(c - '0');
            if (length > 2 * longest) return Read::kBad;
        }
        ++at;
        if (bytes.size() - at < length) {
            at = bytes.size();
            return Read::kMore;
        }
        out.clear();
        for (const std::size_t end = at + length; at < end; ++at) {
            char c = bytes[at];
            if (c == '\n') return Read::kBad;
            if (c == '\\') {
                if (++at == end || (bytes[at] != 'n' && bytes[at] != '\\')) return Read::kBad;
                c = bytes[at] == 'n' ? '\n' : '\\';
            }
            out += c;
        }
        if (out.size() > longest) return Read::kBad;
        return Literal(" ");
    }
};

#define QV_READ(step)                                        \
    do {                                                     \
        const Read result_ = (step);                         \
        if (result_ != Read::kDone) return result_;          \
    } while (false)

struct Record {
    char kind = 0;
    std::string id, first, second, third;   // second and third: of a file of version 2
    unsigned index = 0;      // of a file
    bool replaces = false;   // of a file
    std::uint32_t crc = 0;
    std::string_view sealed;   // the bytes the checksum covers
};

// One record from the front of `bytes`; its length in `used`.
Read ReadRecord(std::string_view bytes, int version, Record& record, std::size_t& used) {
    if (bytes.empty()) return Read::kMore;
    record.kind = bytes[0];
    if (std::string_view("mpdf").find(record.kind) == std::string_view::npos) return Read::kBad;
    Cursor in {bytes, 1};
    QV_READ(in.Literal(" "));
    switch (record.kind) {
    case 'm':
        QV_READ(in.Hex(kIdLength, record.id));
        QV_READ(in.Literal(" "));
        break;
    case 'p':
        QV_READ(in.Hex(kIdLength, record.id));
        QV_READ(in.Literal(" "));
        QV_READ(in.Text(kMaxPath, record.first));
        break;
    case 'd':
        QV_READ(in.Text(kMaxPath, record.first));
        break;
    case 'f':
        QV_READ(in.Text(kMaxName, record.first));
        if (version == 2) {
            QV_READ(in.Text(kMaxName, record.second));
            QV_READ(in.Text(kMaxName, record.third));
            break;
        }
        QV_READ(in.Number(record.index));
        if (in.at == bytes.size()) return Read::kMore;
        if (bytes[in.at] != 'n' && bytes[in.at] != 'r') return Read::kBad;
        record.replaces = bytes[in.at++] == 'r';
        QV_READ(in.Literal(" "));
        break;
    default:
        return Read::kBad;
    }
    record.sealed = bytes.substr(0, in.at);
    std::string crc;
    QV_READ(in.Hex(8, crc));
    QV_READ(in.Literal("\n"));
    for (const char c : crc) record.crc = record.crc << 4 | static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    used = in.at;
    return Read::kDone;
}

#undef QV_READ

// A name of a file in the journal's own folder: none of the names qvhost gives its journals and
// its private folders, which all begin ".qvhost-".
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos && name.rfind(kOwnPrefix, 0) != 0;
}

// An absolute path in normal form: no empty, "." or ".." part, no slash at the end but for "/"
// itself (an output folder may be the root of a container's file system).
bool IsNormalPath(const std::string& path) {
    if (path == "/") return true;
    if (path.size() < 2 || path[0] != '/' || path.back() == '/' || path.find('\0') != std::string::npos) return false;
    for (std::size_t at = 1; at <= path.size();) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        const std::string_view part = std::string_view(path).substr(at, end - at);
        if (part.empty() || part == "." || part == "..") return false;
        at = end + 1;
    }
    return true;
}

// Of a journal of version 2: whether `name` is one that version gave the temporary file
// ("qvtmp") or the earlier contents ("qvold") of `target` beside it: "." + the target cut to
// 200 bytes at a character boundary + "." + kind, then nothing or "." and a number from 1.
bool IsBesideName(const std::string& target, const char* kind, const std::string& name) {
    std::size_t cut = std::min<std::size_t>(target.size(), 200);
    while (cut > 0 && cut < target.size() && (static_cast<unsigned char>(target[cut]) & 0xC0) == 0x80) --cut;
    const std::string stem = "." + target.substr(0, cut) + "." + kind;
    if (name == target || name.compare(0, stem.size(), stem) != 0 || name.size() < stem.size()) return false;
    const std::string_view rest = std::string_view(name).substr(stem.size());
    if (rest.empty()) return true;
    if (rest.size() < 2 || rest.size() > 10 || rest[0] != '.' || rest[1] == '0') return false;
    return rest.substr(1).find_first_not_of("0123456789") == std::string_view::npos;
}

// Of the opening `line` of bytes that are no journal of version 3 or 2: true while the number
// of a version may still go on (more bytes are needed, and `atEnd` says there are none), else
// false with the refusal in `why`, which names the version of a line "qvhost journal N".
bool OtherVersion(std::string_view line, bool atEnd, std::string& why) {
    constexpr std::string_view kAnyVersion = "qvhost journal ";
    constexpr std::size_t kLongestNumber = 9;
    std::size_t end = kAnyVersion.size();
    if (line.substr(0, end) == kAnyVersion) {
        while (end < line.size() && end - kAnyVersion.size() <= kLongestNumber && line[end] >= '0' && line[end] <= '9') ++end;
        const std::size_t digits = end - kAnyVersion.size();
        if (end == line.size() && !atEnd && digits <= kLongestNumber) return true;
        if (digits > 0 && digits <= kLongestNumber && (end == line.size() || line[end] == '\n')) {
            const std::string version(line.substr(kAnyVersion.size(), digits));
            // The versions count from 1 and are written without leading zeros: such a number
            // names a journal that no qvhost wrote.
            why = version[0] == '0' ? "it names journal version " + version + ", which no version of qvhost writes"
                                    : "it is a journal of version " + version + " of qvhost, which a command of that version on this folder finishes";
            return false;
        }
    }
    why = "it does not begin as a journal of qvhost";
    return false;
}

} // namespace

std::string PrivateFolderName(const std::string& id) { return kOwnPrefix + id; }

std::string TemporaryName(unsigned index) { return std::to_string(index) + ".tmp"; }

std::string BackupName(unsigned index) { return std::to_string(index) + ".old"; }

std::string MainHeader(const std::string& id) { return std::string(kMagic) + Sealed("m " + id + " "); }

std::string PartHeader(const std::string& id, const std::string& mainFolder) {
    return std::string(kMagic) + Sealed("p " + id + " " + Field(mainFolder));
}

std::string FolderRecord(const std::string& folder) { return Sealed("d " + Field(folder)); }

std::string FileRecord(const std::string& target, unsigned index, bool replaces) {
    return Sealed("f " + Field(target) + std::to_string(index) + (replaces ? " r " : " n "));
}

std::string Journal::File::TemporaryName() const { return journal::TemporaryName(index); }

std::string Journal::File::BackupName() const { return replaces ? journal::BackupName(index) : std::string(); }

bool Journal::Names(std::string_view name) const {
    const std::size_t dot = name.find('.');
    if (dot == 0 || dot == std::string_view::npos || dot > 10 || (name[0] == '0' && dot > 1)) return false;
    const std::string_view kind = name.substr(dot);
    if (kind != ".tmp" && kind != ".old") return false;
    unsigned long long index = 0;
    for (const char c : name.substr(0, dot)) {
        if (c < '0' || c > '9') return false;
        index = index * 10 + static_cast<unsigned>(c - '0');
    }
    // The records number the files 0, 1, 2, ... in their order.
    if (index >= files.size()) return false;
    return kind == ".tmp" || files[static_cast<std::size_t>(index)].replaces;
}

bool Parser::Feed(std::string_view bytes) {
    if (failed_) return false;
    bytes_ += bytes.size();
    if (bytes_ > kMaxBytes) {
        why_ = "it is larger than the " + std::to_string(kMaxBytes >> 20) + " MiB a journal holds";
        failed_ = true;
        return false;
    }
    pending_.append(bytes);
    std::string_view rest = pending_;
    if (!magicSeen_) {
        const std::size_t have = std::min(rest.size(), kMagic.size());
        const bool current = rest.compare(0, have, kMagic.substr(0, have)) == 0;
        if (!current && rest.compare(0, have, kMagic2.substr(0, have)) != 0) {
            // The line of another version is read whole, so that its refusal names the version
            // whatever pieces the bytes come in.
            if (OtherVersion(rest, false, why_)) return true;
            failed_ = true;
            return false;
        }
        if (have < kMagic.size()) return true;
        magicSeen_ = true;
        version_ = current ? 3 : 2;
        rest.remove_prefix(kMagic.size());
    }
    for (;;) {
        journal::Record record;
        std::size_t used = 0;
        const Read read = ReadRecord(rest, version_, record, used);
        if (read == Read::kMore) break;
        ++records_;
        const std::string number = "record " + std::to_string(records_);
        if (read == Read::kBad || Crc32(record.sealed) != record.crc) {
            why_ = number + " is damaged";
            failed_ = true;
            return false;
        }
        const bool header = records_ == 1;
        if (header != (record.kind == 'm' || record.kind == 'p') || (record.kind == 'd' && !journal_.main)) {
            why_ = number + " is out of place";
            failed_ = true;
            return false;
        }
        if (record.kind == 'm' || record.kind == 'p') {
            journal_.main = record.kind == 'm';
            journal_.id = record.id;
            if (!journal_.main && !IsNormalPath(record.first)) {
                why_ = number + " names no absolute folder in normal form";
                failed_ = true;
                return false;
            }
            journal_.mainFolder = record.first;
        } else if (record.kind == 'd') {
            if (!IsNormalPath(record.first)) {
                why_ = number + " names no absolute folder in normal form";
                failed_ = true;
                return false;
            }
            journal_.folders.push_back(std::move(record.first));
        } else {
            Journal::File file;
            file.target = std::move(record.first);
            file.index = version_ == 2 ? static_cast<unsigned>(journal_.files.size()) : record.index;
            file.replaces = version_ == 2 ? !record.third.empty() : record.replaces;
            // The owner numbers a folder's files in the order of their records, so that no two
            // share a temporary file or a backup; of version 2, no two records share a name.
            if (!IsPlainName(file.target)) {
                why_ = number + " names a target that is no plain file name";
            } else if (version_ == 2 && !IsBesideName(file.target, "qvtmp", record.second)) {
                why_ = number + " names a temporary file that qvhost does not make of its target";
            } else if (version_ == 2 && file.replaces && !IsBesideName(file.target, "qvold", record.third)) {
                why_ = number + " names a backup that qvhost does not make of its target";
            } else if (version_ == 2 && (!names_.insert(file.target).second || !names_.insert(record.second).second ||
                                         (file.replaces && !names_.insert(record.third).second))) {
                why_ = number + " names a file that an earlier record names";
            } else if (file.index != journal_.files.size()) {
                why_ = number + " names a file index out of order";
            } else {
                file.besideTemporary = std::move(record.second);
                file.besideBackup = std::move(record.third);
                journal_.files.push_back(std::move(file));
            }
            if (!why_.empty()) {
                failed_ = true;
                return false;
            }
        }
        rest.remove_prefix(used);
    }
    pending_.erase(0, pending_.size() - rest.size());
    return true;
}

bool Parser::Finish(Journal& journal) {
    if (failed_) return false;
    const std::string_view rest = pending_;
    if (!magicSeen_ && rest.compare(0, rest.size(), kMagic.substr(0, rest.size())) != 0 &&
        rest.compare(0, rest.size(), kMagic2.substr(0, rest.size())) != 0) {
        OtherVersion(rest, true, why_);
        failed_ = true;
        return false;
    }
    // What is left is the start of a record the process ended while appending, or of the header:
    // it holds no line break. One that does is a record whose length a disk damaged, which
    // would otherwise pass the records after it over as cut short.
    if (pending_.find('\n') != std::string::npos) {
        why_ = "record " + std::to_string(records_ + 1) + " is damaged";
        failed_ = true;
        return false;
    }
    journal = std::move(journal_);
    journal.torn = records_ == 0;
    journal.version = version_ == 2 ? 2 : 3;
    return true;
}

bool Parse(std::string_view bytes, Journal& journal, std::string& why) {
    Parser parser;
    const bool parsed = parser.Feed(bytes) && parser.Finish(journal);
    why = parser.Why();
    return parsed;
}

} // namespace qv::journal
