#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "diagnostics/PrivateTempFolder.h"
#include "camera/CameraConfig.h"

namespace {

std::string Variable(const char* name)
{
    char value[MAX_PATH * 2] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
    return std::string(value, length < sizeof(value) ? length : 0);
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

TEST(PrivateTempFolder, TheSettingsFileLivesAndDiesInsideIt)
{
    const std::string tmp = Variable("TMP");
    const std::string temp = Variable("TEMP");
    std::string folder;
    {
        PrivateTempFolder private_("lumorabench");
        ASSERT_TRUE(private_.Ready());
        folder = private_.Path();
        EXPECT_NE(tmp, folder);
        EXPECT_EQ(folder, Variable("TMP"));
        EXPECT_EQ(folder, Variable("TEMP"));
        EXPECT_TRUE(Exists(folder));

        // The filter's settings file, written where the settings code puts it.
        CameraConfig config;
        config.m_Format.m_Resolution = 1;
        ASSERT_EQ(1, config.SaveToFile());
        EXPECT_TRUE(Exists(folder + "Lumora Camera.config"));
    }
    EXPECT_FALSE(Exists(folder)) << "folder and settings file removed";
    EXPECT_EQ(tmp, Variable("TMP"));
    EXPECT_EQ(temp, Variable("TEMP"));
    // The settings file of the program's own temporary folder was not touched.
    CameraConfig outside;
    outside.m_Format.m_Resolution = 9;
    outside.LoadFromFile();
    EXPECT_EQ(9, outside.m_Format.m_Resolution);
}
