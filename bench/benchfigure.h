#pragma once

#include <cstdio>

// A figure the benchmark stands by, on a line of its own that
// bench/both-engines.sh picks up to set the two engines' figures side by side:
// "figure: NAME = VALUE UNIT". Everything else a benchmark prints is for a
// reader of its own output.
inline void printFigure(const char *name, double value, const char *unit)
{
    std::printf("figure: %s = %.2f %s\n", name, value, unit);
    std::fflush(stdout);
}
