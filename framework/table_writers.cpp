#include "framework/table_writers.h"

#include <algorithm>
#include <vector>

#include "afx/afxwin.h"
#include "framework/byte_cursor.h"
#include "framework/data_classes.h"
#include "framework/data_file_identity.h"
#include "framework/data_file_places.h"
#include "framework/data_file_target.h"
#include "framework/param_access.h"
#include "framework/path_parts.h"
#include "framework/requests.h"
#include "toolkit/read_write_files.h"
#include "win32/win32.h"
#include "wizard/wizardbase.h"

namespace {

// The folder for a file name without one: the document directory, else the first
// non-empty search directory, else the model-output directory.
CString FallbackFolder() {
    if (!g_DocumentDir.IsEmpty()) return g_DocumentDir;
    for (int i = 0; i < g_CharacteristicSearchDirs.GetSize(); ++i)
        if (!g_CharacteristicSearchDirs.GetAt(i).IsEmpty()) return g_CharacteristicSearchDirs.GetAt(i);
    return g_ModelOutputDir;
}

// The path a table is written to, or FALSE when there is no folder to put it in or the
// name is empty or holds "*". A bare name lies in the fallback folder, and so does a relative
// folder; an absolute path stays. A written table is always an ".mdx" file.
BOOL ResolveTablePath(const CString& requested, CString& resolved) {
    const PathParts parts = SplitPath(requested);
    if (parts.name.IsEmpty() || parts.name.Find('*') >= 0) return FALSE;
    const bool absolute = !parts.dir.IsEmpty() && IsPathSeparator(parts.dir[0]);
    const CString folder = absolute ? CString() : FallbackFolder();
    if (!absolute && folder.IsEmpty()) return FALSE;
    resolved = WritableDataFilePath(requested, folder);
    return TRUE;
}

// The name a model text gives the file at `path`: the bare name when it lies in the fallback
// folder (where a bare name is looked for), else the whole path.
CString NameInModelText(const CString& path) {
    CString folder = FallbackFolder();
    if (!folder.IsEmpty() && !EndsWithSeparator(folder)) folder += '/';
    const PathParts parts = SplitPath(path);
    return !folder.IsEmpty() && LexicallyNormalPath(parts.dir.str()) == LexicallyNormalPath(folder.str())
               ? parts.name + parts.ext
               : path;
}

struct Channel {
    CString textA;
    CString textB;
    std::vector<double> values;
};

BOOL WriteChannels(const CString& requested, const std::vector<Channel>& channels, size_t items) {
    CString path;
    if (!ResolveTablePath(requested, path)) return 0;
    if (items > 0x7FFFFFFF) return 0;
    CReadAndWriteFiles file;
    file.SetNrChannels(static_cast<int>(channels.size()));
    file.SetNrItems(static_cast<int>(items));
    for (size_t i = 0; i < channels.size(); ++i) {
        const double* data = channels[i].values.empty() ? nullptr : channels[i].values.data();
        file.InsertChannel(static_cast<int>(i), data, channels[i].textA, channels[i].textB);
    }
    // The system writes its tables in the data-file format of index 0 (".mdx").
    if (!file.WriteFile(path, "", CReadAndWriteFiles::kFormatMdx, nullptr, nullptr, 0, 0)) {
        AfxMessageBox(file.GetLastError(), MB_OK, 0);
        return 0;
    }
    return 1;
}

bool AllEntriesPresent(const CPtrArray* points) {
    for (int i = 0; i < points->GetSize(); ++i)
        if (points->GetAt(i) == nullptr) return false;
    return true;
}

// The name a table is written under: as given without surrounding blanks, an empty one being
// the element's default name ("<document>__<element>.mdx"), and a wildcard replaced as the
// pages replace it ("*.mdx" of M1 is "M1.mdx"), so that a name kept with a wildcard names the
// file the pages would write.
CString RequestedTableName(CString given, const CWizardBaseCommon* wizard) {
    given.Trim();
    return given.IsEmpty() ? MakeDocumentFileName(wizard, "") : ReplaceDataFileWildcards(given, ComponentNameOf(wizard));
}

// Runs a writer on the path held by the parameter and reports a failure to the editor. The
// parameter then holds the name of the file as written, so that the model text names exactly
// that file.
template <class Write>
void WriteToParamFile(ParamHolder* holder, const CWizardBaseCommon* wizard, WORD valueID, Write write) {
    BuildCharacteristicSearchDirs(wizard);
    CWizardCopaObject3* param = FindParamByValueID(holder, valueID);
    const CString requested = param ? RequestedTableName(param->GetValue(), wizard) : CString();
    CString path;
    if (param != nullptr && ResolveTablePath(requested, path) && write(path)) {
        SetParamValue(holder, valueID, NameInModelText(path));
        return;
    }
    ReportWriteError(RequestTarget(wizard), path.IsEmpty() ? requested : path);
}

} // namespace

bool TablesHaveFilesOfTheirOwn(const CWizardBaseCommon* wizard, const CString& firstTable, const CString& first,
                               const CString& secondTable, const CString& second) {
    BuildCharacteristicSearchDirs(wizard);
    CString firstPath;
    CString secondPath;
    if (!ResolveTablePath(RequestedTableName(first, wizard), firstPath) ||
        !ResolveTablePath(RequestedTableName(second, wizard), secondPath) ||
        !SameDataFile(qv::DiskPath(firstPath), qv::DiskPath(secondPath)))
        return true;
    ReportErrorText(RequestTarget(wizard), qv::files::TablesShareFileText(firstTable, secondTable, firstPath));
    return false;
}

namespace {

// A point block: n, n points of `doubles` values each, then up to `texts` texts. Parsed
// completely before anything is changed.
struct PointBlock {
    std::vector<double> values;
    std::vector<CString> texts;
    DWORD count = 0;
    bool hasPoints = false;
};

bool ParsePointBlock(qv::bytes::Reader& in, int doubles, int texts, PointBlock& block) {
    if (!in.ReadDword(block.count)) return true;
    if (in.Remaining() == 0) return true;
    const uint64_t pointBytes = static_cast<uint64_t>(block.count) * static_cast<uint64_t>(doubles) * 8;
    if (!in.Fits(pointBytes)) return false;
    block.hasPoints = true;
    block.values.resize(static_cast<size_t>(block.count) * static_cast<size_t>(doubles));
    for (double& v : block.values) in.ReadDouble(v);
    for (int t = 0; t < texts && in.Remaining() > 0; ++t) {
        CString text;
        if (!in.ReadText(text)) return false;
        block.texts.push_back(text);
    }
    return true;
}

// Reads a point block of `Doubles` values per point and as many texts as `outs` names: the
// block is parsed whole first, so a malformed one changes nothing (list, texts, cursor) and
// gives 0. Otherwise the list's old points are deleted and replaced by the ones `make` builds
// from each point's values (only when the block holds points), the texts that are present are
// stored where `outs` points, and the cursor moves past what was read.
template <class Point, int Doubles, size_t Texts, class Make>
BOOL ReadPointBlock(const BYTE** cursor, size_t* remaining, CPtrArray* points, CString* const (&outs)[Texts],
                    Make make) {
    if (cursor == nullptr || *cursor == nullptr || remaining == nullptr || points == nullptr) return 0;
    qv::bytes::Reader in(*cursor, *remaining);
    PointBlock block;
    if (!ParsePointBlock(in, Doubles, static_cast<int>(Texts), block)) return 0;
    if (block.hasPoints) {
        for (int i = points->GetSize() - 1; i >= 0; --i) delete static_cast<Point*>(points->GetAt(i));
        points->RemoveAll();
        for (size_t i = 0; i < block.count; ++i) points->Add(make(&block.values[Doubles * i]));
    }
    for (size_t t = 0; t < block.texts.size(); ++t)
        if (outs[t] != nullptr) *outs[t] = block.texts[t];
    *cursor = in.Position();
    *remaining = in.Remaining();
    return 1;
}

} // namespace

BOOL WriteCharacteristicMdx(CString path, const CPtrArray* points, CString textA0, CString textA1, CString textB0,
                            CString textB1) {
    // No list is an empty table: written (or refused by whoever watches the writes) as one.
    const CPtrArray none;
    if (points == nullptr) points = &none;
    if (!AllEntriesPresent(points)) return 0;
    std::vector<Channel> channels{{textA0, textB0, {}}, {textA1, textB1, {}}};
    for (int i = 0; i < points->GetSize(); ++i) {
        const CDataPoint* point = static_cast<const CDataPoint*>(points->GetAt(i));
        channels[0].values.push_back(point->x);
        channels[1].values.push_back(point->y);
    }
    return WriteChannels(path, channels, static_cast<size_t>(points->GetSize()));
}

BOOL WriteTableMdx3(CString path, const CPtrArray* columns, const CStringArray* textsA, const CStringArray* textsB) {
    if (columns == nullptr || textsA == nullptr || textsB == nullptr) return 0;
    if (columns->GetSize() != 3 || textsA->GetSize() != 3 || textsB->GetSize() != 3) return 0;
    std::vector<Channel> channels(3);
    size_t items = SIZE_MAX;
    for (int c = 0; c < 3; ++c) {
        const CDoubleColumn* column = static_cast<const CDoubleColumn*>(columns->GetAt(c));
        if (column == nullptr) return 0;
        items = std::min(items, static_cast<size_t>(column->GetSize()));
    }
    for (int c = 0; c < 3; ++c) {
        const CDoubleColumn* column = static_cast<const CDoubleColumn*>(columns->GetAt(c));
        const double* data = column->GetData();
        channels[c].values.assign(data, data + items);
        channels[c].textA = textsA->GetAt(c);
        channels[c].textB = textsB->GetAt(c);
    }
    return WriteChannels(path, channels, items);
}

BOOL WriteTableMdx3D(CString path, const CPtrArray* points, CString textAx, CString textAy, CString textAz,
                     CString textBx, CString textBy, CString textBz) {
    const CPtrArray none;
    if (points == nullptr) points = &none;
    if (!AllEntriesPresent(points)) return 0;
    // z goes before y.
    std::vector<Channel> channels{{textAx, textBx, {}}, {textAz, textBz, {}}, {textAy, textBy, {}}};
    for (int i = 0; i < points->GetSize(); ++i) {
        const C3DDataPoint* point = static_cast<const C3DDataPoint*>(points->GetAt(i));
        channels[0].values.push_back(point->x);
        channels[1].values.push_back(point->z);
        channels[2].values.push_back(point->y);
    }
    return WriteChannels(path, channels, static_cast<size_t>(points->GetSize()));
}

void WriteParamCharacteristicFile(ParamHolder* holder, const CWizardBaseCommon* wizard, WORD valueID,
                                  const CPtrArray* points, CString textA0, CString textA1, CString textB0,
                                  CString textB1) {
    WriteToParamFile(holder, wizard, valueID, [&](const CString& path) {
        return WriteCharacteristicMdx(path, points, textA0, textA1, textB0, textB1);
    });
}

void WriteParamTableFile3(ParamHolder* holder, const CWizardBaseCommon* wizard, WORD valueID, const CPtrArray* columns,
                          const CStringArray* textsA, const CStringArray* textsB) {
    WriteToParamFile(holder, wizard, valueID,
                     [&](const CString& path) { return WriteTableMdx3(path, columns, textsA, textsB); });
}

void WriteParamTableFile3D(ParamHolder* holder, const CWizardBaseCommon* wizard, WORD valueID, const CPtrArray* points,
                           CString textAx, CString textAy, CString textAz, CString textBx, CString textBy,
                           CString textBz) {
    WriteToParamFile(holder, wizard, valueID, [&](const CString& path) {
        return WriteTableMdx3D(path, points, textAx, textAy, textAz, textBx, textBy, textBz);
    });
}

BOOL ReadDataPointsFromBuffer(const BYTE** cursor, size_t* remaining, CPtrArray* points, CString* text1,
                              CString* text2, CString* text3, CString* text4) {
    return ReadPointBlock<CDataPoint, 2>(cursor, remaining, points, {text1, text2, text3, text4},
                                         [](const double* v) { return new CDataPoint(v[0], v[1]); });
}

BOOL Read3DDataPointsFromBuffer(const BYTE** cursor, size_t* remaining, CPtrArray* points, CString* text1,
                                CString* text2, CString* text3, CString* text4, CString* text5, CString* text6) {
    // Stored in the order x, z, y.
    return ReadPointBlock<C3DDataPoint, 3>(cursor, remaining, points, {text1, text2, text3, text4, text5, text6},
                                           [](const double* v) { return new C3DDataPoint(v[0], v[2], v[1]); });
}

size_t DataPoints3DBufferSize(const CPtrArray* points, const CString* texts6) {
    size_t size = 4 + (points ? static_cast<size_t>(points->GetSize()) * 24 : 0);
    for (int t = 0; t < 6; ++t) size += qv::bytes::TextSize(texts6 ? texts6[t] : CString());
    return size;
}

BOOL Write3DDataPointsToBuffer(BYTE** cursor, size_t* remaining, const CPtrArray* points, CString text1,
                               CString text2, CString text3, CString text4, CString text5, CString text6) {
    if (cursor == nullptr || *cursor == nullptr || remaining == nullptr || points == nullptr) return 0;
    if (!AllEntriesPresent(points)) return 0;
    const CString texts[6] = {text1, text2, text3, text4, text5, text6};
    if (DataPoints3DBufferSize(points, texts) > *remaining) return 0;
    qv::bytes::Writer out(*cursor, *remaining);
    out.WriteDword(static_cast<DWORD>(points->GetSize()));
    for (int i = 0; i < points->GetSize(); ++i) {
        const C3DDataPoint* point = static_cast<const C3DDataPoint*>(points->GetAt(i));
        out.WriteDouble(point->x);
        out.WriteDouble(point->z);
        out.WriteDouble(point->y);
    }
    for (const CString& text : texts) out.WriteText(text);
    *cursor = out.Position();
    *remaining = out.Remaining();
    return 1;
}

namespace {

// Skips the header of the older base's characteristic data: two DWORDs and three texts.
bool SkipWizardDataHeader(qv::bytes::Reader& in) {
    DWORD ignored = 0;
    CString text;
    return in.ReadDword(ignored) && in.ReadDword(ignored) && in.ReadText(text) && in.ReadText(text) &&
           in.ReadText(text);
}

// Reads the next characteristic (DWORD length L > 0, L-byte point block) and writes it to
// the file of the parameter; a failure is reported. Returns false when the data ends early
// or is malformed (then nothing was written).
bool WriteNextCharacteristic(qv::bytes::Reader& in, CWizardBase3* wizard, ParamHolder* holder, WORD valueID) {
    DWORD length = 0;
    if (!in.ReadDword(length) || length == 0 || !in.Fits(length)) return false;
    const BYTE* cursor = in.Position();
    size_t left = length;
    CPtrArray points;
    CString texts[4];
    const BOOL read = ReadDataPointsFromBuffer(&cursor, &left, &points, &texts[0], &texts[1], &texts[2], &texts[3]);
    in.SkipBytes(length);
    if (read) WriteParamCharacteristicFile(holder, wizard, valueID, &points, texts[0], texts[1], texts[2], texts[3]);
    for (int i = 0; i < points.GetSize(); ++i) delete static_cast<CDataPoint*>(points.GetAt(i));
    return read != 0;
}

} // namespace

void WriteCharacteristicFileFromWizardData(CWizardBase3* wizard, ParamHolder* holder, WORD valueID) {
    qv::bytes::Reader in = qv::bytes::AdditionalData(wizard);
    if (!SkipWizardDataHeader(in)) return;
    WriteNextCharacteristic(in, wizard, holder, valueID);
}

void WriteTwoCharacteristicFilesFromWizardData(CWizardBase3* wizard, ParamHolder* holder, WORD firstValueID,
                                               WORD secondValueID) {
    qv::bytes::Reader in = qv::bytes::AdditionalData(wizard);
    if (!SkipWizardDataHeader(in)) return;
    if (!WriteNextCharacteristic(in, wizard, holder, firstValueID)) return;
    WriteNextCharacteristic(in, wizard, holder, secondValueID);
}
