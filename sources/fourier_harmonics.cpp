#include "sources/fourier_harmonics.h"

#include "framework/module.h"
#include "framework/string_ids.h"
#include "toolkit/tb_numbers.h"

#include <cmath>

using namespace qv::sources;

namespace {

using namespace qv::strings;
constexpr UINT kHeaderFirst = 2762;  // 2762 to 2766: frequency, amplitude, percent, rad, degrees
constexpr double kDegreesPerRad = 57.29577951308232;
constexpr double kRadPerDegree = 0.017453292519943295;
constexpr int kTypeFixed = TB_EDIT_NONE;
constexpr int kTypeText = TB_EDIT_TEXT;
constexpr int kTypeNumber = TB_EDIT_NUMBER;

CString Number(double value) { return TBExtended_ftoa(value, -1, 0, ""); }

} // namespace

namespace qv::sources {

int HarmonicNumber(int mode, int row) {
    if (row <= 1) return row < 0 ? 0 : row;
    switch (mode) {
    case kHarmonicsEven: return 2 * row - 2;
    case kHarmonicsOdd: return 2 * row - 1;
    default: return row;
    }
}

} // namespace qv::sources

BEGIN_MESSAGE_MAP(CFourierListCtrl, CTBEditListCtrl)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CFourierListCtrl::CFourierListCtrl()
    : m_strFundamental(TBExtended_ftoa(50.0, -1, 0, "")), m_strNumber(TBExtended_itoa(1)) {}

CFourierListCtrl::~CFourierListCtrl() {
    if (GetSafeHwnd() != nullptr) {
        for (int row = 0; row < GetItemCount(); ++row) {
            delete Record(row);
            SetItemData(row, 0);
        }
    }
    for (HarmonicRecord* record : m_Kept) delete record;
    for (HarmonicRecord* record : m_Removed) delete record;
}

void CFourierListCtrl::Init(CPropertyPage* owner) {
    m_pOwner = owner;
    CResourceSwitch resources;
    InsertEditColumn(kColNumber, LoadLibraryString(kStrNumber), LVCFMT_LEFT, -1, -1);
    for (int column = kColFrequency; column <= kColDegrees; ++column)
        InsertEditColumn(column, LoadLibraryString(kHeaderFirst + column - kColFrequency), LVCFMT_LEFT, -1, -1);
}

HarmonicRecord* CFourierListCtrl::Record(int row) const {
    if (row < 0 || row >= GetItemCount()) return nullptr;
    return reinterpret_cast<HarmonicRecord*>(GetItemData(row));
}

const HarmonicRecord* CFourierListCtrl::RowRecord(int row) const { return Record(row); }

int CFourierListCtrl::ColumnCount() {
    CHeaderCtrl* header = GetHeaderCtrl();
    return header ? header->GetItemCount() : 0;
}

void CFourierListCtrl::MarkModified() {
    m_bModified = TRUE;
    if (m_pOwner != nullptr) m_pOwner->SetModified(TRUE);
}

double CFourierListCtrl::FundamentalValue() const {
    double value = 0.0;
    return qv::ParsePrefixedNumber(m_strFundamental, &value) && value > 0.0 ? value : 50.0;
}

CString CFourierListCtrl::FormatAmplitude(double amplitude) const { return Number(amplitude); }

CString CFourierListCtrl::FormatAmplitudePercent(double amplitude) const {
    const HarmonicRecord* first = Record(1);
    if (amplitude != 0.0 && first != nullptr && first->amplitude != 0.0) {
        const double percent = amplitude * 100.0 / first->amplitude;
        if (std::isfinite(percent)) return Number(percent) + " %";
    }
    return Number(amplitude);
}

CString CFourierListCtrl::FormatPhase(double phase) { return Number(phase); }

CString CFourierListCtrl::FormatPhaseDegrees(double phase) { return Number(phase * kDegreesPerRad) + " \xB0"; }

void CFourierListCtrl::WritePhaseCells(int row, int type) {
    const HarmonicRecord* record = Record(row);
    if (record == nullptr || m_bPhaseAutomatic) return;
    SetEditItemText(row, kColPhase, FormatPhase(record->phase), kTypeNumber);
    SetEditItemText(row, kColDegrees, FormatPhaseDegrees(record->phase), type);
}

void CFourierListCtrl::AddRow(int number, double frequency, double amplitude, double phase) {
    auto* record = new HarmonicRecord{.number = number, .frequency = frequency, .amplitude = amplitude, .flag = 1,
                                      .phase = phase};
    const int row = InsertEditItem(GetItemCount(), TBExtended_itoa(number), kTypeFixed);
    if (row < 0) {
        delete record;
        return;
    }
    SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
    SetEditItemText(row, kColFrequency, Number(frequency), kTypeNumber);
    SetEditItemText(row, kColAmplitude, FormatAmplitude(amplitude), kTypeNumber);
    SetEditItemText(row, kColPercent, FormatAmplitudePercent(amplitude), row == 1 ? kTypeFixed : kTypeText);
    WritePhaseCells(row, kTypeText);
}

void CFourierListCtrl::RemoveAllRows() {
    for (int row = GetItemCount() - 1; row >= 0; --row) {
        delete Record(row);
        SetItemData(row, 0);
        DeleteEditItem(row);
    }
}

void CFourierListCtrl::SetFundamental(const CString& text) {
    // A text that is no number above 0 leaves the frequencies as they are; OK refuses it.
    double value = 0.0;
    if (!qv::ParsePrefixedNumber(text, &value) || value <= 0.0) return;
    if (value == FundamentalValue()) return;
    m_strFundamental = text;
    SetRedraw(FALSE);
    UpdateFrequencies(value);
    SetRedraw(TRUE);
    MarkModified();
}

void CFourierListCtrl::UpdateFrequencies(double fundamental) {
    for (int row = 0; row < GetItemCount(); ++row) {
        HarmonicRecord* record = Record(row);
        if (record == nullptr) continue;
        record->frequency = HarmonicNumber(m_nMode, row) * fundamental;
        SetEditItemText(row, kColFrequency, Number(record->frequency), kTypeNumber);
    }
}

void CFourierListCtrl::SetNumberOfHarmonics(CString& text) {
    int count = TBExtended_atoi(text);
    if (count == 0) return;
    if (count < 0 || count > kMaxHarmonics) {
        count = kMaxHarmonics;
        text = "1000";
    }
    const int wanted = count + 1;
    if (wanted == GetItemCount()) return;
    m_strNumber = text;
    SetRedraw(FALSE);
    for (int row = GetItemCount() - 1; row >= wanted; --row) {
        if (HarmonicRecord* record = Record(row)) m_Removed.push_front(record);
        SetItemData(row, 0);
        DeleteEditItem(row);
    }
    if (GetItemCount() < wanted) AppendRows(wanted);
    SetRedraw(TRUE);
    MarkModified();
}

void CFourierListCtrl::AppendRows(int count) {
    const double fundamental = FundamentalValue();
    for (int row = GetItemCount(); row < count; ++row) {
        const int number = HarmonicNumber(m_nMode, row);
        if (!m_Removed.empty()) {
            HarmonicRecord* restored = m_Removed.front();
            m_Removed.pop_front();
            AddRow(number, number * fundamental, restored->amplitude, restored->phase);
            delete restored;
        } else {
            AddRow(number, number * fundamental, 0.0, 0.0);
        }
    }
}

void CFourierListCtrl::SetHarmonicsMode(int mode) {
    if (mode == m_nMode) return;
    m_nMode = mode;
    SetRedraw(FALSE);
    RenumberRows();
    SetRedraw(TRUE);
    MarkModified();
}

void CFourierListCtrl::RenumberRows() {
    const double fundamental = FundamentalValue();
    for (int row = 0; row < GetItemCount(); ++row) {
        HarmonicRecord* record = Record(row);
        if (record == nullptr) continue;
        record->number = HarmonicNumber(m_nMode, row);
        record->frequency = record->number * fundamental;
        SetEditItemText(row, kColNumber, TBExtended_itoa(record->number), kTypeFixed);
        SetEditItemText(row, kColFrequency, Number(record->frequency), kTypeNumber);
    }
}

void CFourierListCtrl::SetPhaseAutomatic(BOOL automatic) {
    if ((automatic != FALSE) == (m_bPhaseAutomatic != FALSE)) return;
    m_bPhaseAutomatic = automatic;
    SetRedraw(FALSE);
    UpdatePhaseColumns();
    SetRedraw(TRUE);
    MarkModified();
}

void CFourierListCtrl::UpdatePhaseColumns() {
    CResourceSwitch resources;
    if (m_bPhaseAutomatic) {
        if (ColumnCount() > kColDegrees) DeleteColumn(kColDegrees);
        if (ColumnCount() > kColPhase) DeleteColumn(kColPhase);
    } else {
        if (ColumnCount() <= kColPhase)
            InsertEditColumn(kColPhase, LoadLibraryString(kHeaderFirst + 3), LVCFMT_LEFT, -1, -1);
        if (ColumnCount() <= kColDegrees)
            InsertEditColumn(kColDegrees, LoadLibraryString(kHeaderFirst + 4), LVCFMT_LEFT, -1, -1);
        // Rows added while the phases were automatic have no phase cells yet.
        for (int row = 0; row < GetItemCount(); ++row) WritePhaseCells(row, kTypeText);
    }
    InitializeColumnSize(1, "WIZColumnWidths", "FourierSource");
}

void CFourierListCtrl::WritePercentCells() {
    for (int row = 0; row < GetItemCount(); ++row) {
        const HarmonicRecord* record = Record(row);
        if (record == nullptr) continue;
        SetEditItemText(row, kColPercent, FormatAmplitudePercent(record->amplitude), row == 1 ? kTypeFixed : kTypeText);
    }
}

namespace {

// A cell's number: one number, with its column's sign ("%", "\xB0") or another unit after it at
// most; never a number that only begins the text ("1k, G := 5"), which is refused.
bool CellNumber(const CString& text, double* value) { return qv::ParseNumberWithUnit(text, value) != FALSE; }

} // namespace

// The records are the authority: a refused or unchanged edit writes the record's text back.
LRESULT CFourierListCtrl::OnEndEdit(WPARAM, LPARAM lParam) {
    const int row = LOWORD(lParam);
    const int column = HIWORD(lParam);
    MarkModified();
    HarmonicRecord* record = Record(row);
    if (record == nullptr) return 0;
    CString text = GetItemText(row, column);
    text.TrimLeft();
    text.TrimRight();
    if (!text.IsEmpty()) {
        switch (column) {
        case kColAmplitude: {
            double value = 0.0;
            if (!CellNumber(text, &value) || (row != 0 && value < 0.0)) break;
            if (value != record->amplitude) {
                record->amplitude = value;
                MarkModified();
            }
            break;
        }
        case kColPercent: {
            double value = 0.0;
            const HarmonicRecord* first = Record(1);
            // Row 1 is the reference itself; without it no percentage has a meaning.
            if (row == 1 || first == nullptr || !CellNumber(text, &value) || (row != 0 && value < 0.0)) break;
            const double amplitude = value * first->amplitude * 0.01;
            if (std::isfinite(amplitude) && amplitude != record->amplitude) {
                record->amplitude = amplitude;
                MarkModified();
            }
            break;
        }
        case kColPhase: {
            double value = 0.0;
            if (CellNumber(text, &value) && FormatPhase(value) != FormatPhase(record->phase)) {
                record->phase = value;
                MarkModified();
            }
            break;
        }
        case kColDegrees: {
            double degrees = 0.0;
            const double value = CellNumber(text, &degrees) ? degrees * kRadPerDegree : NAN;
            if (std::isfinite(value) && FormatPhaseDegrees(value) != FormatPhaseDegrees(record->phase)) {
                record->phase = value;
                MarkModified();
            }
            break;
        }
        default: break;
        }
    }
    // Every cell of the row shows its record again.
    SetEditItemText(row, kColNumber, TBExtended_itoa(record->number), kTypeFixed);
    SetEditItemText(row, kColFrequency, Number(record->frequency), kTypeNumber);
    SetEditItemText(row, kColAmplitude, FormatAmplitude(record->amplitude), kTypeNumber);
    if (row == 1)
        WritePercentCells();
    else
        SetEditItemText(row, kColPercent, FormatAmplitudePercent(record->amplitude), kTypeText);
    WritePhaseCells(row, kTypeText);
    return 0;
}

void CFourierListCtrl::OnDestroy() {
    for (HarmonicRecord* record : m_Kept) delete record;
    m_Kept.clear();
    for (int row = 0; row < GetItemCount(); ++row) {
        if (HarmonicRecord* record = Record(row)) m_Kept.push_back(record);
        SetItemData(row, 0);
    }
    CTBEditListCtrl::OnDestroy();
}
