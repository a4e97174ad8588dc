#include "version/ProductVersion.h"

#include "VersionNumber.h"

const char* ProductVersion()
{
    return LUMORA_VERSION_TEXT;
}
