#pragma once

#include <cstdio>

namespace bench
{

// One figure as a line that bench/run collects into its table: "figure <name> <value>".
inline void PrintFigure(const char* name, double value)
{
    std::printf("figure %s %.6g\n", name, value);
}

} // namespace bench
