// The soak's figures as a table for people and one JSON line for scripts.
#pragma once

#include <cstdio>
#include <string>

#include "bench/soak/SoakRun.h"

void PrintSoakTable(const CycleFigures* cycles, const StreamFigures* stream, FILE* out);
// Either phase may be absent (null) when it was left out.
std::string SoakJsonLine(const CycleFigures* cycles, const StreamFigures* stream);
