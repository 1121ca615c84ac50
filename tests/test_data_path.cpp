// Finding the pictures from the binary's folder, on real folders: the three
// places, their order, the line printed when none has the file, and paths too
// long for the caller's buffer.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
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
        EXPECT_EQ(std::system(("rm -rf '" + root + "'").c_str()), 0);
    }

    void Put(const std::string& path) { std::ofstream(path) << "x"; }

    // Runs the search into `into` with stderr caught; returns what it wrote there.
    std::string FindInto(const char* exeDir, const char* fileName, char* into, size_t size) {
        testing::internal::CaptureStderr();
        found = FindDataFileFrom(exeDir, fileName, into, size);
        return testing::internal::GetCapturedStderr();
    }
    std::string Find(const std::string& exeDir, const char* fileName) {
        return FindInto(exeDir.c_str(), fileName, buffer, sizeof buffer);
    }

    std::string root;
    std::string bin;
    char oldCwd[4096];
    char buffer[512] = "";
    const char* found = nullptr;
};

TEST_F(DataPathTest, FoundInEachPlaceInOrderWithNothingPrinted) {
    // Install prefix: bin/../share/tempola, named without the "..". A
    // relative folder, or one ending in "..", is stepped out of literally.
    Put(root + "/usr/share/tempola/metal2.bmp");
    EXPECT_EQ(Find(bin, "metal2.bmp"), "");
    EXPECT_EQ(found, buffer);
    EXPECT_EQ(std::string(found), root + "/usr/share/tempola/metal2.bmp");
    const std::string dotted = root + "/usr/bin/data/..";
    Find(dotted, "metal2.bmp");
    EXPECT_EQ(std::string(found), dotted + "/../share/tempola/metal2.bmp");
    ASSERT_EQ(chdir(root.c_str()), 0);
    Find("usr/bin", "metal2.bmp");
    EXPECT_STREQ(found, "usr/bin/../share/tempola/metal2.bmp");
    ASSERT_EQ(chdir((root + "/work").c_str()), 0);

    // Build tree: data/ beside the binary, before the prefix; a trailing
    // slash changes nothing.
    Put(root + "/usr/bin/data/metal2.bmp");
    EXPECT_EQ(Find(bin + "/", "metal2.bmp"), "");
    EXPECT_EQ(std::string(found), root + "/usr/bin/data/metal2.bmp");

    // A folder of that name in the working directory is passed over.
    ASSERT_EQ(mkdir((root + "/work/metal2.bmp").c_str(), 0755), 0);
    Find(bin, "metal2.bmp");
    EXPECT_EQ(std::string(found), root + "/usr/bin/data/metal2.bmp");

    // A file there comes first: the name itself, not a copy of it.
    ASSERT_EQ(rmdir((root + "/work/metal2.bmp").c_str()), 0);
    Put(root + "/work/metal2.bmp");
    const char* name = "metal2.bmp";
    EXPECT_EQ(FindInto(bin.c_str(), name, buffer, sizeof buffer), "");
    EXPECT_EQ(found, name);
}

TEST_F(DataPathTest, NotFoundSaysWhereItLookedAndGivesTheNameBack) {
    const char* name = "metal2.bmp";
    EXPECT_EQ(FindInto(bin.c_str(), name, buffer, sizeof buffer),
              "tempola: metal2.bmp not found in ., " + root + "/usr/bin/data, " + root +
                  "/usr/share/tempola; running without it\n");
    EXPECT_EQ(found, name);
    EXPECT_STREQ(buffer, "");
    // Without the binary's folder only the working directory is searched.
    for (const char* exeDir : {static_cast<const char*>(nullptr), ""}) {
        EXPECT_EQ(FindInto(exeDir, name, nullptr, 0),
                  "tempola: metal2.bmp not found in .; running without it\n");
        EXPECT_EQ(found, name);
    }
    // At the root the prefix is the root itself.
    EXPECT_EQ(Find("/", "no-such-file.tga"),
              "tempola: no-such-file.tga not found in ., /data, /share/tempola; running without "
              "it\n");
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
    const std::string err = FindInto(bin.c_str(), "metal2.bmp", area, data.size());
    EXPECT_STREQ(found, "metal2.bmp");
    EXPECT_NE(err.find("not found"), std::string::npos);
    for (size_t i = data.size(); i < sizeof area; ++i) {
        ASSERT_EQ(area[i], '#') << "written past the buffer at " << i;
    }
    // One more byte and the build tree's copy fits.
    FindInto(bin.c_str(), "metal2.bmp", area, data.size() + 1);
    EXPECT_EQ(std::string(found), data);

    // A folder far longer than any buffer: still one whole line, no crash.
    const std::string deep = "/" + std::string(5000, 'd');
    char small[64];
    EXPECT_EQ(FindInto(deep.c_str(), "metal2.bmp", small, sizeof small),
              "tempola: metal2.bmp not found in ., " + deep +
                  "/data, /share/tempola; "
                  "running without it\n");
    EXPECT_STREQ(found, "metal2.bmp");
}

}  // namespace
