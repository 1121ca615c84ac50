// A file or folder name under the temporary folder that no other test uses,
// removed again (with all it holds) when the test is done with it.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

inline std::string TempPattern(const char* stem) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/tempola-" + stem + "-XXXXXX";
}

struct TempFile {
    explicit TempFile(const char* stem) : path(TempPattern(stem)) {
        const int fd = mkstemp(&path[0]);
        if (fd >= 0) {
            close(fd);
        }
    }
    ~TempFile() { std::remove(path.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    std::string path;
};

struct TempFolder {
    explicit TempFolder(const char* stem) : path(TempPattern(stem)) {
        if (mkdtemp(&path[0]) == nullptr) {
            path.clear();
        }
    }
    ~TempFolder() {
        if (!path.empty()) {
            const int removed = std::system(("rm -rf '" + path + "'").c_str());
            static_cast<void>(removed);  // a folder left behind in /tmp harms no test
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string path;
};
