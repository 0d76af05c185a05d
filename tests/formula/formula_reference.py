#!/usr/bin/env python3
"""Reference parser of the expression language, written from docs/formula-language.md.

Reads the corpus (tests/formula/data/formula_corpus.txt) and checks that, for every text, this
parser gives the same result, kind, names, assigned name, postfix form and error lines as the
modules recorded there. The printed form ("print") is checked by reading it back: it must give
the same postfix form. Prints 'N passed, N failed' and exits non-zero on any disagreement.
"""
import decimal
import math
import sys

PALETTE = {n: 1 for n in "SIN SQU COS TAN SQRT INT ASIN FRAC ACOS EXP SGN ATAN ABS SINH LN RE COSH IM TANH INTEG ARG DEG RAD".split()}
PALETTE.update({n: 2 for n in "DEGEL MOD ROOT LOG ATAN2 LOOKUP".split()})
PREFIXES = {"f": -15, "fem": -15, "p": -12, "pik": -12, "n": -9, "nan": -9, "u": -6, "mik": -6,
            "m": -3, "mil": -3, "k": 3, "kil": 3, "g": 9, "gig": 9, "t": 12, "ter": 12}
MESSAGES = {1: "Unexpected character", 2: "Invalid number", 3: "Unknown function",
            4: "Wrong number of arguments", 5: "Closing parenthesis expected", 6: "Operand expected",
            7: "Nesting too deep", 8: "Unexpected token", 9: "Empty formula",
            10: "Only one formula allowed", 11: "IF is not allowed in a formula", 12: "'{' expected",
            13: "'}' expected", 14: "A name must stand left of ':=' and '##'", 15: "Invalid name",
            16: "ELSE without IF"}
MAX_NESTING = 200
BLANKS = " \t\r\v\f"
OPERATORS = [":=", "##", "==", "!=", "<>", "<=", ">=", "&&", "||",
             "+", "-", "*", "/", "^", "=", "<", ">", "!", "(", ")", "{", "}", ",", ";"]
BINARY = {"||": 1, "&&": 2, "==": 3, "=": 3, "!=": 3, "<>": 3, "<": 3, "<=": 3, ">": 3, ">=": 3,
          "+": 4, "-": 4, "*": 5, "/": 5}
CANONICAL = {"=": "==", "<>": "!="}


def letter(c):
    return c.isascii() and c.isalpha()


def name_start(c):
    return letter(c) or c == "_"


def name_char(c):
    return name_start(c) or c.isdigit() and c.isascii()


def digit(c):
    return c.isascii() and c.isdigit()


def shortest(x):
    if x == 0:
        return "0"
    sign, digits, exp = decimal.Decimal(repr(x)).as_tuple()
    ds = "".join(map(str, digits)).rstrip("0")
    exp += len(digits) - len(ds)
    n = len(ds)
    e10 = exp + n - 1
    sci = ds[0] + ("." + ds[1:] if n > 1 else "") + "e" + ("+" if e10 >= 0 else "-") + "%02d" % abs(e10)
    if exp >= 0:
        fixed = ds + "0" * exp
    elif n + exp > 0:
        fixed = ds[:n + exp] + "." + ds[n + exp:]
    else:
        fixed = "0." + "0" * (-(n + exp)) + ds
    text = fixed if len(fixed) <= len(sci) else sci
    return ("-" if sign else "") + text


class Error(Exception):
    def __init__(self, code, pos=-1, token=""):
        super().__init__(code)
        self.code, self.pos, self.token = code, pos, token[:40]


class Tok:
    def __init__(self, kind, pos, text, value=None):
        self.kind, self.pos, self.text, self.value = kind, pos, text, value


def tokens(text):
    """All tokens of the text; line breaks inside parentheses are blanks."""
    out, i, depth = [], 0, 0
    while True:
        while i < len(text) and (text[i] in BLANKS or (text[i] == "\n" and depth > 0)):
            i += 1
        if i >= len(text):
            out.append(Tok("end", i, ""))
            return out
        c = text[i]
        if c == "\n":
            out.append(Tok("nl", i, "\n"))
            i += 1
        elif digit(c) or (c == "." and i + 1 < len(text) and digit(text[i + 1])):
            start = i
            while i < len(text) and digit(text[i]):
                i += 1
            if i < len(text) and text[i] == ".":
                i += 1
                while i < len(text) and digit(text[i]):
                    i += 1
            if i < len(text) and text[i] in "eE":
                j = i + 1
                if j < len(text) and text[j] in "+-":
                    j += 1
                if j < len(text) and digit(text[j]):
                    while j < len(text) and digit(text[j]):
                        j += 1
                    i = j
            number = text[start:i]
            k = i
            while i < len(text) and letter(text[i]):
                i += 1
            suffix = text[k:i]
            if i < len(text) and (name_char(text[i]) or text[i] == "."):
                while i < len(text) and (name_char(text[i]) or text[i] == "."):
                    i += 1
                raise Error(2, start, text[start:i])
            power = 0
            if suffix:
                if suffix.lower() not in PREFIXES:
                    raise Error(2, start, text[start:i])
                power = PREFIXES[suffix.lower()]
            try:
                value = float(number)
            except ValueError:
                raise Error(2, start, text[start:i])
            if math.isinf(value) or (value == 0 and any(d in "123456789" for d in number.split("e")[0].split("E")[0])):
                raise Error(2, start, text[start:i])
            if value != 0:
                e1 = math.frexp(value)[1]
                e2 = math.frexp(math.pow(10.0, power))[1]
                if e1 + e2 < -1021 or e1 + e2 > 1024:
                    raise Error(2, start, text[start:i])
            while power > 0:
                value *= 1000.0
                power -= 3
            while power < 0:
                value *= 0.001
                power += 3
            if math.isinf(value):
                raise Error(2, start, text[start:i])
            out.append(Tok("num", start, text[start:i], value))
        elif name_start(c):
            start = i
            while i < len(text) and name_char(text[i]):
                i += 1
            plain = True
            while i < len(text) and text[i] == ".":
                if i + 1 < len(text) and name_start(text[i + 1]):
                    i += 1
                    while i < len(text) and name_char(text[i]):
                        i += 1
                    plain = False
                else:
                    raise Error(15, start, text[start:i + 1])
            if i < len(text) and text[i] == "[":
                i += 1
                d = i
                while i < len(text) and digit(text[i]):
                    i += 1
                if i == d or i >= len(text) or text[i] != "]":
                    while i < len(text) and text[i] not in "]\n":
                        i += 1
                    if i < len(text) and text[i] == "]":
                        i += 1
                    raise Error(15, start, text[start:i])
                i += 1
                plain = False
            word = text[start:i]
            kind = "name"
            if plain and word.upper() in ("IF", "ELSE"):
                kind = word.upper()
            out.append(Tok(kind, start, word))
        else:
            for op in OPERATORS:
                if text.startswith(op, i):
                    out.append(Tok(op, i, op))
                    if op == "(":
                        depth += 1
                    elif op == ")" and depth > 0:
                        depth -= 1
                    i += len(op)
                    break
            else:
                raise Error(1, i, c)


class Parser:
    def __init__(self, text, formula_mode):
        self.formula_mode = formula_mode
        self.toks = tokens(text)
        self.i = 0
        self.upn, self.names = [], []
        self.assigned = None
        self.nesting = 0
        self.statements = 0
        self.has_if = self.bare = False

    @property
    def tok(self):
        return self.toks[self.i]

    def fail(self, code, tok=None):
        tok = tok or self.tok
        raise Error(code, tok.pos, tok.text)

    def advance(self):
        self.i += 1

    def enter(self):
        self.nesting += 1
        if self.nesting > MAX_NESTING:
            self.fail(7)

    def sep(self):
        return self.tok.kind in ("nl", ";")

    def skip_seps(self):
        while self.sep():
            self.advance()

    def skip_nl(self):
        while self.tok.kind == "nl":
            self.advance()

    def run(self):
        if self.formula_mode:
            self.skip_seps()
            if self.tok.kind == "end":
                raise Error(9)
            if self.tok.kind == "IF":
                self.fail(11)
            self.statement()
            if not self.sep() and self.tok.kind != "end":
                self.fail(8)
            self.skip_seps()
            if self.tok.kind != "end":
                self.fail(10)
        else:
            self.statement_list(False)
            if self.tok.kind != "end":
                self.fail(8)

    def statement_list(self, in_braces):
        while True:
            self.skip_seps()
            if self.tok.kind == "end":
                if in_braces:
                    self.fail(13)
                return
            if self.tok.kind == "}":
                if in_braces:
                    return
                self.fail(8)
            was_if = self.statement()
            if self.sep() or self.tok.kind == "end" or (self.tok.kind == "}" and in_braces) or was_if:
                continue
            self.fail(8)

    def statement(self):
        self.statements += 1
        if self.tok.kind == "IF":
            self.if_block()
            return True
        if self.tok.kind == "ELSE":
            self.fail(16)
        if self.tok.kind == "name" and self.toks[self.i + 1].kind in (":=", "##"):
            target = self.tok.text
            self.advance()
            if self.tok.kind == ":=":
                self.advance()
                self.expression()
                if self.tok.kind == "##":
                    self.advance()
                    self.expression()
                    self.upn.append("##%s/2" % target)
                else:
                    self.upn.append(":=" + target)
            else:
                self.advance()
                self.expression()
                self.upn.append("##%s/1" % target)
            if target not in self.names:
                self.names.append(target)
            if self.assigned is None:
                self.assigned = target
            return False
        self.expression()
        if self.tok.kind in (":=", "##"):
            self.fail(14)
        self.upn.append("EXPR")
        self.bare = True
        return False

    def if_block(self):
        self.enter()
        self.has_if = True
        self.advance()
        self.expression()
        self.skip_nl()
        self.upn.append("IF")
        self.expect("{", 12)
        self.statement_list(True)
        self.expect("}", 13)
        saved = self.i
        self.skip_nl()
        if self.tok.kind == "ELSE":
            self.advance()
            self.skip_nl()
            self.upn.append("ELSE")
            if self.tok.kind == "IF":
                self.if_block()
            else:
                self.expect("{", 12)
                self.statement_list(True)
                self.expect("}", 13)
        else:
            self.i = saved
        self.upn.append("END")
        self.nesting -= 1

    def expect(self, kind, code):
        if self.tok.kind != kind:
            self.fail(code)
        self.advance()

    def expression(self):
        self.enter()
        self.binary(1)
        self.nesting -= 1

    def binary(self, level):
        if level > 5:
            self.unary()
            return
        self.binary(level + 1)
        while BINARY.get(self.tok.kind) == level:
            op = CANONICAL.get(self.tok.kind, self.tok.kind)
            self.advance()
            self.binary(level + 1)
            self.upn.append(op)

    def unary(self):
        self.skip_nl()
        if self.tok.kind in ("-", "+", "!"):
            kind = self.tok.kind
            self.enter()
            self.advance()
            self.unary()
            if kind == "-":
                self.upn.append("NEG")
            elif kind == "!":
                self.upn.append("!")
            self.nesting -= 1
            return
        self.primary()
        if self.tok.kind == "^":
            self.enter()
            self.advance()
            self.unary()
            self.upn.append("^")
            self.nesting -= 1

    def primary(self):
        tok = self.tok
        if tok.kind == "num":
            self.upn.append(shortest(tok.value))
            self.advance()
        elif tok.kind == "name":
            self.advance()
            if self.tok.kind != "(":
                self.upn.append(tok.text)
                return
            upper = tok.text.upper()
            if upper not in PALETTE:
                self.fail(3, tok)
            self.advance()
            argc = 0
            if self.tok.kind != ")":
                while True:
                    self.expression()
                    argc += 1
                    if self.tok.kind != ",":
                        break
                    self.advance()
            self.expect(")", 5)
            if argc != PALETTE[upper]:
                self.fail(4, tok)
            self.upn.append("%s/%d" % (upper, argc))
        elif tok.kind == "(":
            self.advance()
            self.expression()
            self.expect(")", 5)
        else:
            self.fail(6)


def error_line(e):
    if e.pos < 0:
        return "COMP-%d: %s\r\n" % (e.code, MESSAGES[e.code])
    # C's "%3.d" writes nothing for 0 (precision 0), so position 0 is three blanks.
    position = "   " if e.pos == 0 else "%3d" % e.pos
    return "COMP-%d (%s, %s): %s\r\n" % (e.code, position, e.token, MESSAGES[e.code])


def answer(mode, text):
    formula = mode == "formula"
    p = None
    try:
        p = Parser(text, formula)
        p.run()
    except Error as e:
        lines = ["result 1"]
        if not formula:
            lines += ["kind 0", "names"]
        return lines + ["error " + escape(error_line(e))], None
    lines = ["result 0"]
    if formula:
        lines += ["kind %d" % (1 if p.assigned is not None else 3), "assigned " + (p.assigned or "")]
    else:
        if p.bare or p.statements == 0:
            kind, names = 3, []
        else:
            kind, names = (2 if p.has_if else 1), p.names
        lines += ["kind %d" % kind, "names" + "".join(" " + n for n in names)]
    lines.append("upn " + " ".join(p.upn))
    return lines, p.upn


def unescape(s):
    out, i = [], 0
    while i < len(s):
        c = s[i]
        if c == "\\" and i + 1 < len(s):
            n = s[i + 1]
            if n == "x":
                out.append(chr(int(s[i + 2:i + 4], 16)))
                i += 4
                continue
            out.append({"r": "\r", "n": "\n", "t": "\t"}.get(n, n))
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


def escape(s):
    out = []
    for c in s:
        if c == "\r":
            out.append("\\r")
        elif c == "\n":
            out.append("\\n")
        elif c == "\t":
            out.append("\\t")
        elif c == "\\":
            out.append("\\\\")
        elif ord(c) < 0x20 or ord(c) >= 0x7f:
            out.append("\\x%02X" % ord(c))
        else:
            out.append(c)
    return "".join(out)


def main(path):
    cases = []
    with open(path, encoding="latin-1") as f:
        for line in f.read().split("\n"):
            if not line or line.startswith("#"):
                continue
            key, _, value = line.partition(" ")
            if key == "mode":
                cases.append({"mode": value, "expected": []})
            elif key == "text":
                cases[-1]["text"] = value
            else:
                cases[-1]["expected"].append(line)
    passed = failed = 0
    for case in cases:
        text = unescape(case["text"])
        lines, upn = answer(case["mode"], text)
        expected = [l for l in case["expected"] if not l.startswith("print")]
        ok = lines == expected
        printed = [l for l in case["expected"] if l.startswith("print ")]
        if ok and printed:
            again, upn2 = answer(case["mode"], unescape(printed[0][6:]))
            ok = upn2 == upn
        if ok:
            passed += 1
        else:
            failed += 1
            print("disagreement on %r:\n  reference %r\n  corpus    %r" % (case["text"], lines, expected))
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed or passed == 0 else 0


if __name__ == "__main__":
    sys.setrecursionlimit(20000)
    sys.exit(main(sys.argv[1]))
