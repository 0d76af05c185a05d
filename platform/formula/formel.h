// The model classes of the simulator's formula tools: a model (`CMod`) owns formulas
// (`CFormel`); the pre-compiler module ("Pravent": "Fml2Upn", "UbhvBlock2Upn") fills a formula
// with the postfix form of an expression text, and the simplifier module ("Ombrix":
// "UpnToSimplifyString") prints a postfix form back as text. The language is described in
// docs/formula-language.md.
//
// Differences from the original platform, on purpose: the postfix form is a plain vector of
// items whose layout only this stand-in knows; both modules are built from this folder.
#pragma once

#include "afx/collections.h"
#include "afx/cstring.h"

#include <string>
#include <vector>

// One item of a postfix form. Values are pushed by numbers and names; operators, calls and
// statements pop their operands. Statements: an assignment pops its value, an action pops its
// argument (and, with two operands, first its value), a bare expression pops its value, "IF"
// pops its condition and opens the then-branch, "ELSE" opens the other branch, "END" closes
// the IF.
enum class UpnOp : int {
    Number, Name,
    Neg, Not,
    Add, Sub, Mul, Div, Pow,
    Eq, Ne, Lt, Le, Gt, Ge,
    And, Or,
    Call,
    Assign, Action, Expr,
    If, Else, End,
};

// The text of an operator in listings and printed formulas; "?" for an item that is no operator.
inline const char* UpnOperatorText(UpnOp op) {
    switch (op) {
    case UpnOp::Neg: return "NEG";
    case UpnOp::Not: return "!";
    case UpnOp::Add: return "+";
    case UpnOp::Sub: return "-";
    case UpnOp::Mul: return "*";
    case UpnOp::Div: return "/";
    case UpnOp::Pow: return "^";
    case UpnOp::Eq: return "==";
    case UpnOp::Ne: return "!=";
    case UpnOp::Lt: return "<";
    case UpnOp::Le: return "<=";
    case UpnOp::Gt: return ">";
    case UpnOp::Ge: return ">=";
    case UpnOp::And: return "&&";
    case UpnOp::Or: return "||";
    case UpnOp::Expr: return "EXPR";
    case UpnOp::If: return "IF";
    case UpnOp::Else: return "ELSE";
    case UpnOp::End: return "END";
    default: return "?";
    }
}

struct UpnItem {
    UpnOp op = UpnOp::Number;
    int argc = 0;          // Call: number of arguments; Action: 1 (argument) or 2 (value, argument)
    double number = 0.0;   // Number
    std::string text;      // Name, Call (upper-case function name), Assign and Action (target)

    bool operator==(const UpnItem& other) const;
};

class CMod;

// Kinds a block of statements can have: assignments only, an IF block among them, or a bare
// expression (which defines nothing).
enum ExpressionKind : int { kExpressionNone = 0, kExpressionAssignment = 1, kExpressionCondition = 2, kExpressionBare = 3 };

class CFormel {
public:
    CFormel(int type = 515, int index = -1);
    virtual ~CFormel() = default;

    // The model this formula belongs to; set by CMod::AddFormel, or by the caller for a
    // formula made on its own.
    CMod* m_pMod = nullptr;

    int GetType() const { return m_nType; }
    int GetIndex() const { return m_nIndex; }

    // The postfix form and the name the formula assigns (empty when it assigns none).
    const std::vector<UpnItem>& GetUpn() const { return m_upn; }
    CString GetAssignedName() const { return m_strAssigned; }
    int GetKind() const { return m_nKind; }
    BOOL HasUpn() const { return m_upn.empty() ? FALSE : TRUE; }

    // Used by the pre-compiler.
    void SetUpn(std::vector<UpnItem> upn, const CString& assigned, int kind);
    void Clear();

private:
    int m_nType;
    int m_nIndex;
    int m_nKind = kExpressionNone;
    std::vector<UpnItem> m_upn;
    CString m_strAssigned;
};

enum eModType : int { eModTypeNone = 0, eModTypeBlock = 1 };

class CMod {
public:
    CMod(eModType type, long flags);
    virtual ~CMod();
    CMod(const CMod&) = delete;
    CMod& operator=(const CMod&) = delete;

    // A new formula owned by the model.
    CFormel* AddFormel();
    int GetFormelCount() const { return static_cast<int>(m_formulas.size()); }
    CFormel* GetFormel(int index) const;
    // 1 when every formula of the model holds a postfix form, else 0 (also for no formula).
    BOOL TestModel() const;

    eModType GetModType() const { return m_type; }

private:
    eModType m_type;
    long m_flags;
    std::vector<CFormel*> m_formulas;
};

// An error record of the pre-compiler; the caller owns it and deletes it.
struct ScanError {
    int m_nPos = -1;           // 0-based offset in the text, negative when there is none
    int m_nReserved1 = 0;
    int m_nCode = 0;
    CString m_strMessage;
    int m_nReserved2 = 0;
    CString m_strToken;        // the text at the position
    CString m_strReserved;
};

// The modules' exports, C calling convention; 0 means success. No exception leaves them.
// errors: a CPtrArray of ScanError* the callee appends to (may be null for "Fml2Upn").
using Fml2UpnFunc = int (*)(const char* text, CFormel* formula, CPtrArray* errors);
using UbhvBlock2UpnFunc = int (*)(const char* text, CFormel* formula, int* kind, CStringArray* names,
                                  CPtrArray* errors);
using UpnToSimplifyStringFunc = int (*)(CString* out, CFormel* formula);

namespace qv::formula {
// Deletes every ScanError of an errors array and empties it.
void FreeScanErrors(CPtrArray& errors);
// The error line of one record: "COMP-%d: %s\r\n" without a position, else
// "COMP-%d (%3.d, %s): %s\r\n" as C's printf writes it (position 0 gives three blanks).
CString FormatScanError(const ScanError& error);
// The postfix form as one line of items separated by blanks (docs/formula-language.md).
std::string UpnToText(const std::vector<UpnItem>& upn);
// Shortest text that reads back to the same double.
std::string ShortestNumber(double value);
} // namespace qv::formula
