#!/usr/bin/env python3
"""Oracle of the formula simplifier.

Takes the digital filter's coefficient texts (tests/data/formula_simplifier/filter_sections.txt),
adds the products of two and three sections as the filter forms them, runs everything through
the simplifier (formula_simplifier_tool) and checks each answer: the simplified text must be
accepted, must simplify to itself, and must evaluate like the input to a relative 1e-12 for
random values of the names. Both texts are read by the reference parser of the expression
language (tests/formula/formula_reference.py, written from the language's description alone)
and evaluated here from their postfix forms.

usage: formula_simplifier_oracle.py TOOL CASES REFERENCE_PARSER
"""
import importlib.util
import math
import os
import random
import subprocess
import sys
import tempfile

FUNCTIONS = {
    "SIN/1": math.sin, "COS/1": math.cos, "TAN/1": math.tan, "ASIN/1": math.asin,
    "ACOS/1": math.acos, "ATAN/1": math.atan, "SINH/1": math.sinh, "COSH/1": math.cosh,
    "TANH/1": math.tanh, "EXP/1": math.exp, "LN/1": math.log, "SQRT/1": math.sqrt,
    "SQU/1": lambda x: x * x, "ABS/1": abs, "ATAN2/2": math.atan2,
}
BINARY = {"+": lambda a, b: a + b, "-": lambda a, b: a - b, "*": lambda a, b: a * b,
          "/": lambda a, b: a / b, "^": lambda a, b: a ** b}
# Ranges that keep the filter's mappings away from their poles: cut-offs of some hundred hertz
# to a few kilohertz, sample times of ten to fifty microseconds.
RANGES = {"fl": (200.0, 900.0), "fu": (1200.0, 3000.0), "fc": (800.0, 1500.0), "Ts": (1e-5, 5e-5),
          "fs": (20000.0, 100000.0)}


def load_reference(path):
    spec = importlib.util.spec_from_file_location("formula_reference", path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def postfix(reference, text):
    parser = reference.Parser(text, True)
    parser.run()
    return parser.upn


def evaluate(upn, values):
    stack = []
    for item in upn:
        if item == "EXPR":
            continue
        if item == "NEG":
            stack.append(-stack.pop())
        elif item in BINARY:
            b = stack.pop()
            a = stack.pop()
            stack.append(BINARY[item](a, b))
        elif item in FUNCTIONS:
            n = int(item.split("/")[1])
            args = stack[-n:]
            del stack[-n:]
            stack.append(FUNCTIONS[item](*args))
        elif item[0].isdigit() or item[0] == ".":
            stack.append(float(item))
        else:
            stack.append(values[item])
    assert len(stack) == 1, upn
    return stack[0]


def multiply(factor, sections, out, offset, count):
    for j, text in enumerate(sections[0]):
        term = "(" + factor + ")*(" + text + ")"
        if count > 1:
            multiply(term, sections[1:], out, offset + j, count - 1)
        elif not out[offset + j]:
            out[offset + j] = term
        else:
            out[offset + j] += "+ (" + term + ")"


def products(cases):
    by_label = dict(cases)
    extra = []
    for kind, width in (("lowpass", 3), ("highpass", 3), ("bandpass", 5)):
        for user in ("names", "prefixed", "expressions"):
            for count in (2, 3):
                for numerator in (True, False):
                    sections = []
                    for s in range(1, count + 1):
                        prefix = "%s.%s.s%d" % (kind, user, s)
                        sections.append([("1.0" if not numerator and i == 0 else
                                          by_label["%s.%s%d" % (prefix, "num" if numerator else "den", i)])
                                         for i in range(width)])
                    out = [""] * (count * (width - 1) + 1)
                    multiply("1.0", sections, out, 0, count)
                    for i, text in enumerate(out):
                        extra.append(("%s.%s.product%d.%s%d" % (kind, user, count, "num" if numerator else "den", i), text))
    return extra


def main(tool, cases_path, reference_path):
    sys.setrecursionlimit(100000)
    reference = load_reference(reference_path)
    cases = []
    with open(cases_path, encoding="latin-1") as f:
        for line in f.read().split("\n"):
            if line and not line.startswith("#"):
                label, _, text = line.partition(" ")
                cases.append((label, text))
    cases += products(cases)
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "cases.txt")
        with open(path, "w", encoding="latin-1", newline="\n") as f:
            for label, text in cases:
                f.write(label + " " + text + "\n")
        run = subprocess.run([tool, path], capture_output=True, text=True, encoding="latin-1", check=False)
    if run.returncode != 0:
        print("the tool failed:", run.stderr)
        return 1
    answers = {}
    for line in run.stdout.split("\n"):
        if line:
            label, _, rest = line.partition(" ")
            status, _, text = rest.partition(" ")
            answers[label] = (status, text)
    rng = random.Random(20261207)
    passed = failed = 0
    for label, text in cases:
        status, simplified = answers.get(label, ("missing", ""))
        problem = None
        if status != "ok":
            problem = "simplifier answered " + status
        else:
            before = postfix(reference, text)
            after = postfix(reference, simplified)
            names = sorted({t for t in before if t[0].isalpha() or t[0] == "_"} - set(FUNCTIONS) - {"EXPR", "NEG"})
            for _ in range(3):
                values = {n: rng.uniform(*RANGES.get(n, (0.5, 2.0))) for n in names}
                a = evaluate(before, values)
                b = evaluate(after, values)
                if not math.isclose(a, b, rel_tol=1e-12, abs_tol=0.0):
                    problem = "values differ: %r and %r" % (a, b)
                    break
            if problem is None and len(simplified) > len(text):
                problem = "the simplified text is longer"
        if problem is None:
            passed += 1
        else:
            failed += 1
            print("%s: %s\n  text %s\n  simplified %s" % (label, problem, text[:300], simplified[:300]))
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed or passed == 0 else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
