// Element symbols: a small line-drawing language (docs/symbol-language.md) drawn into a
// rectangle of a device context, with variants selected by a bit mask.
#pragma once

#include "afx/afx.h"
#include "afx/dc.h"

#include <memory>
#include <string>
#include <vector>

class CTBDrawSymbol {
public:
    explicit CTBDrawSymbol(const CRect& rect = CRect(0, 0, 0, 0));
    virtual ~CTBDrawSymbol() = default;

    // Reads a symbol text. FALSE for a malformed text: the symbol is then empty and
    // GetErrorText tells what is wrong. An empty text is a valid, empty symbol.
    BOOL LoadSymbols(const CString& text);
    BOOL LoadSymbols(LPCTSTR text) { return LoadSymbols(CString(text)); }

    // Draws the commands of the current variant into the rectangle given to the constructor
    // (or to SetRect), or into the rectangle given here, in logical units of the DC.
    void Draw(CDC* pDC);
    void Draw(CDC* pDC, const CRect& rect);

    // Selects the variant: commands with a mask condition are drawn by their bits.
    void SetCurMask(DWORD mask) { m_mask = mask; }
    DWORD GetCurMask() const { return m_mask; }

    void SetRect(const CRect& rect) { m_rect = rect; }
    CRect GetRect() const { return m_rect; }

    const CString& GetErrorText() const { return m_error; }
    int GetCommandCount() const { return m_commands ? static_cast<int>(m_commands->size()) : 0; }

private:
    enum class Op { Line, Polyline, Polygon, Rect, Ellipse, Circle, Arc, Text };
    struct Command {
        Op op;
        DWORD bits = 0;      // bits of the mask condition (0: always drawn)
        bool negated = false;
        std::vector<double> args;
        std::string text;
    };
    bool Shown(const Command& c) const;
    // Parses a symbol text: the commands, or the error text when it is malformed.
    static BOOL Parse(const std::string& text, std::vector<Command>& commands, std::string& error);

    CRect m_rect;
    DWORD m_mask = 0;
    // Shared by every drawer of the same text: the parsed commands never change, and a page
    // of each element kind reads the same symbol text again for every element made.
    std::shared_ptr<const std::vector<Command>> m_commands;
    CString m_error;
};
