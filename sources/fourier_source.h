// Fourier source (wizard ID 85): a voltage or current source whose output is a sum of
// harmonics, each a frequency, an amplitude and a phase. The wizard keeps the harmonics table
// and settings; its page (dialog 2582) edits them in the harmonics table and keeps the table
// in a data file of three channels when the user names one.
//
// Parameters the element expects:
//
// | Value ID | Name   | Role                                                            |
// |----------|--------|-----------------------------------------------------------------|
// | 2117     | "FILE" | the data file of the table, written at description time          |
// | 1001     | "I_SRC"| ExtType bit 0x20000 set: current source                          |
// | 1002     | "V_SRC"| ExtType bit 0x20000 set: voltage source                          |
// | 2018     | voltage| default output "Voltage" ("SDB")                                 |
// | 2019     | current| default output "Current" ("SDB")                                 |
//
// The model text carries "@TYPE", which becomes "V_Src" or "I_Src" (no blank after it).
#pragma once

#include "afx/afxwin.h"
#include "framework/page_table_file.h"
#include "framework/element_page.h"
#include "framework/page_overrides.h"
#include "framework/page_wizard.h"
#include "framework/sheet_serialize.h"
#include "sources/fourier_harmonics.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_edits.h"
#include "toolkit/tb_page.h"
#include "wizard/wizardbase.h"
#include "framework/sheet_serialize.h"

#include <vector>

namespace qv::sources {
constexpr WORD kIdTableFile = 2117;
constexpr WORD kIdCurrentMark = 1001;
constexpr WORD kIdVoltageMark = 1002;
constexpr UINT kFourierTemplate = 2582;

// The three columns (frequency, amplitude, phase) as CArray<double, double> pointers.
void FreeTable(CPtrArray& table);
// Deep copies of the given columns (none for a null table).
void CopyTable(CPtrArray& to, const CPtrArray* from);
// The rows a table holds: the shortest column's length; -1 unless it has exactly three columns.
int TableRows(const CPtrArray& table);
// Three columns of the given rows.
void SetTableRows(CPtrArray& table, const std::vector<double>& frequency, const std::vector<double>& amplitude,
                  const std::vector<double>& phase);
} // namespace qv::sources

// The texts and numbers the wizard and its page exchange.
struct FourierSettings {
    int sourceType = 0;
    CString names[3] = {"f", "Amplitude", "Phase"};
    CString units[3] = {"Hz", "", "rad"};
};

// What the wizard keeps between edits and its page works on: the settings, the table of
// harmonics (owned; a new state holds the default rows) and the choices of the harmonics.
class CFourierHarmonicState {
public:
    CFourierHarmonicState();
    CFourierHarmonicState(const CFourierHarmonicState&) = delete;
    CFourierHarmonicState& operator=(const CFourierHarmonicState&) = delete;
    ~CFourierHarmonicState();

    void SetTableData(const FourierSettings& settings, const CPtrArray* table);
    void SetHarmonicSettings(const CString& fundamental, const CString& number, int mode, BOOL phaseAutomatic,
                             BOOL useFileName);
    // All of `other`'s state, with a copy of its table.
    void CopyStateFrom(const CFourierHarmonicState& other);

    const FourierSettings& GetSettings() const { return m_settings; }
    int GetSourceType() const { return m_settings.sourceType; }
    const CPtrArray& GetTable() const { return m_Table; }
    int GetHarmonicsMode() const { return m_nHarmonicsMode; }
    BOOL GetPhaseAutomatic() const { return m_bPhaseAutomatic; }
    BOOL GetUseFileName() const { return m_bUseFileName; }
    const CString& GetFundamental() const { return m_strFundamental; }
    const CString& GetNumber() const { return m_strNumber; }

protected:
    FourierSettings m_settings;
    CPtrArray m_Table;  // three CArray<double, double>*, owned
    int m_nHarmonicsMode = qv::sources::kHarmonicsAll;
    BOOL m_bPhaseAutomatic = TRUE;
    BOOL m_bUseFileName = FALSE;
    CString m_strFundamental = "50";
    CString m_strNumber = "1";
};

class CFourierSourceWizard4;

class CPropFourierSource : public TElementPage<CFourierSourceWizard4>, public CFourierHarmonicState {
    DECLARE_SERIAL(CPropFourierSource)
public:
    PARVEL_ELEMENT_PAGE_CONSTRUCTORS(CPropFourierSource, CFourierSourceWizard4)

    // Page block of older data (read only): DWORD version, DWORD harmonics mode, DWORD phase
    // automatic, DWORD file flag, CString fundamental, CString number, DWORD n and n rows of
    // three doubles (frequency, amplitude, phase).
    PARVEL_PAGE_OVERRIDES
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;

    // The source type from the marks of 1001 and 1002 (mending a mark that disagrees); with
    // storeToWizard 1 the table and settings go to the wizard.
    void ReadSourceType(int storeToWizard);
    // While no file name of the user's is used, names the document's file for the harmonics in
    // the file field and parameter, as OK does.
    void NameDocumentFile();
    // The marks of 1001 and 1002 from the combo box's selection.
    void WriteSourceTypeBits();
    void ConvertWizard3Data(const void* data, long length);

    // Data files: the table from a file of three channels, each row placed by its frequency
    // (PlaceHarmonics), the export, and the split of the file name into a known directory and
    // a bare name.
    BOOL ReadDataFile(CString path);
    BOOL WriteMdxFile(CString fileName, int format);
    void ResolveDataFileDir();

    CFourierListCtrl& List() { return m_lstHarmonics; }
    const CString& GetFileName() const { return m_strFileName; }
    const CString& GetDataDir() const { return m_strDataDir; }
    int GetFileFormat() const { return m_nFileFormat; }

protected:
    void FillListFromTable();
    void TakeTableFromList();
    void UpdateHarmonicsControls();
    void HandOver();
    void EnableFileControls();
    void SetSymbolMask();
    // Gives the element the symbol variant of the source type (1 << type); a type out of range
    // keeps the variant.
    void ShowSourceTypeInSymbol();
    void ShowMessage(const CString& text);

    void OnUseFileName();
    void OnFieldChanged();
    void OnListItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
    void OnOutputCurrent();
    void OnOutputVoltage();
    void OnPhaseAutomatic();
    void OnFileNameChanged();
    void OnFundamentalDone();
    void OnNumberDone();
    void OnHarmonicsMode(UINT id);
    void OnSelchangeSourceType();
    void OnBrowseRead();
    void OnBrowseWrite();
    LRESULT OnCellEdited(WPARAM wParam, LPARAM lParam);
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    void OnPaint();
    DECLARE_MESSAGE_MAP()

    CString m_strDataDir;
    // The files the table was read from, refused, named or written, for the question before
    // a write replaces a file.
    qv::files::DataFileKnowledge m_known;
    CTBBrowseEdit m_edtFile;
    CFourierListCtrl m_lstHarmonics;
    CComboBox m_cmbSourceType;
    BOOL m_bShowName = FALSE;
    BOOL m_bOutputCurrent = FALSE;
    BOOL m_bOutputVoltage = FALSE;
    CString m_strFileName;
    CString m_strName;
    CString m_strNamedFor;  // the element's name when the page took it or last applied
    int m_nFileFormat = 0;
};

class CFourierSourceWizard4 : public qv::wizards::TPageWizard4<CPropFourierSource, CFourierSourceWizard4>,
                              public CFourierHarmonicState {
    DECLARE_DYNAMIC(CFourierSourceWizard4)
public:
    CFourierSourceWizard4();
    explicit CFourierSourceWizard4(const CFourierSourceWizard4* other);

    int GetWizardKind() override;
    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    BOOL Initialize(int argument) override;
    // Sheet version 4: WORD schema 0, DWORD source type, six CStrings (names and units of
    // frequency, amplitude, phase), DWORD n (-1: no table of three columns), n rows of three
    // doubles, CStrings fundamental and number, DWORDs harmonics mode, phase automatic, file
    // flag. A row count below -1 or above the table limit is refused as bad data.
    PARVEL_SHEET_SERIALIZE
    BOOL DoConvertWizard3Data(const void* data, long length) override;

    WORD GetSchema() const { return m_wSchema; }

    // Editing looks for data files in the search folders; a page of an earlier call gives its
    // cookie back and goes; the new page starts from the wizard's table and settings.
    static constexpr bool kReplaceEarlierPage = true;
    void PrepareEditing();
    void GiveSettingsToPage(CPropFourierSource& page);

private:
    WORD m_wSchema = 0;
};
