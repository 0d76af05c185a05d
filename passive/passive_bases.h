// The two intermediate bases of the passive elements with a characteristic: one for the
// resistor and the conductance, one for the capacitor and the inductor. They keep what an
// element carries from one edit to the next (form and characteristic flags, the embedded
// characteristic tables and their labels, the list of parameters the chosen form writes)
// and copy, destroy and archive it. The derived wizards add the page and everything the
// editor drives.
#pragma once

#include "afx/afx.h"
#include "framework/byte_cursor.h"
#include "framework/requests.h"
#include "framework/xy_table.h"
#include "framework/sheet_serialize.h"
#include "wizard/wizardbase.h"

class CCopaObjectCompare;
class CPropPassiveResAndCon;
class CPropPassiveCapAndInd;

// Bits of the mode word beside the element form.
constexpr DWORD kModeFileReference = 0x4000;  // the active table is a File Reference ("CH_STRG", no data file)
constexpr DWORD kModeUserFile = 0x8000;       // the user chose the data file: keep its name
constexpr DWORD kModeFlagBits = kModeFileReference | kModeUserFile;

// The element form of a mode word: the word without the two flag bits.
constexpr DWORD PassiveFormOf(DWORD modeWord) { return modeWord & ~kModeFlagBits; }

// Archived snapshot lists are refused beyond this many entries.
constexpr DWORD kMaxArchivedSnapshots = 10000;

namespace qv::passive {
// Owned snapshot lists: deletes every entry and empties the list.
void DeleteSnapshots(CPtrArray& list);
// Empties `to` and appends a copy of every entry of `from` (nothing for a null list).
void CopySnapshots(CPtrArray& to, const CPtrArray* from);
// Writes the count and every snapshot by its own Serialize.
void StoreSnapshots(CArchive& ar, const CPtrArray& list);
// Appends `count` snapshots, each read by its own Serialize; a snapshot that cannot be read
// is deleted and the archive exception travels on (those read before it stay in the list).
void ReadSnapshots(CArchive& ar, DWORD count, CPtrArray& list);
// Empties the list, then reads a count and that many snapshots. A count above
// kMaxArchivedSnapshots is refused (bad index) before anything is read; a snapshot that
// cannot be read is deleted and the archive exception travels on.
void LoadSnapshots(CArchive& ar, CPtrArray& list);
// Older element data: a block of `count` archived snapshots, `blockLength` bytes at the
// reader's position (the caller has checked that they fit), appended to `list`; the reader
// moves past the block. A count above kMaxArchivedSnapshots, or one the block's bytes could
// not hold, reads none; a snapshot that cannot be read ends the reading and keeps those
// before it.
void ReadSnapshotBlock(qv::bytes::Reader& in, DWORD count, DWORD blockLength, CPtrArray& list);

// Before a model text quotes a characteristic that is kept as a data file: unless the user
// chose the file, the file parameter `fileID` is named after the document and committed;
// the data file then goes into the folder of the description file, or into the temporary
// folder when that has no path. The caller writes the table's points afterwards.
void PrepareCharacteristicDataFile(const RequestTarget& target, DWORD_PTR cookie, ParamHolder* holder,
                                   const CWizardBaseCommon* wizard, WORD fileID, bool userFile, CFile* file);
} // namespace qv::passive

class CPassiveResAndConWizardBase4 : public CWizardBase4 {
    DECLARE_DYNAMIC(CPassiveResAndConWizardBase4)
public:
    CPassiveResAndConWizardBase4();
    // The copy used by Clone; a null source gives the defaults.
    explicit CPassiveResAndConWizardBase4(const CPassiveResAndConWizardBase4* other);
    ~CPassiveResAndConWizardBase4() override;

    int GetWizardKind() override;
    CWizardBase4* Clone() override = 0;
    // Only sheet version 4 carries wizard data.
    PARVEL_SHEET_SERIALIZE

    // Page state on apply: flags, labels and a copy of the page's snapshot list (none for null).
    void StoreModeAndCompareList(DWORD lookUp, DWORD modeWord, CString xAxisLabel, CString yAxisLabel,
                                 const CPtrArray* snapshots);
    void SetXSecondText(CString text) { m_strXSecondText = text; }
    void SetYSecondText(CString text) { m_strYSecondText = text; }

    WORD GetSchema() const { return m_wSchema; }
    DWORD GetModeWord() const { return m_dwModeWord; }
    DWORD GetLookUpFlag() const { return m_dwLookUp; }
    const CString& GetXAxisLabel() const { return m_strXAxisLabel; }
    const CString& GetYAxisLabel() const { return m_strYAxisLabel; }
    const CString& GetXSecondText() const { return m_strXSecondText; }
    const CString& GetYSecondText() const { return m_strYSecondText; }
    const CPtrArray& GetSnapshots() const { return m_Snapshots; }
    // The model-text writer renames snapshots whose parameter is on a pin.
    CPtrArray& GetSnapshots() { return m_Snapshots; }
    CPropCharacteristicXYTable& GetCharacteristic() { return m_Characteristic; }

protected:
    // The page of the two wizards hands its mode word over after a conversion.
    friend class CPropPassiveResAndCon;

    WORD m_wSchema = 0;
    DWORD m_dwModeWord = 0;
    DWORD m_dwLookUp = 1;
    CPropCharacteristicXYTable m_Characteristic;
    CPtrArray m_Snapshots;  // CCopaObjectCompare*, owned, in writing order
    CString m_strXAxisLabel;
    CString m_strYAxisLabel;
    CString m_strXSecondText;
    CString m_strYSecondText;
};

class CPassiveCapAndIndWizardBase4 : public CWizardBase4 {
    DECLARE_DYNAMIC(CPassiveCapAndIndWizardBase4)
public:
    CPassiveCapAndIndWizardBase4();
    // The copy used by Clone; a null source gives the defaults. The table-2 texts are not
    // copied.
    explicit CPassiveCapAndIndWizardBase4(const CPassiveCapAndIndWizardBase4* other);
    ~CPassiveCapAndIndWizardBase4() override;

    int GetWizardKind() override;
    CWizardBase4* Clone() override = 0;
    PARVEL_SHEET_SERIALIZE

    WORD GetSchema() const { return m_wSchema; }
    DWORD GetModeWord() const { return m_dwModeWord; }
    DWORD GetLookUpFlag1() const { return m_dwLookUp1; }
    DWORD GetLookUpFlag2() const { return m_dwLookUp2; }
    const CPtrArray& GetSnapshots() const { return m_Snapshots; }
    // Texts of table 1 or 2 (1-based): x-axis label, y-axis label, x second text, y second text.
    const CString& GetTableText(int table, int index) const;
    CPropCharacteristicXYTable& GetCharacteristic1() { return m_Characteristic1; }
    CPropCharacteristicXYTable& GetCharacteristic2() { return m_Characteristic2; }

    // Page state on apply: both kinds, the mode word, the two labels of each table and a copy
    // of the page's snapshot list (none for null).
    void StoreModeAndCompareList(DWORD kind1, DWORD kind2, DWORD modeWord, CString xAxisLabel1, CString yAxisLabel1,
                                 CString xAxisLabel2, CString yAxisLabel2, const CPtrArray* snapshots);
    void SetXSecondText1(CString text) { m_strTexts1[2] = text; }
    void SetYSecondText1(CString text) { m_strTexts1[3] = text; }
    void SetXSecondText2(CString text) { m_strTexts2[2] = text; }
    void SetYSecondText2(CString text) { m_strTexts2[3] = text; }

protected:
    // The page hands its mode word over after a conversion.
    friend class CPropPassiveCapAndInd;

    WORD m_wSchema = 0;
    DWORD m_dwModeWord = 0;
    DWORD m_dwLookUp1 = 1;
    DWORD m_dwLookUp2 = 1;
    CPropCharacteristicXYTable m_Characteristic1;
    CPtrArray m_Snapshots;  // CCopaObjectCompare*, owned
    CString m_strTexts1[4];  // x-axis label, y-axis label, x second text, y second text of table 1
    CString m_strTexts2[4];  // the same of table 2; not archived
    CPropCharacteristicXYTable m_Characteristic2;
};
