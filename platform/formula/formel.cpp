#include "formula/formel.h"
#include "toolkit/shortest_number.h"

#include <charconv>
#include <cstdio>

bool UpnItem::operator==(const UpnItem& other) const {
    if (op != other.op || argc != other.argc || text != other.text) return false;
    // Numbers compare by their bits' value; no postfix form holds a NaN.
    return op != UpnOp::Number || number == other.number;
}

CFormel::CFormel(int type, int index) : m_nType(type), m_nIndex(index) {}

void CFormel::SetUpn(std::vector<UpnItem> upn, const CString& assigned, int kind) {
    m_upn = std::move(upn);
    m_strAssigned = assigned;
    m_nKind = kind;
}

void CFormel::Clear() {
    m_upn.clear();
    m_strAssigned.Empty();
    m_nKind = kExpressionNone;
}

CMod::CMod(eModType type, long flags) : m_type(type), m_flags(flags) {}

CMod::~CMod() {
    for (CFormel* formula : m_formulas) delete formula;
}

CFormel* CMod::AddFormel() {
    auto* formula = new CFormel(515, static_cast<int>(m_formulas.size()));
    formula->m_pMod = this;
    m_formulas.push_back(formula);
    return formula;
}

CFormel* CMod::GetFormel(int index) const {
    if (index < 0 || index >= GetFormelCount()) return nullptr;
    return m_formulas[static_cast<size_t>(index)];
}

BOOL CMod::TestModel() const {
    if (m_formulas.empty()) return FALSE;
    for (const CFormel* formula : m_formulas)
        if (!formula->HasUpn()) return FALSE;
    return TRUE;
}

namespace qv::formula {

void FreeScanErrors(CPtrArray& errors) {
    for (int i = 0; i < errors.GetSize(); ++i) delete static_cast<ScanError*>(errors[i]);
    errors.RemoveAll();
}

CString FormatScanError(const ScanError& error) {
    // The message and token are copied literally, never used as a format.
    char head[64];
    if (error.m_nPos < 0) {
        std::snprintf(head, sizeof head, "COMP-%d: ", error.m_nCode);
        return CString(head) + error.m_strMessage + "\r\n";
    }
    std::snprintf(head, sizeof head, "COMP-%d (%3.d, ", error.m_nCode, error.m_nPos);
    return CString(head) + error.m_strToken + "): " + error.m_strMessage + "\r\n";
}

std::string ShortestNumber(double value) {
    // The shortest text that reads back to the same double (as std::to_chars without a
    // precision writes it), in the "C" locale whatever the user's locale is.
    char buffer[qv::kShortestNumberMaxLength];
    return std::string(buffer, qv::WriteShortestNumber(buffer, value));
}

std::string UpnToText(const std::vector<UpnItem>& upn) {
    std::string out;
    for (const UpnItem& item : upn) {
        if (!out.empty()) out += ' ';
        switch (item.op) {
        case UpnOp::Number: out += ShortestNumber(item.number); break;
        case UpnOp::Name: out += item.text; break;
        case UpnOp::Call: out += item.text + "/" + std::to_string(item.argc); break;
        case UpnOp::Assign: out += ":=" + item.text; break;
        case UpnOp::Action: out += "##" + item.text + "/" + std::to_string(item.argc); break;
        default: out += UpnOperatorText(item.op); break;
        }
    }
    return out;
}

} // namespace qv::formula
