// Finding the pictures from the binary's folder, on real folders: the three
// places, their order, the line printed when none has the file, and paths too
// long for the caller's buffer.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/data_path.h"

namespace {

class DataPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tempola-data-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        ASSERT_NE(getcwd(oldCwd, sizeof oldCwd), nullptr);
        // A prefix laid out as an install, a build tree beside it, and a
        // working directory of its own.
        for (const char* d :
             {"/usr", "/usr/bin", "/usr/bin/data", "/usr/share", "/usr/share/tempola", "/work"}) {
            ASSERT_EQ(mkdir((root + d).c_str(), 0755), 0) << d;
        }
        bin = root + "/usr/bin";
        ASSERT_EQ(chdir((root + "/work").c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(oldCwd), 0);
        std::system(("rm -rf '" + root + "'").c_str());
    }

    void Put(const std::string& path) { std::ofstream(path) << "x"; }

    // Runs the search with stderr caught; returns what it wrote there.
    std::string Find(const char* exeDir, const char* fileName, char* buffer, size_t size,
                     const char** result) {
        std::fflush(stderr);
        const int saved = dup(2);
        const std::string errPath = root + "/stderr";
        const int fd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 2);
        close(fd);
        *result = FindDataFileFrom(exeDir, fileName, buffer, size);
        std::fflush(stderr);
        dup2(saved, 2);
        close(saved);
        std::ifstream in(errPath);
        std::stringstream s;
        s << in.rdbuf();
        unlink(errPath.c_str());
        return s.str();
    }

    std::string root;
    std::string bin;
    char oldCwd[4096];
};

TEST_F(DataPathTest, FoundInEachPlaceWithNothingPrinted) {
    char buffer[512];
    const char* found = nullptr;

    // Install prefix: bin/../share/tempola, named without the "..".
    Put(root + "/usr/share/tempola/metal2.bmp");
    EXPECT_EQ(Find(bin.c_str(), "metal2.bmp", buffer, sizeof buffer, &found), "");
    EXPECT_EQ(found, buffer);
    EXPECT_EQ(std::string(found), root + "/usr/share/tempola/metal2.bmp");

    // Build tree: data/ beside the binary; a trailing slash changes nothing.
    Put(root + "/usr/bin/data/charset.tga");
    const std::string slashed = bin + "/";
    EXPECT_EQ(Find(slashed.c_str(), "charset.tga", buffer, sizeof buffer, &found), "");
    EXPECT_EQ(std::string(found), root + "/usr/bin/data/charset.tga");

    // Working directory: the name itself, not a copy of it.
    Put(root + "/work/other.tga");
    const char* name = "other.tga";
    EXPECT_EQ(Find(bin.c_str(), name, buffer, sizeof buffer, &found), "");
    EXPECT_EQ(found, name);
}

TEST_F(DataPathTest, EarlierPlacesWinAndFoldersDoNotCount) {
    char buffer[512];
    const char* found = nullptr;
    Put(root + "/usr/share/tempola/metal2.bmp");
    Put(root + "/usr/bin/data/metal2.bmp");
    Find(bin.c_str(), "metal2.bmp", buffer, sizeof buffer, &found);
    EXPECT_EQ(std::string(found), root + "/usr/bin/data/metal2.bmp");

    // A folder of that name in the working directory is passed over.
    ASSERT_EQ(mkdir((root + "/work/metal2.bmp").c_str(), 0755), 0);
    Find(bin.c_str(), "metal2.bmp", buffer, sizeof buffer, &found);
    EXPECT_EQ(std::string(found), root + "/usr/bin/data/metal2.bmp");

    ASSERT_EQ(rmdir((root + "/work/metal2.bmp").c_str()), 0);
    Put(root + "/work/metal2.bmp");
    Find(bin.c_str(), "metal2.bmp", buffer, sizeof buffer, &found);
    EXPECT_STREQ(found, "metal2.bmp");
}

TEST_F(DataPathTest, NotFoundSaysWhereItLookedAndGivesTheNameBack) {
    char buffer[512];
    const char* found = nullptr;
    const char* name = "metal2.bmp";
    EXPECT_EQ(Find(bin.c_str(), name, buffer, sizeof buffer, &found),
              "tempola: metal2.bmp not found in ., " + root + "/usr/bin/data, " + root +
                  "/usr/share/tempola; running without it\n");
    EXPECT_EQ(found, name);
    EXPECT_STREQ(buffer, "");

    // Without the binary's folder only the working directory is searched.
    EXPECT_EQ(Find(nullptr, name, buffer, sizeof buffer, &found),
              "tempola: metal2.bmp not found in .; running without it\n");
    EXPECT_EQ(found, name);
    EXPECT_EQ(Find("", name, nullptr, 0, &found),
              "tempola: metal2.bmp not found in .; running without it\n");
    EXPECT_EQ(found, name);
}

TEST_F(DataPathTest, PrefixOfOddFolders) {
    char buffer[512];
    const char* found = nullptr;
    // At the root the prefix is the root itself.
    EXPECT_EQ(Find("/", "no-such-file.tga", buffer, sizeof buffer, &found),
              "tempola: no-such-file.tga not found in ., /data, /share/tempola; running without "
              "it\n");
    // A relative folder, or one ending in "..", is stepped out of literally.
    Put(root + "/usr/share/tempola/metal2.bmp");
    ASSERT_EQ(chdir(root.c_str()), 0);
    Find("usr/bin", "metal2.bmp", buffer, sizeof buffer, &found);
    EXPECT_STREQ(found, "usr/bin/../share/tempola/metal2.bmp");
    ASSERT_EQ(chdir((root + "/work").c_str()), 0);
    const std::string dotted = root + "/usr/bin/data/..";
    Find(dotted.c_str(), "metal2.bmp", buffer, sizeof buffer, &found);
    EXPECT_EQ(std::string(found), dotted + "/../share/tempola/metal2.bmp");
}

TEST_F(DataPathTest, PathsLongerThanTheBufferAreNotFoundAndNothingSpills) {
    Put(root + "/usr/bin/data/metal2.bmp");
    Put(root + "/usr/share/tempola/metal2.bmp");
    const std::string data = root + "/usr/bin/data/metal2.bmp";
    // What a cut-short path would name: it must not be taken for the file.
    Put(root + "/usr/bin/data/metal2.bm");

    // Room for every character but the terminator: too short by one.
    char area[600];
    std::memset(area, '#', sizeof area);
    const char* found = nullptr;
    const std::string err = Find(bin.c_str(), "metal2.bmp", area, data.size(), &found);
    EXPECT_STREQ(found, "metal2.bmp");
    EXPECT_NE(err.find("not found"), std::string::npos);
    for (size_t i = data.size(); i < sizeof area; ++i) {
        ASSERT_EQ(area[i], '#') << "written past the buffer at " << i;
    }
    // One more byte and the build tree's copy fits.
    Find(bin.c_str(), "metal2.bmp", area, data.size() + 1, &found);
    EXPECT_EQ(std::string(found), data);

    // A folder far longer than any buffer: still one whole line, no crash.
    const std::string deep = "/" + std::string(5000, 'd');
    char small[64];
    const std::string line = Find(deep.c_str(), "metal2.bmp", small, sizeof small, &found);
    EXPECT_STREQ(found, "metal2.bmp");
    EXPECT_EQ(line, "tempola: metal2.bmp not found in ., " + deep + "/data, /share/tempola; "
                    "running without it\n");
}

TEST(ExecutableDir, IsTheFolderHoldingThisTestProgram) {
    char dir[4096];
    ASSERT_TRUE(ExecutableDir(dir, sizeof dir));
    ASSERT_EQ(dir[0], '/');
    const size_t n = std::strlen(dir);
    EXPECT_TRUE(n == 1 || dir[n - 1] != '/');
    struct stat info;
    const std::string self = std::string(dir) + "/" + program_invocation_short_name;
    ASSERT_EQ(stat(self.c_str(), &info), 0) << self;
    EXPECT_TRUE(S_ISREG(info.st_mode));

    // Too small for the whole path: false, and nothing past the buffer.
    char area[16];
    std::memset(area, '#', sizeof area);
    EXPECT_FALSE(ExecutableDir(area, 8));
    for (size_t i = 8; i < sizeof area; ++i) {
        ASSERT_EQ(area[i], '#');
    }
    EXPECT_FALSE(ExecutableDir(area, 1));
    EXPECT_FALSE(ExecutableDir(nullptr, 100));
}

}  // namespace
