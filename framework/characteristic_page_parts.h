// What the pages of elements with a characteristic table (resistor and conductance, capacitor
// and inductor, the nonlinear transformer, the controlled sources) do alike with that table:
// reach it through the wizard, read the mode flags it sets, load a characteristic block of
// older data into it, mark which of the characteristic's parameters the form leaves unused,
// and read the element data of the older wizard generation.
#pragma once

#include "afx/afx.h"
#include "framework/string_ids.h"
#include "framework/xy_table.h"
#include "wizard/paramholder.h"

#include <functional>
#include <vector>

namespace qv::characteristic {

using namespace qv::strings;

// The wizard's table `get` with the wizard recorded as its owner; null without a wizard.
template <class Wizard, class Holder>
CPropCharacteristicXYTable* OwnedTable(Wizard* wizard, CPropCharacteristicXYTable& (Holder::*get)()) {
    if (wizard == nullptr) return nullptr;
    CPropCharacteristicXYTable& table = (wizard->*get)();
    table.SetOwnerWizard(wizard);
    return &table;
}

// The mode-word flags the table sets: kModeUserFile for a user's data file, kModeFileReference
// for a File Reference; 0 without a table.
DWORD TableModeFlags(CPropCharacteristicXYTable* table);

// The table reads a characteristic block of older data (an empty block gives it no data) and the
// block is freed. Without a table, or for a block too large for the table's length, nothing
// happens and false is returned: the block stays.
bool LoadBlockIntoTable(CPropCharacteristicXYTable* table, std::vector<BYTE>& block);

// Value IDs of a characteristic's three parameters: the reference (or pin), the data file of a
// Data Pairs table and the variable of a File Reference table.
struct CharacteristicParamIDs {
    WORD reference;
    WORD file;
    WORD variable;
};

// Sets (TRUE) or clears the "unused" mark (ExtType bit 0x20000) of each of the three parameters.
void MarkCharacteristicParams(ParamHolder* params, const CharacteristicParamIDs& ids, BOOL reference, BOOL file,
                              BOOL variable);
// The marks for a characteristic of `kind`: 0 (a reference, or on a pin) uses the reference only;
// a table uses its data file, or its variable when `modeWord` has kModeFileReference.
void MarkCharacteristicParamsForKind(ParamHolder* params, const CharacteristicParamIDs& ids, DWORD kind,
                                     DWORD modeWord);

// OK's rule for a characteristic the element's form uses (its parameters not marked unused
// nor on a pin): the model text's characteristic must have a value. A reference or file
// reference left blank gets "Invalid value!", a table of data pairs without a row (its data
// file would hold no value) "Error : No data available"; the box is not shown on a page
// without a parent (made hidden to initialise or convert an element). Call it once the
// page has written its values into the set and before it commits; FALSE when it refuses.
// `table` is the table of the characteristic in use, or null; an ID of 0 names no parameter
// (a characteristic given only by a table has no reference).
BOOL RefuseCharacteristicWithoutValue(CWnd& page, const ParamHolder* params, const CharacteristicParamIDs& ids,
                                      const CPropCharacteristicXYTable* table);
// The same rule for a page that marks no parameter unused, from its own state: `onPin` the
// characteristic is fed by a pin; else `kind` 0 uses `reference`, a table of `table`'s kind its
// variable (a file reference) or its rows (data pairs).
BOOL RefuseCharacteristicWithoutValue(CWnd& page, bool onPin, DWORD kind, const CString& reference,
                                      const CString& variable, const CPropCharacteristicXYTable* table);

// When the block of archived snapshots in older element data is read.
enum class SnapshotBlockRule {
    kWhenNotEmpty,     // any block with at least one byte
    kWhenBytesFollow,  // a block with at least one byte after it
    kWhenCountFits,    // a block no shorter than its count of snapshots
};

// What a page does with the parts of an element's data of the older wizard generation.
struct OlderDataSteps {
    CPtrArray& snapshots;  // the page's list; the archived snapshots are appended to it
    SnapshotBlockRule snapshotRule;
    std::function<void(DWORD mode)> takeMode;
    std::function<void(CArchive& ar)> readPage;  // the page's own archive block
    // The characteristic's block; false when the page reads no point block after it.
    std::function<bool(const BYTE* bytes, size_t length)> takeCharacteristic;
    std::function<void(const BYTE* bytes, size_t length)> readPoints;
};

// Element data of the older wizard generation, all numbers little-endian DWORDs:
//   mode word, snapshot count, snapshot block length S, S bytes of archived snapshots,
//   page block length P, P bytes of the page's own archive block,
//   characteristic block length C, C bytes of the characteristic's archive image,
//   point block length D, D bytes of points and four texts.
// Every part may be missing from the end on. Only whole fields are read and every length is
// checked against what remains; a part that does not fit ends the reading, and what was read
// before it is kept. A snapshot count above kMaxArchivedSnapshots reads no snapshots.
void ReadOlderElementData(const void* data, size_t size, const OlderDataSteps& steps);

// The four texts of a point block (table_writers.h); its points are dropped, since the
// characteristic comes from its own block. False when the block is malformed.
bool ReadPointBlockTexts(const BYTE** cursor, size_t* remaining, CString* x, CString* y, CString* xSecond,
                         CString* ySecond);

// The page record such a page keeps in older data: its class record, the page version
// (g_dwPageVersion when storing), the characteristic's kind and, from version 4 on, the flag
// that the parameters have the current layout (0, to be converted, when the record has none). A
// record that does not start with the class reference is read from its start as schema 0.
void SerializeKindAndConvertedFlag(CArchive& ar, CRuntimeClass* pageClass, DWORD& kind, DWORD& converted);

} // namespace qv::characteristic
