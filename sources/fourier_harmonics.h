// The harmonics table of the Fourier source's page: one row per harmonic with its number,
// frequency, amplitude (also in percent of the fundamental's) and phase (also in degrees).
// Every row keeps a record of numbers that is the authority for the row; the cell texts are
// formatted from it. The table derives the frequencies from a fundamental frequency and a
// harmonics mode, grows and shrinks to a requested number of harmonics (keeping removed rows
// for a later regrowth) and takes the user's in-place edits into the records.
#pragma once

#include "afx/afxwin.h"
#include "toolkit/tb_edit_list.h"

#include <deque>
#include <vector>

namespace qv::sources {
// Harmonics modes: which multiples of the fundamental rows 2, 3, ... carry.
constexpr int kHarmonicsAll = 1;
constexpr int kHarmonicsEven = 2;
constexpr int kHarmonicsOdd = 3;
// The most harmonics a table holds (plus the constant row).
constexpr int kMaxHarmonics = 1000;
// The most rows a harmonics table holds (stored, read from a file).
constexpr int kMaxTableRows = 10001;

// The harmonic number of row i: rows 0 and 1 are 0 and 1; from row 2 on i (all), 2i - 2
// (even), 2i - 1 (odd), and i for any other mode.
int HarmonicNumber(int mode, int row);
// Whether a fundamental frequency gives every one of `rows` rows a frequency: above 0, and the
// last row's multiple of it finite.
bool FundamentalFits(double fundamental, int mode, int rows);

// An imported table laid out as the harmonics table holds it: row i is harmonic
// HarmonicNumber(mode, i) of the fundamental.
struct PlacedHarmonics {
    double fundamental = 0.0;
    int mode = kHarmonicsAll;
    std::vector<double> frequency, amplitude, phase;
};
// Places the rows of a file by their frequencies. The fundamental is the lowest frequency above
// 0 (`fundamental` when there is none); each row's harmonic number is its frequency divided by
// it. The mode is `mode` when every number fits it, else odd, even or all, the first that fits;
// a harmonic the file lacks gets a row of amplitude 0. False for a file whose frequencies are
// not harmonics of one fundamental (a negative or non-finite one, a fraction, two rows of one
// harmonic) or that needs more than kMaxTableRows rows.
bool PlaceHarmonics(const std::vector<double>& frequency, const std::vector<double>& amplitude,
                    const std::vector<double>& phase, int mode, double fundamental, PlacedHarmonics* placed);
} // namespace qv::sources

struct HarmonicRecord {
    int number = 0;
    double frequency = 0.0;  // Hz
    double amplitude = 0.0;
    int flag = 1;
    double phase = 0.0;  // rad
};

class CFourierListCtrl : public CTBEditListCtrl {
public:
    enum Column { kColNumber = 0, kColFrequency, kColAmplitude, kColPercent, kColPhase, kColDegrees };

    CFourierListCtrl();
    ~CFourierListCtrl() override;

    // Keeps the owner page (told of every change) and inserts the columns.
    void Init(CPropertyPage* owner);
    // Appends a row with a new record.
    void AddRow(int number, double frequency, double amplitude, double phase);
    // Removes every row and its record (the kept and removed rows stay).
    void RemoveAllRows();

    // A fundamental that reads above 0 and differs from the present one moves every
    // frequency; anything else changes nothing.
    void SetFundamental(const CString& text);
    void UpdateFrequencies(double fundamental);
    // n = 0 changes nothing; n below 0 or above 1000 is taken as 1000 (and text becomes
    // "1000"). The table gets n + 1 rows; removed rows come back with their amplitude and
    // phase and a new frequency.
    void SetNumberOfHarmonics(CString& text);
    void AppendRows(int count);
    void SetHarmonicsMode(int mode);
    void RenumberRows();
    void SetPhaseAutomatic(BOOL automatic);
    void UpdatePhaseColumns();

    void SetFundamentalText(const CString& text) { m_strFundamental = text; }
    void SetNumberText(const CString& text) { m_strNumber = text; }
    void SetFileName(const CString& text) { m_strFileName = text; }
    // The quantity and unit of the amplitude column ("Voltage", "V" for a voltage source).
    void SetAmplitudeUnit(const char* quantity, const char* unit) {
        m_strAmplitudeQuantity = quantity;
        m_strAmplitudeUnit = unit;
    }
    CString GetFundamentalText() const { return m_strFundamental; }
    CString GetNumberText() const { return m_strNumber; }
    const CString& GetFileName() const { return m_strFileName; }
    int GetHarmonicsMode() const { return m_nMode; }
    BOOL GetPhaseAutomatic() const { return m_bPhaseAutomatic; }
    BOOL IsModified() const { return m_bModified; }
    void SetHarmonicsModeValue(int mode) { m_nMode = mode; }
    void SetPhaseAutomaticValue(BOOL automatic) { m_bPhaseAutomatic = automatic; }

    // The record of a row (null when none).
    const HarmonicRecord* RowRecord(int row) const;
    int RemovedRowCount() const { return static_cast<int>(m_Removed.size()); }

    // Writes the percent cell of every row from its record.
    void WritePercentCells();
    CString FormatAmplitude(double amplitude) const;
    CString FormatAmplitudePercent(double amplitude) const;
    static CString FormatPhase(double phase);
    static CString FormatPhaseDegrees(double phase);

    // The end of an in-place edit (the owner forwards the list's cell notification): the row
    // in the low word and the column in the high word of lParam.
    LRESULT OnEndEdit(WPARAM wParam, LPARAM lParam);

protected:
    HarmonicRecord* Record(int row) const;
    double FundamentalValue() const;
    void WritePhaseCells(int row, int type);
    void MarkModified();
    int ColumnCount();
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

    CPropertyPage* m_pOwner = nullptr;
    std::deque<HarmonicRecord*> m_Kept;
    std::deque<HarmonicRecord*> m_Removed;  // first = lowest former row
    BOOL m_bModified = FALSE;
    CString m_strFundamental;
    CString m_strNumber;
    int m_nMode = qv::sources::kHarmonicsAll;
    BOOL m_bPhaseAutomatic = TRUE;
    CString m_strFileName;
    CString m_strAmplitudeQuantity = "Voltage";
    CString m_strAmplitudeUnit = "V";
};
