// The settings file under stress: a large hand-kept file around our section,
// many writes in a row, and places where no write can succeed. The tests run
// as root, so folders are made unwritable by what they are, not by modes.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/profile_file.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

int EntriesIn(const std::string& dir) {
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) {
        return -1;
    }
    int n = 0;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        n += (name != "." && name != "..") ? 1 : 0;
    }
    closedir(d);
    return n;
}

class SettingsStressTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tempola-stress-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }

    std::string dir;
};

// A thousand keys in three sections, with comments, blank lines, odd spacing
// and a last line without its line ending; ours sits in the middle.
void MakeCrowdedFile(std::string* before, std::string* after) {
    std::ostringstream head;
    head << "; kept by hand\n# and by a script\n\n[Alpha]\n";
    for (int i = 0; i < 400; ++i) {
        if (i % 50 == 0) {
            head << "; block " << i << "\n";
        }
        head << "key" << i << " = value " << i << "\n";
    }
    head << "\n[Settings]\n";
    std::ostringstream tail;
    tail << "[Beta]\n";
    for (int i = 0; i < 300; ++i) {
        tail << "Width" << i << "=" << i * 3 << (i % 7 == 0 ? "   ; note\n" : "\n");
    }
    tail << "\n  [ Gamma ]  \n";
    for (int i = 0; i < 300; ++i) {
        tail << (i % 40 == 0 ? ";" : "") << "g" << i << "=x=" << i << "\n";
    }
    tail << "last=no line ending";
    *before = head.str();
    *after = tail.str();
}

TEST_F(SettingsStressTest, AThousandWritesLeaveEveryOtherByteAlone) {
    const std::string path = dir + "/Vektorum.INI";
    std::string before, after;
    MakeCrowdedFile(&before, &after);
    WriteFile(path, before + after);

    const char* keys[] = {"Fullscreen", "Width", "Height", "BitsPerPixel"};
    std::string last[4];
    for (int i = 0; i < 1000; ++i) {
        last[i % 4] = std::to_string(i * 7919 % 100000);
        ASSERT_TRUE(WriteProfileString(path.c_str(), "Settings", keys[i % 4], last[i % 4].c_str())) << i;
    }

    const std::string result = ReadFile(path);
    ASSERT_GE(result.size(), before.size() + after.size());
    EXPECT_EQ(result.substr(0, before.size()), before);
    EXPECT_EQ(result.substr(result.size() - after.size()), after);
    const std::string ours = result.substr(before.size(), result.size() - before.size() - after.size());
    EXPECT_EQ(ours, "Fullscreen=" + last[0] + "\nWidth=" + last[1] + "\nHeight=" + last[2] +
                        "\nBitsPerPixel=" + last[3] + "\n");
    EXPECT_EQ(EntriesIn(dir), 1) << "a temporary file was left behind";
}

TEST_F(SettingsStressTest, NoWriteWhereNoneCanSucceed) {
    // The folder is a regular file.
    const std::string notAFolder = dir + "/plain";
    WriteFile(notAFolder, "not a folder\n");
    EXPECT_FALSE(WriteProfileString((notAFolder + "/Vektorum.INI").c_str(), "Settings", "Width", "640"));
    EXPECT_EQ(ReadFile(notAFolder), "not a folder\n");

    // The file is a folder.
    const std::string folder = dir + "/Vektorum.INI";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    EXPECT_FALSE(WriteProfileString(folder.c_str(), "Settings", "Width", "640"));
    struct stat info;
    ASSERT_EQ(stat(folder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(EntriesIn(folder), 0);
    EXPECT_EQ(EntriesIn(dir), 2);

    // An existing file in a folder that takes no new files, whoever asks.
    const std::string readOnly = "/proc/version";
    const std::string old = ReadFile(readOnly);
    ASSERT_FALSE(old.empty());
    EXPECT_FALSE(WriteProfileString(readOnly.c_str(), "Settings", "Width", "640"));
    EXPECT_EQ(ReadFile(readOnly), old);
}

}  // namespace
