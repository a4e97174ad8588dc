// The version of the shipped files ("major.minor.patch"), the same number
// their version resources carry.
#pragma once

const char* ProductVersion();
