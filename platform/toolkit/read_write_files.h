// Data files of channels of doubles: the ".mdx" format (read and written) and plain text
// columns (read only). docs/data-files.md describes both formats and the error numbers.
//
// A write: SetNrChannels, SetNrItems, InsertChannel for every channel, WriteFile.
// A read: ReadInfoFile (then GetNrChannels, GetNrItems and the channel names and units are
// known), optionally SetSampleBuffer on channels, then ReadDataFile, which reads the samples.
#pragma once

#include "afx/afx.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// One channel: a name, a unit and its samples.
//
// The samples live in the channel's own array. A reader may instead be given a buffer of the
// caller's (SetSampleBuffer): ReadDataFile then copies the samples into it, and never more
// than the capacity given. The buffer stays the caller's; the channel never frees it.
class CExImPortChannel {
public:
    CExImPortChannel() = default;
    CExImPortChannel(const CExImPortChannel&) = delete;
    CExImPortChannel& operator=(const CExImPortChannel&) = delete;

    const CString& GetChannelName() const { return m_name; }
    const CString& GetUnitName() const { return m_unit; }
    void SetChannelName(const char* name) { m_name = name; }
    void SetUnitName(const char* unit) { m_unit = unit; }

    CArray<double, double>& GetValues() { return m_values; }
    const CArray<double, double>& GetValues() const { return m_values; }

    // The caller's buffer for ReadDataFile: `capacity` doubles at `samples` (null to go back
    // to the channel's own array).
    void SetSampleBuffer(double* samples, int capacity);
    double* GetSampleBuffer() const { return m_buffer; }
    int GetSampleBufferCapacity() const { return m_bufferCapacity; }

private:
    friend class CReadAndWriteFiles;
    CString m_name;
    CString m_unit;
    CArray<double, double> m_values;
    double* m_buffer = nullptr;
    int m_bufferCapacity = 0;
    bool m_inserted = false;  // set by InsertChannel; WriteFile needs every channel set
};

// The permissions a file created with mode 0666 gets: 0666 less the process's file mode mask.
// -1 when the mask cannot be read.
int NewFileMode();

class CReadAndWriteFiles {
public:
    // Error numbers of GetLastErrorNumber (docs/data-files.md lists the texts).
    enum {
        errNone = 0,
        errOpen = 1,        // the file cannot be opened for reading
        errRead = 2,        // reading failed half-way (an I/O error)
        errFormat = 3,      // not a file of the expected format, or a malformed header
        errTruncated = 4,   // the file ends before its data is complete
        errData = 5,        // a bad number or a row with the wrong number of values
        errLimit = 6,       // beyond a limit: too many channels, items, or too large a file
        errCancelled = 7,   // reserved for a read the user cancelled; needs no message
        errWrite = 8,       // the file cannot be written (nothing was changed on disk)
        errArgument = 9,    // a call out of order or with bad arguments
    };

    // Limits of both formats.
    static constexpr int kMaxChannels = 256;
    static constexpr long long kMaxFileBytes = 1LL << 28;

    // Format indexes: entry i of GetFormatFilterRead/GetFormatFilterWrite.
    static constexpr int kFormatMdx = 0;
    static constexpr int kFormatTextVersion = -1;  // GetSaveVersion after reading a text file

    CReadAndWriteFiles();
    ~CReadAndWriteFiles();
    CReadAndWriteFiles(const CReadAndWriteFiles&) = delete;
    CReadAndWriteFiles& operator=(const CReadAndWriteFiles&) = delete;

    // File-dialog filter entries, one per format, "Description (*.ext)|*.ext"; the index of
    // an entry is its format index. Reading offers ".mdx" and the text formats, writing
    // ".mdx" only. The arrays belong to the library.
    static CStringArray* GetFormatFilterRead();
    static CStringArray* GetFormatFilterWrite();

    // Prepare a write. SetNrChannels (1 to kMaxChannels) drops every channel and makes `n`
    // empty ones; SetNrItems (0 or more) sets the samples per channel. FALSE for a bad count.
    BOOL SetNrChannels(int n);
    BOOL SetNrItems(int n);
    int GetNrChannels() const { return static_cast<int>(m_channels.size()); }
    int GetNrItems() const { return m_items; }

    // Gives channel `index` its name, unit and GetNrItems() samples copied from `samples`
    // (or from the first GetNrItems() entries of the array, which must hold that many).
    // FALSE for an index out of range or missing samples.
    BOOL InsertChannel(int index, const double* samples, const char* name, const char* unit);
    BOOL InsertChannel(int index, const CArray<double, double>& samples, const char* name,
                       const char* unit);

    // Channel `index`, or null when out of range.
    CExImPortChannel* GetChannel(int index);

    // Writes the channels to `path` in format `format` (only kFormatMdx can be written). The
    // file is written to a temporary file in the target's folder and renamed over the target
    // only when it is complete, so a failure leaves an earlier file intact. A write-protected
    // target is refused. `section`, the two texts and the two flags are accepted for the
    // callers' argument lists and change nothing. Non-zero on success.
    BOOL WriteFile(const char* path, const char* section = "", int format = kFormatMdx,
                   const char* text1 = nullptr, const char* text2 = nullptr, int flag1 = 0,
                   int flag2 = 0);

    // What a watcher of the process's data-file writes decides for one file.
    enum class WriteDecision { Write, TakeAsWritten, Refuse, WriteElsewhere };
    // The element a file is written for: the document it belongs to and the element's name.
    // Every ".mdx" file written for an element carries them with a checksum of its values
    // (docs/data-files.md), so that a later write can tell the element's own file, still as it
    // was written, from any other. An empty element writes no mark.
    struct Writer {
        CString document;
        CString element;
    };
    // Who the process writes for when a writer was not given to the object (SetWriter): the
    // program that runs the elements (the editor) knows which element is at work. An empty
    // function writes no marks.
    using WriterSource = std::function<Writer()>;
    static void SetWriterSource(WriterSource source);
    static Writer CurrentWriter();
    // This object writes for `writer`, whoever the process writes for.
    void SetWriter(Writer writer) { m_writer = std::move(writer); }
    // The one rule of whose a file is: whether `writer` may replace the file at `path` (named
    // as the system names it, relative to the current folder) without a question. Only when
    // nothing is there, or the file carries the writer's mark (its document and element) and
    // still holds the values it was written with. Any other file is the user's, whatever it
    // holds and whatever names it. A writer without an element owns no file. The look reads
    // no input (the read watcher does not hear of it).
    static bool MayReplaceWithoutAsking(const char* path, const Writer& writer);
    // What Remark did with a file.
    enum class RemarkResult { NotTheWriters, Remarked, Failed };
    // Gives the file at `path` the mark of `to` when it is `from`'s own by the rule above (it
    // carries `from`'s mark and still holds what it was written with): the same channels and
    // values, written again as WriteFile writes (the write watcher and the owner of temporary
    // files see it), so that a writer that takes another name keeps its files. Any other file,
    // and a missing one, is left as it is (NotTheWriters). Failed, with the reason in `error`,
    // when the file could not be written; it is then unchanged.
    static RemarkResult Remark(const char* path, const Writer& from, const Writer& to, CString& error);

    // After ReadInfoFile: whether the file carries a writer's mark, and whose.
    bool HasWriterMark() const { return m_hasMark; }
    const CString& GetMarkDocument() const { return m_markDocument; }
    const CString& GetMarkElement() const { return m_markElement; }
    bool IsMarkedBy(const Writer& writer) const;
    // After a successful ReadDataFile: whether the file carries a mark and its channels and
    // values are still the ones it was written with (the checksum of the mark matches).
    bool HoldsValuesAsWritten() const { return m_asWritten; }

    // Sees every file WriteFile is about to write (its path as given and the item count),
    // once the arguments are known to be good: Write lets it be written, TakeAsWritten
    // reports success without touching the disk (a run that only plans its files), Refuse
    // fails the write (error 8) with the watcher's text, WriteElsewhere writes the file at the
    // path the watcher put into that text. A file let through that then cannot be written is
    // told to the watcher once more, with `items` -1 and the reason in the text (the system's,
    // or what stands at the path; its decision is not used). An empty function removes it.
    using WriteWatcher = std::function<WriteDecision(const std::string& path, int items, std::string& refusal)>;
    static void SetWriteWatcher(WriteWatcher watcher);
    // The watcher at work, so that a program that watches for a moment can put it back.
    static WriteWatcher GetWriteWatcher();
    // Sees every data file that a page looks for on its own to read (the earlier file of its
    // table when it opens, found by FindCharacteristicFile and the like), not one a user
    // chose: false hides the file, and the page finds none there. An empty function hides
    // nothing.
    using FindWatcher = std::function<bool(const std::string& path)>;
    static void SetFindWatcher(FindWatcher watcher);
    static bool MayFind(const char* path);
    // Sees every data file that ReadInfoFile opens (its path as given), whoever named it: a
    // program that writes files learns which files were read. An empty function removes it.
    using ReadWatcher = std::function<void(const std::string& path)>;
    static void SetReadWatcher(ReadWatcher watcher);
    static ReadWatcher GetReadWatcher();
    // A reader that only looks whether a file holds a table (before a page replaces it) reads
    // no input: the read watcher does not hear of the files it opens.
    void LookOnly() { m_lookOnly = true; }
    // Who makes the temporary file a data file is written to and puts it in place of its
    // target: `open` makes and opens it (its descriptor, or -1 with errno and a message) and
    // gives its path, `putInPlace` puts it in place of the target (false with errno) and sees
    // that it reaches the disk, `discard` removes one that will not take its place. Without
    // them (empty functions) it is a hidden file beside the target, synced and renamed onto it.
    struct TemporaryFiles {
        std::function<int(const std::string& target, std::string& temporary, std::string& error)> open;
        std::function<bool(const std::string& temporary, const std::string& target)> putInPlace;
        std::function<void(const std::string& temporary)> discard;
    };
    static void SetTemporaryFiles(TemporaryFiles files);

    // Opens the file at `path` and reads its description: format, channel names and units,
    // item count. An ".mdx" file has its header read and its item count checked against the
    // file's size (so GetNrItems is safe to size buffers with); a text file is read and
    // checked whole. `format` -1 recognises the format by the content (an ".mdx" file starts
    // with its signature line, and a file named ".mdx" must; any other file is read as text
    // columns); a format index of GetFormatFilterRead insists on that format. `interactive` says whether a user started
    // the read; this reader asks no questions, so it changes nothing. `section`, the texts and
    // the last two numbers are accepted for the callers' argument lists and change nothing.
    // Non-zero when the file was read; the previous channels are replaced only then.
    BOOL ReadInfoFile(const char* path, const char* section = "", int format = -1,
                      const char* text1 = nullptr, const char* text2 = nullptr,
                      int interactive = 0, int flag2 = 0, int flag3 = 0);

    // Reads the samples of the file opened by ReadInfoFile, checking every one: each channel
    // with a sample buffer gets its GetNrItems() samples there, every other channel in its own
    // array. FALSE without a successful ReadInfoFile, when a buffer is smaller than
    // GetNrItems(), or for bad data (then buffers may hold part of the samples and the
    // channels' own arrays are empty).
    BOOL ReadDataFile();

    // After a read: 0 for an ".mdx" file, -1 for a text file (a format that cannot be
    // written). 0 before any read.
    int GetSaveVersion() const { return m_saveVersion; }

    CString GetLastError() const { return m_lastError; }
    int GetLastErrorNumber() const { return m_lastErrorNumber; }

private:
    BOOL Fail(int number, const CString& text);
    void ClearError();

    std::vector<std::unique_ptr<CExImPortChannel>> m_channels;
    int m_items = 0;
    int m_saveVersion = 0;
    bool m_dataRead = false;    // a successful ReadInfoFile
    bool m_lookOnly = false;    // see LookOnly
    bool m_mdxOpened = false;   // of an ".mdx" file, whose samples ReadDataFile reads
    std::string m_path;
    Writer m_writer;                // see SetWriter
    bool m_hasMark = false;         // the file read carries a writer's mark
    CString m_markDocument;
    CString m_markElement;
    unsigned long long m_markChecksum = 0;
    bool m_asWritten = false;       // see HoldsValuesAsWritten
    int m_lastErrorNumber = errNone;
    CString m_lastError;
};
