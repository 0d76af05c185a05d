#!/usr/bin/env python3
"""Independent oracle of the 3D table's grid order, computed with numpy.

Reads grids from the file named by the first argument: per grid a line "nx ny", a line of the
nx x values, a line of the ny y values and a line of the ny * nx z values (row j holds the z
of y value j). Prints, per grid, the line "grid" and then one line "x z y" per point in the
order of a row-major reshape of the (ny, nx) arrays: the channel order of the data files.
Numbers are printed with 17 significant digits.
"""
import sys

import numpy as np


def main():
    lines = [line.split() for line in open(sys.argv[1]) if line.strip()]
    out = []
    i = 0
    while i < len(lines):
        nx, ny = int(lines[i][0]), int(lines[i][1])
        xs = np.array([float(v) for v in lines[i + 1]])
        ys = np.array([float(v) for v in lines[i + 2]])
        z = np.array([float(v) for v in lines[i + 3]]).reshape(ny, nx)
        i += 4
        grid_x, grid_y = np.meshgrid(xs, ys)
        points = np.stack([grid_x.reshape(-1), z.reshape(-1), grid_y.reshape(-1)], axis=1)
        out.append("grid")
        for x, zz, y in points:
            out.append("%.17g %.17g %.17g" % (x, zz, y))
    print("\n".join(out))


if __name__ == "__main__":
    main()
