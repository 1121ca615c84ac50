#include "platform/data_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

// A folder of that name, or a file the user cannot read, would only fail the
// load later; the next place may still have the real file.
bool ReadableFile(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 && S_ISREG(info.st_mode) && access(path, R_OK) == 0;
}

// How much of exeDir names the folder: trailing slashes dropped, so that
// "/x/build/" and "/x/build" give the same places ("/" gives "").
int FolderLength(const char* exeDir) {
    size_t n = std::strlen(exeDir);
    while (n > 0 && exeDir[n - 1] == '/') {
        --n;
    }
    return static_cast<int>(n);
}

// The install prefix above the binary's folder. For an absolute folder that
// ends in a plain name the parent is taken by dropping that name, which is
// exact for the resolved folder ExecutableDir gives and reads better in the
// message; anything else gets "/.." appended. The prefix is the first
// *length characters of exeDir, followed by "/.." when *up.
void PrefixOf(const char* exeDir, int folderLength, int* length, bool* up) {
    int last = folderLength;
    while (last > 0 && exeDir[last - 1] != '/') {
        --last;
    }
    const int nameLength = folderLength - last;
    const char* name = exeDir + last;
    const bool dots = (nameLength == 1 && name[0] == '.') ||
                      (nameLength == 2 && name[0] == '.' && name[1] == '.');
    if (exeDir[0] == '/' && nameLength == 0) {
        *length = 0;  // the root is its own parent
        *up = false;
    } else if (exeDir[0] == '/' && !dots) {
        int end = last;
        while (end > 0 && exeDir[end - 1] == '/') {
            --end;
        }
        *length = end;
        *up = false;
    } else {
        *length = folderLength;
        *up = true;
    }
}

// Writes the path into buffer and says whether the file is there; a path that
// does not fit is not looked at.
bool Try(char* buffer, size_t size, int written) {
    return written > 0 && static_cast<size_t>(written) < size && ReadableFile(buffer);
}

}  // namespace

bool ExecutableDir(char* buffer, size_t size) {
    if (buffer == nullptr || size < 2) {
        return false;
    }
    // readlink does not say when it cut the path short: a result that fills
    // the room it was given may have been.
    const ssize_t n = readlink("/proc/self/exe", buffer, size - 1);
    if (n <= 0 || static_cast<size_t>(n) >= size - 1 || buffer[0] != '/') {
        buffer[0] = '\0';
        return false;
    }
    buffer[n] = '\0';
    char* slash = std::strrchr(buffer, '/');
    slash[slash == buffer ? 1 : 0] = '\0';
    return true;
}

const char* FindDataFileFrom(const char* exeDir, const char* fileName, char* buffer, size_t size) {
    if (fileName == nullptr) {
        return nullptr;
    }
    if (ReadableFile(fileName)) {
        return fileName;
    }
    const bool haveDir = exeDir != nullptr && exeDir[0] != '\0';
    const bool haveBuffer = buffer != nullptr && size > 0;
    int folderLength = 0;
    int prefixLength = 0;
    bool up = false;
    if (haveDir) {
        folderLength = FolderLength(exeDir);
        PrefixOf(exeDir, folderLength, &prefixLength, &up);
        if (haveBuffer) {
            if (Try(buffer, size,
                    std::snprintf(buffer, size, "%.*s/data/%s", folderLength, exeDir, fileName))) {
                return buffer;
            }
            if (Try(buffer, size,
                    std::snprintf(buffer, size, "%.*s%s/share/tempola/%s", prefixLength, exeDir,
                                  up ? "/.." : "", fileName))) {
                return buffer;
            }
        }
    }
    if (haveBuffer) {
        buffer[0] = '\0';
    }
    // One write, so the line stays whole even beside other output.
    if (haveDir) {
        std::fprintf(stderr,
                     "tempola: %s not found in ., %.*s/data, %.*s%s/share/tempola; running "
                     "without it\n",
                     fileName, folderLength, exeDir, prefixLength, exeDir, up ? "/.." : "");
    } else {
        std::fprintf(stderr, "tempola: %s not found in .; running without it\n", fileName);
    }
    return fileName;
}
