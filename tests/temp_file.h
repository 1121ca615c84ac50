// A file name under the temporary folder that no other test uses, removed
// again when the test is done with it.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

struct TempFile {
    explicit TempFile(const char* stem) {
        const char* dir = std::getenv("TMPDIR");
        std::string pattern = std::string(dir != nullptr ? dir : "/tmp") + "/tempola-" + stem + "-XXXXXX";
        const int fd = mkstemp(&pattern[0]);
        if (fd >= 0) {
            close(fd);
        }
        path = pattern;
    }
    ~TempFile() { std::remove(path.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    std::string path;
};

// A fresh folder under the temporary folder, removed with all it holds.
struct TempFolder {
    explicit TempFolder(const char* stem) {
        const char* dir = std::getenv("TMPDIR");
        std::string pattern = std::string(dir != nullptr ? dir : "/tmp") + "/tempola-" + stem + "-XXXXXX";
        if (mkdtemp(&pattern[0]) != nullptr) {
            path = pattern;
        }
    }
    ~TempFolder() {
        if (!path.empty()) {
            std::system(("rm -rf '" + path + "'").c_str());
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string path;
};
