// Per-program test environment, set up by the shared main() before any test.
#pragma once

#include <string>

namespace testenv {

// A private temporary folder for this test program (Windows path, ending in
// a backslash), named after the program and its process id. main() points TMP and TEMP at it, so the settings file and any
// other temporary file of the code under test land here.
const std::string& TempFolder();

// Path of a file in the private folder. The folder and everything in it is
// removed when the test program ends normally.
std::string TempPath(const std::string& name);

// Path of a file that outlives the run, for people to look at afterwards
// (screenshots): <program folder>\test-artifacts\<name>. Never committed.
std::string ArtifactPath(const std::string& name);

// The folder holding this test program (and ZorvikSDK.dll, ZorvikFilter.dll),
// ending in a backslash.
std::string ProgramFolder();

std::wstring Wide(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);

// Deletes the settings file "Lumora Camera.config" from the private folder.
void RemoveSettingsFile();

void Initialise();

} // namespace testenv
