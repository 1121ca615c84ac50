// The profile writer behind the settings file, on real files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/profile_file.h"
#include "temp_file.h"

namespace {

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(dir.empty()); }

    void Write(const std::string& content) { std::ofstream(path, std::ios::binary) << content; }
    std::string Read() {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    bool Set(const char* key, const char* value, const char* section = "Settings") {
        return WriteProfileString(path.c_str(), section, key, value);
    }

    TempFolder folder{"profile"};
    const std::string dir = folder.path;
    const std::string path = dir + "/Vektorum.INI";
};

TEST_F(ProfileFileTest, CreatesFileAndSectionWithKeysInWriteOrder) {
    for (const char* key : {"Fullscreen", "Width", "Height", "BitsPerPixel"}) {
        ASSERT_TRUE(Set(key, "1"));
    }
    EXPECT_EQ(Read(), "[Settings]\nFullscreen=1\nWidth=1\nHeight=1\nBitsPerPixel=1\n");
    // No temporary file is left beside it.
    EXPECT_EQ(std::system(("test $(ls -A '" + dir + "' | wc -l) -eq 1").c_str()), 0);
}

TEST_F(ProfileFileTest, ReplacesInPlaceAndKeepsEverythingElse) {
    Write(
        "; written by hand\n"
        "[Other]\nWidth=1\n\n"
        "[settings]\r\n"
        "  WIDTH = 1024\n"
        "; a comment=with an equals sign\n"
        "Extra=keep me\n"
        "\n"
        "[Last]\nHeight=9");
    // Written again and again, a key is still replaced where it stands.
    for (const char* width : {"1", "22", "640"}) {
        ASSERT_TRUE(Set("Width", width));
        ASSERT_TRUE(Set("Height", "480"));
    }
    ASSERT_TRUE(Set("Fullscreen", "1", "Brand New"));
    EXPECT_EQ(Read(),
              "; written by hand\n"
              "[Other]\nWidth=1\n\n"
              "[settings]\r\n"
              "  WIDTH =640\n"
              "; a comment=with an equals sign\n"
              "Extra=keep me\n"
              "Height=480\n"
              "\n"
              "[Last]\nHeight=9\n"
              "[Brand New]\nFullscreen=1\n");
}

TEST_F(ProfileFileTest, FailedWritesLeaveTheOldFileAlone) {
    Write("[Settings]\nWidth=1\n");
    // A path that is a folder, a folder that does not exist, a folder no one
    // may create files in (even root, in /proc).
    for (const std::string& bad : {dir, dir + "/missing/Vektorum.INI", path + "/Vektorum.INI",
                                   std::string("/proc/Vektorum.INI")}) {
        EXPECT_FALSE(WriteProfileString(bad.c_str(), "Settings", "Width", "2")) << bad;
    }
    EXPECT_EQ(Read(), "[Settings]\nWidth=1\n");
}

TEST(ProfilePathTest, UsesAnAbsoluteXdgConfigHomeElseHome) {
    char out[256];
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    ASSERT_TRUE(ProfilePath("Vektorum.INI", out, sizeof out));
    EXPECT_STREQ(out, "/cfg/Vektorum.INI");
    setenv("XDG_CONFIG_HOME", "relative", 1);  // not a valid configuration home
    setenv("HOME", "/home/someone", 1);
    ASSERT_TRUE(ProfilePath("Vektorum.INI", out, sizeof out));
    EXPECT_STREQ(out, "/home/someone/.config/Vektorum.INI");
    EXPECT_FALSE(ProfilePath("Vektorum.INI", out, 8));
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
