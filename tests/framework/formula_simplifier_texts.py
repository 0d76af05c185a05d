#!/usr/bin/env python3
"""Writes tests/data/formula_simplifier/filter_sections.txt: the coefficient texts of the digital
filter's expression path (low pass, high pass, band pass; A, K, D and every section coefficient)
filled with prototype numbers and with three sets of the user's texts for the cut-offs and the
sample time. One case a line: a label, a blank, the text.

Run it by hand when the templates change; the tests read the file it wrote.
"""
import math
import os
import sys

PI = math.pi

LP = {
    "A": ("(sin( %.15g * 1.0 / 4.0 - %.15g * (%s) / (1.0 / (%s)) ) / sin( %.15g * 1.0 / 4.0 + %.15g * (%s) / (1.0/(%s)) ) )",
          "pi pi fl Ts pi pi fl Ts"),
    "D": ("(1.0 - %.15g * %s + %.15g * %s * %s)", "a1 A a2 A A"),
    "den1": ("(( (-2.0) * %s - 2.0 * %.15g * %s + %.15g * %s * %s + %.15g ) / %s)", "A a2 A a1 A A a1 D"),
    "den2": ("( ( (-1.0) * %.15g * %s + %s * %s + %.15g ) / %s)", "a1 A A A a2 D"),
    "num0": ("( ( %.15g - %.15g * %s + %.15g * %s * %s ) / %s)", "b0 b1 A b2 A A D"),
    "num1": ("( ( (-2.0) * %.15g * %s - 2.0 * %.15g * %s + %.15g * %s * %s + %.15g ) / %s )", "b0 A b2 A b1 A A b1 D"),
    "num2": ("( ( %.15g * %s * %s - %.15g * %s + %.15g ) / %s )", "b0 A A b1 A b2 D"),
}
HP = {
    "A": ("(-cos( %.15g * 1.0 / 4.0 + %.15g * (%s) / (1.0 / (%s)) ) / cos( %.15g * 1.0 / 4.0 - %.15g * (%s) / (1.0 / (%s)) ))",
          "pi pi fl Ts pi pi fl Ts"),
    "D": ("(1.0 - %s * ( %.15g - %.15g * %s ))", "A a1 a2 A"),
    "den1": ("(( 2.0 * %s - %.15g * ( %s * %s + 1.0 ) + 2.0 * %.15g * %s ) / %s)", "A a1 A A a2 A D"),
    "den2": ("(( %s * %s - %.15g * %s + %.15g ) / %s)", "A A a1 A a2 D"),
    "num0": ("(( %.15g - %s * ( %.15g - %.15g * %s ) ) / %s)", "b0 A b1 b2 A D"),
    "num1": ("(( 2.0 * %.15g * %s - %.15g * ( %s * %s + 1.0) + 2.0 * %.15g * %s ) / %s)", "b0 A b1 A A b2 A D"),
    "num2": ("(( %.15g * %s * %s - %.15g * %s + %.15g ) / %s)", "b0 A A b1 A b2 D"),
}
BP = {
    "A": ("(cos( %.15g * (%s) / (1.0 / (%s)) + %.15g * (%s) / (1.0 / (%s)) ) / cos( %.15g * (%s) / (1.0 / (%s)) - %.15g * (%s) / (1.0 / (%s)) ))",
          "pi fu Ts pi fl Ts pi fu Ts pi fl Ts"),
    "K": ("(1.0 / tan( %.15g * (%s) / (1.0 / (%s)) - %.15g * (%s) / (1.0 / (%s)) ) * tan( %.15g * 1.0 / 4.0 ))",
          "pi fu Ts pi fl Ts pi"),
    "D": ("(( %s * %s + 2.0 * %s + 1.0 ) + %.15g * ( 1.0 - %s * %s ) + %.15g * ( 1.0 - 2.0 * %s + %s * %s ))",
          "K K K a1 K K a2 K K K"),
    "den1": ("(( (-4.0) * ( %s * %s * %s + %s * %s ) + 4.0 * %.15g * %s * %s * %s + 4.0 * %.15g * ( %s * %s - %s * %s * %s ) ) / %s)",
             "A K K A K a1 A K K a2 A K A K K D"),
    "den2": ("(( ( 4.0 * %s * %s * %s * %s - 2.0 + 2.0 * %s * %s ) + %.15g * ( (-2.0) * %s * %s - 4.0 * %s * %s * %s * %s - 2.0 ) + %.15g * ( 4.0 * %s * %s * %s * %s - 2.0 + 2.0 * %s * %s ) ) / %s)",
             "A A K K K K a1 K K A A K K a2 A A K K K K D"),
    "den3": ("(( ( 4.0 * %s * %s * ( 1.0 - %s ) ) + %.15g * 4.0 * %s * %s * %s + (-4.0) * %s * %s * %.15g * ( 1.0 + %s ) ) / %s)",
             "A K K a1 A K K A K a2 K D"),
    "den4": ("(( ( 1.0 - 2.0 * %s + %s * %s ) + %.15g * ( 1 - %s * %s ) + %.15g * ( %s * %s + 2.0 * %s + 1.0) ) / %s)",
             "K K K a1 K K a2 K K K D"),
    "num0": ("(( %.15g * ( %s * %s + 2.0 * %s + 1.0 ) + %.15g * ( 1 - %s * %s ) + %.15g * ( 1.0 - 2.0 * %s + %s * %s ) ) / %s)",
             "b0 K K K b1 K K b2 K K K D"),
    "num1": ("(( (-4.0) * %.15g * ( %s * %s * %s + %s * %s ) + 4.0 * %.15g * %s * %s * %s + 4.0 * %.15g * ( %s * %s - %s * %s * %s ) ) / %s)",
             "b0 A K K A K b1 A K K b2 A K A K K D"),
    "num2": ("(( %.15g * ( 4.0 * %s * %s * %s * %s - 2.0 + 2.0 * %s * %s ) + %.15g * ( (-2.0) * %s * %s - 4.0 * %s * %s * %s * %s - 2.0 ) + %.15g * ( 4.0 * %s * %s * %s * %s - 2.0 + 2.0 * %s * %s ) ) / %s)",
             "b0 A A K K K K b1 K K A A K K b2 A A K K K K D"),
    "num3": ("(( 4.0 * %s * %s * %.15g * ( 1.0 - %s ) + %.15g * 4.0 * %s * %s * %s + (-4.0) * %s * %s * %.15g * ( 1.0 + %s ) ) / %s)",
             "A K b0 K b1 A K K A K b2 K D"),
    "num4": ("(( %.15g * ( 1.0 - 2.0 * %s + %s * %s ) + %.15g * ( 1 - %s * %s ) + %.15g * ( %s * %s + 2.0 * %s + 1.0) ) / %s)",
             "b0 K K K b1 K K b2 K K K D"),
}
# Band stop: A as the band pass, K without the reciprocal.
BS_K = ("(tan( %.15g * (%s) / (1.0 / (%s)) - %.15g * (%s) / (1.0 / (%s)) ) * tan( %.15g * 1.0 / 4.0 ))",
        "pi fu Ts pi fl Ts pi")

# Second-order prototype sections (b0, b1, b2, a1, a2): a Butterworth pair and a Chebyshev-like
# section with a numerator that has every term.
SECTIONS = [
    (1.0, 0.0, 0.0, 0.7653668647301796, 1.0),
    (1.0, 0.0, 0.0, 1.8477590650225735, 1.0),
    (0.5011872336272722, 0.3, 0.125, 0.6448, 0.7079457843841379),
]
USERS = {
    "names": {"fl": "fl", "fu": "fu", "Ts": "Ts"},
    "prefixed": {"fl": "1.5k", "fu": "2.5kil", "Ts": "10u"},
    "expressions": {"fl": "fc*0.9", "fu": "fc * 1.1", "Ts": "1/fs"},
}


def fill(template, args, values):
    out = []
    for a in args.split():
        out.append(values[a])
    return template % tuple(out)


def section_texts(table, section, user, extra):
    b0, b1, b2, a1, a2 = section
    v = {"pi": PI, "b0": b0, "b1": b1, "b2": b2, "a1": a1, "a2": a2}
    v.update(user)
    v["A"] = fill(*table["A"], v)
    if "K" in table:
        v["K"] = fill(*table["K"], v)
    v["D"] = fill(*table["D"], v)
    texts = {k: fill(*table[k], v) for k in table if k not in ("A", "K", "D")}
    texts.update({"A": v["A"], "D": v["D"]})
    if "K" in table:
        texts["K"] = v["K"]
    for key, (template, args) in extra.items():
        texts[key] = fill(template, args, v)
    return texts


def main(path):
    lines = ["# Digital-filter coefficient texts (written by tests/framework/formula_simplifier_texts.py)."]
    for kind, table, extra in (("lowpass", LP, {}), ("highpass", HP, {}), ("bandpass", BP, {"stopK": BS_K})):
        for uname, user in USERS.items():
            for s, section in enumerate(SECTIONS, 1):
                texts = section_texts(table, section, user, extra)
                for key in sorted(texts):
                    lines.append("%s.%s.s%d.%s %s" % (kind, uname, s, key, texts[key]))
    with open(path, "w", encoding="latin-1", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data",
                                                             "formula_simplifier", "filter_sections.txt"))
