// The expression language's parser and printer (docs/formula-language.md). The modules
// "Pravent" and "Ombrix" wrap them in their C exports; tests and fuzz targets call them
// directly too.
#pragma once

#include "formula/formel.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv::formula {

// Error numbers of the records (docs/formula-language.md lists them with their messages).
enum ErrorCode : int {
    kErrCharacter = 1,
    kErrNumber = 2,
    kErrFunction = 3,
    kErrArguments = 4,
    kErrParenthesis = 5,
    kErrOperand = 6,
    kErrNesting = 7,
    kErrToken = 8,
    kErrEmpty = 9,
    kErrOneFormula = 10,
    kErrCondition = 11,
    kErrOpenBrace = 12,
    kErrCloseBrace = 13,
    kErrTarget = 14,
    kErrName = 15,
    kErrElse = 16,
};

// Deepest nesting of parentheses, calls, unary operators, powers and IF blocks.
inline constexpr int kMaxNesting = 200;

struct ErrorInfo {
    int position = -1;
    int code = 0;
    std::string message;
    std::string token;
};

enum class ParseMode { Block, Formula, Value };

struct ParseResult {
    int result = 0;                  // 0 accepted
    int kind = kExpressionNone;      // ExpressionKind, 0 after an error
    std::vector<UpnItem> upn;
    std::vector<std::string> names;  // names the text assigns, each once, in order
    std::string assigned;            // Formula mode: the name the formula assigns
    std::vector<ErrorInfo> errors;
};

// Block: statements separated by line breaks or ";", IF blocks allowed. Formula: exactly one
// assignment, action or bare expression. Value: exactly one expression, as a model text gives
// it to a parameter, read with what the simulator reads there besides the language: the prefix
// "meg", any finite number however it is scaled, and calls of names outside the palette (the
// simulator's own quantities, "V(1)") with one argument or more.
ParseResult Parse(std::string_view text, ParseMode mode);

// Whether every part of a postfix form that is made of numbers alone (numbers, the arithmetic
// operators and the functions that simplification folds) comes out as a finite number: false
// for "1/0", "SQRT(-1)" and "1e300*1e300", also inside a larger expression ("x + 1/0"). The
// names "inf" and "nan", in any letter case, are how the system writes numbers that are not
// finite, and count as such.
bool NumbersStayFinite(const std::vector<UpnItem>& upn);

// The range of the language's numbers: a finite value written with a scale of 10^decimalPower
// is accepted when the binary exponents of the value and of the power of ten add up to -1021 ..
// 1024. With no scale this is the range of the numbers the printer can write so that they read
// back; a scaled number can lie outside it (1e299G is 1e308, which no plain number writes).
bool NumberInRange(double value, int decimalPower = 0);

// The palette's functions: 1 or 2 argument places, 0 for a name that is no function.
int FunctionPlaces(std::string_view upperName);

// Prints a postfix form as text that parses back to the same form (an empty form prints as an
// empty text). Returns false for a form that is not well made (operands missing or left over,
// unbalanced IF/ELSE/END) and for a number outside NumberInRange, which no text reads back as.
bool PrintUpn(const std::vector<UpnItem>& upn, std::string& out);

// Applies the simplification rules to a postfix form: subexpressions of numbers and elementary
// functions become one number (when the result is within NumberInRange), x*1, 1*x, x/1, x+0, 0+x and x-0
// become x and 0-x becomes -x. Statements and names are kept as they are. Returns false for a
// form whose operators lack operands (out is then empty); other faults are left to PrintUpn.
bool SimplifyUpn(const std::vector<UpnItem>& upn, std::vector<UpnItem>& out);

} // namespace qv::formula
