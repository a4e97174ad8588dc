// The process's handle and thread counts for the tests' leak checks (see
// win/ProcessCounts.h).
#pragma once

#include "diagnostics/ProcessCounts.h"

namespace testenv {

using win::HandleCount;
using win::kRuntimeHandleSlack;
using win::ThreadCount;
using win::WaitForCounts;

} // namespace testenv
