#include "sources/fourier_harmonics.h"

#include "framework/module.h"
#include "framework/string_ids.h"
#include "toolkit/tb_numbers.h"
#include "toolkit/tb_units.h"

#include <algorithm>
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

bool FundamentalFits(double fundamental, int mode, int rows) {
    return fundamental > 0.0 && std::isfinite(fundamental * HarmonicNumber(mode, rows > 0 ? rows - 1 : 0));
}

namespace {

// The row that harmonic `number` has in a mode, -1 for none.
long long RowOfHarmonic(int mode, long long number) {
    if (number <= 1) return number;
    switch (mode) {
    case kHarmonicsEven: return number % 2 == 0 ? number / 2 + 1 : -1;
    case kHarmonicsOdd: return number % 2 == 1 ? (number + 1) / 2 : -1;
    default: return number;
    }
}

} // namespace

bool PlaceHarmonics(const std::vector<double>& frequency, const std::vector<double>& amplitude,
                    const std::vector<double>& phase, int mode, double fundamental, PlacedHarmonics* placed) {
    const size_t count = std::min({frequency.size(), amplitude.size(), phase.size()});
    double lowest = 0.0;
    for (size_t i = 0; i < count; ++i) {
        const double f = frequency[i];
        if (!std::isfinite(f) || f < 0.0) return false;
        if (f > 0.0 && (lowest == 0.0 || f < lowest)) lowest = f;
    }
    if (lowest > 0.0) fundamental = lowest;
    if (!(fundamental > 0.0) || !std::isfinite(fundamental)) return false;
    // A harmonic's frequency read back from a file may differ from the exact multiple in its
    // last digits.
    std::vector<long long> numbers(count);
    for (size_t i = 0; i < count; ++i) {
        const double quotient = frequency[i] / fundamental;
        const double number = std::round(quotient);
        if (number > static_cast<double>(kMaxTableRows) * 2.0 || std::fabs(quotient - number) > 1e-9 * std::max(1.0, number))
            return false;
        numbers[i] = static_cast<long long>(number);
    }
    const auto fits = [&](int m) {
        return std::all_of(numbers.begin(), numbers.end(), [m](long long n) { return RowOfHarmonic(m, n) >= 0; });
    };
    if (!fits(mode)) mode = fits(kHarmonicsOdd) ? kHarmonicsOdd : fits(kHarmonicsEven) ? kHarmonicsEven : kHarmonicsAll;
    long long rows = 0;
    for (const long long n : numbers) rows = std::max(rows, RowOfHarmonic(mode, n) + 1);
    if (rows > kMaxTableRows) return false;
    PlacedHarmonics out;
    out.fundamental = fundamental;
    out.mode = mode;
    out.amplitude.assign(static_cast<size_t>(rows), 0.0);
    out.phase.assign(static_cast<size_t>(rows), 0.0);
    for (long long row = 0; row < rows; ++row)
        out.frequency.push_back(HarmonicNumber(mode, static_cast<int>(row)) * fundamental);
    if (!FundamentalFits(fundamental, mode, static_cast<int>(rows))) return false;
    std::vector<bool> taken(static_cast<size_t>(rows), false);
    for (size_t i = 0; i < count; ++i) {
        const auto row = static_cast<size_t>(RowOfHarmonic(mode, numbers[i]));
        if (taken[row]) return false;
        taken[row] = true;
        out.amplitude[row] = amplitude[i];
        out.phase[row] = phase[i];
    }
    *placed = std::move(out);
    return true;
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
    // A text that is no number above 0, or one whose multiples overflow, leaves the frequencies
    // as they are; OK refuses it.
    double value = 0.0;
    if (!qv::ParsePrefixedNumber(text, &value) || !FundamentalFits(value, m_nMode, GetItemCount())) return;
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

// A cell's number in its column's unit: one number, with the column's sign ("%") or a unit of
// the column's quantity after it at most, which is applied ("1 kV", "90 \xB0" in radians); never
// a number that only begins the text ("1k, G := 5"), nor one in a unit of another quantity.
bool CellNumber(const CString& text, const char* quantity, const char* unit, double* value) {
    return qv::ParseNumberInUnit(text, quantity, unit, value) != FALSE;
}

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
            if (!CellNumber(text, m_strAmplitudeQuantity, m_strAmplitudeUnit, &value) || (row != 0 && value < 0.0))
                break;
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
            if (row == 1 || first == nullptr || !CellNumber(text, nullptr, "%", &value) || (row != 0 && value < 0.0))
                break;
            const double amplitude = value * first->amplitude * 0.01;
            if (std::isfinite(amplitude) && amplitude != record->amplitude) {
                record->amplitude = amplitude;
                MarkModified();
            }
            break;
        }
        case kColPhase: {
            double value = 0.0;
            if (CellNumber(text, "Angle", "rad", &value) && FormatPhase(value) != FormatPhase(record->phase)) {
                record->phase = value;
                MarkModified();
            }
            break;
        }
        case kColDegrees: {
            double degrees = 0.0;
            const double value = CellNumber(text, "Angle", "deg", &degrees) ? degrees * kRadPerDegree : NAN;
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
