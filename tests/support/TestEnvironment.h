// Per-program test environment, set up by the shared main() before any test.
#pragma once

#include <string>
#include <vector>

namespace testenv {

// This test program's private temporary folder (ending in a backslash); main() points TMP and TEMP at it, so the
// settings file and other temporary files of the code under test land here.
const std::string& TempFolder();

// A file in the private folder; the folder goes when the program ends normally.
std::string TempPath(const std::string& name);
// The file's bytes; empty when it cannot be read.
std::string FileBytes(const std::string& path);

// The names of the files (not folders) in the private folder that match pattern ("*.tmp").
std::vector<std::string> TempFilesMatching(const std::string& pattern = "*");

// A file that outlives the run for people to look at (screenshots): <program folder>\test-artifacts\<name>.
std::string ArtifactPath(const std::string& name);

// The folder holding this test program and the DLLs, ending in a backslash.
std::string ProgramFolder();

std::wstring Wide(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);

// Deletes the settings file "Lumora Camera.config" from the private folder.
void RemoveSettingsFile();

void Initialise();

} // namespace testenv
