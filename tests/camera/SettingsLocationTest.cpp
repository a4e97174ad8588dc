// Where a controller keeps its settings file: the per-user temporary file,
// a chosen path whose folder is made on the first save, and what stands in
// the way of that folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "camera/SettingsLocation.h"
#include "tests/support/SimCameraProbe.h"
#include "tests/support/TestEnvironment.h"

using testenv::Field;
using testenv::SettingsFile;
using testenv::TempPath;
using testenv::Wide;
namespace setting = testenv::setting;

namespace {

CameraConfig Contrast(uint8_t contrast)
{
    CameraConfig record;
    record.m_Color.m_Contrast = contrast;
    return record;
}

// A chosen path under the private folder: what is at its folder before the
// first save, what the save answers and what is left.
struct FolderCase {
    const char* name;
    const char* folder;                                  // under the private folder
    std::function<void(const std::string& folder)> put; // what stands there first
    HRESULT stored;
    bool written;
};

const FolderCase kFolders[] = {
    {"no folder yet: made by the save", "fresh", [](const std::string&) {}, S_OK, true},
    {"the folder there already", "existing", [](const std::string& f) { CreateDirectoryA(f.c_str(), nullptr); },
     S_OK, true},
    {"a file at the folder's name", "occupied",
     [](const std::string& f) {
         CloseHandle(CreateFileA(f.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
     },
     HRESULT_FROM_WIN32(ERROR_CANT_ACCESS_FILE), false},
    {"the folder's parent missing: only the last part is made", "missing\\deeper", [](const std::string&) {},
     HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), false},
};

TEST(SettingsLocation, AChosenPathsFolderIsMadeOnTheFirstSaveAndNothingElseStandsForIt)
{
    for (const FolderCase& c : kFolders) {
        SCOPED_TRACE(c.name);
        const std::string folder = TempPath(c.folder);
        const std::string file = folder + "\\Lumora Camera.config";
        const SettingsLocation location = SettingsLocation::At(Wide(file));
        c.put(folder);

        CameraConfig read = Contrast(1);
        EXPECT_EQ(location.Load(read), 0) << "nothing to read before the first save";
        EXPECT_EQ(read.m_Color.m_Contrast, 1) << "the record is untouched";

        EXPECT_EQ(location.Store(Contrast(44)), c.stored);
        const std::vector<uint8_t> bytes = SettingsFile(file);
        if (!c.written) {
            EXPECT_TRUE(bytes.empty());
            EXPECT_EQ(location.Load(read), 0);
        } else {
            ASSERT_EQ(bytes.size(), 67u);
            EXPECT_EQ(Field(bytes, setting::kContrast), 44u);
            EXPECT_EQ(location.Load(read), 1);
            EXPECT_EQ(read.m_Color.m_Contrast, 44);
            // A second save replaces the file in the folder it made.
            EXPECT_EQ(location.Store(Contrast(45)), S_OK);
            EXPECT_EQ(Field(SettingsFile(file), setting::kContrast), 45u);
        }
        // The other tests of this program see the private folder as they left it.
        DeleteFileA(file.c_str());
        RemoveDirectoryA(folder.c_str());
        DeleteFileA(folder.c_str());
    }
}

TEST(SettingsLocation, AFolderThatIsALinkIsNeitherFollowedNorWrittenThrough)
{
    const std::string target = TempPath("link-target");
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    const std::string link = TempPath("linked");
    CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
    const DWORD attributes = GetFileAttributesA(link.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveDirectoryA(link.c_str());
        RemoveDirectoryA(target.c_str());
        // Wine 8's CreateSymbolicLink reports success and makes nothing;
        // Windows needs the privilege.
        GTEST_SKIP() << "this system cannot make a symbolic link here";
    }
    const SettingsLocation location = SettingsLocation::At(Wide(link + "\\Lumora Camera.config"));
    EXPECT_EQ(location.Store(Contrast(9)), HRESULT_FROM_WIN32(ERROR_CANT_ACCESS_FILE));
    EXPECT_TRUE(SettingsFile(target + "\\Lumora Camera.config").empty());
    CameraConfig read;
    EXPECT_EQ(location.Load(read), 0);
    RemoveDirectoryA(link.c_str());
    RemoveDirectoryA(target.c_str());
}

} // namespace
