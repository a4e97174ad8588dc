// The commands of lumoracap, one per file. Each prints its results to
// console.out and its failures, with their reason, to console.err, and
// returns an exit code (ExitCodes.h). COM is initialised by the caller.
#pragma once

#include "tools/lumoracap/CommandLine.h"
#include "tools/lumoracap/Lumoracap.h"

int ListDevices(const Options& options, Console& console);
int ListFormats(const Options& options, Console& console);
int CaptureToFile(const Options& options, Console& console);
int TakeSnapshot(const Options& options, Console& console);
int OpenSettings(const Options& options, Console& console);
int ListControls(const Options& options, Console& console);
int SetControl(const Options& options, Console& console);
int ManageVirtualCamera(const Options& options, Console& console);
