// The report of one run: a table for people and one JSON line for tools.
#pragma once

#include <cstdio>
#include <string>

#include "bench/RunResult.h"

// The human-readable table, with the targets and whether they were met.
void PrintTable(const RunResult& result, std::FILE* out);

// One line of JSON (no line break), keys in snake case; measurements that are
// missing (stats::kMissing) are null.
std::string JsonLine(const RunResult& result);
