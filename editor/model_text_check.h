// The check that an element's model text is one the simulator reads, before describe writes it
// (docs/host.md, "The model text"). Wizards and the editor's completion build the text piece by
// piece; this looks at the finished text as a whole, once.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// What is wrong with a model text, as words that follow the element's label ("its model text
// gives "R" no value: R R1 ( R :=  );"), with the line that holds the fault; "" when the text
// is model text:
// - its statements are keywords and names, lists in parentheses and equations in braces;
// - every list entry has a value ("name := value" or a value alone) that the expression
//   language reads as a model text's value (formula::ParseMode::Value), or a quoted name;
// - every part of a value made of numbers alone is a finite number;
// - no macro or placeholder ("@...") is left outside a quoted name;
// - a quoted name holds no double quote and no line break, and is not empty;
// - equations in braces assign: a statement that is an expression alone defines nothing.
std::string ModelTextFault(std::string_view text);

// Why a parameter's value cannot stand in a model text as one value, as words that follow
// "its value "..." " ("would make more than one entry of the model text (a "," stands outside
// parentheses)"); "" when it can. One value is one expression of the language, read whole
// (formula::ParseMode::Value): no "," or ";" outside its parentheses, no brace, every
// parenthesis closed, no double quote, no "@", and every part made of numbers alone finite.
// A blank value is left to the check of the whole text, which names the entry given nothing.
std::string ValueFault(std::string_view value);

// The same for a value that stands between the quotes of a quoted name (a data file's name):
// it holds no double quote and no line break.
std::string QuotedValueFault(std::string_view value);

} // namespace qv
