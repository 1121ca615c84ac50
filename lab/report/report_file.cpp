#include "lab/report/report_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

bool MakeBeside(const char* path, const char* suffix, char* temp, size_t size, int* fd, char* error,
                size_t errorSize) {
    const int n = std::snprintf(temp, size, "%s.%sXXXXXX", path, suffix);
    if (n < 0 || static_cast<size_t>(n) >= size) {
        std::snprintf(error, errorSize, "'%s': the name is too long", path);
        return false;
    }
    *fd = mkstemp(temp);
    if (*fd < 0) {
        std::snprintf(error, errorSize, "cannot write beside '%s': %s", path, std::strerror(errno));
        return false;
    }
    return true;
}

}  // namespace

bool OpenWholeFile(WholeFile& out, const char* path, char* error, size_t errorSize) {
    out.file = nullptr;
    out.tempPath[0] = '\0';
    struct stat info;
    if (stat(path, &info) == 0 && S_ISDIR(info.st_mode)) {
        std::snprintf(error, errorSize, "'%s' is a folder", path);
        return false;
    }
    if (std::snprintf(out.path, sizeof out.path, "%s", path) >= static_cast<int>(sizeof out.path)) {
        std::snprintf(error, errorSize, "'%s': the name is too long", path);
        return false;
    }
    int fd = -1;
    if (!MakeBeside(path, "", out.tempPath, sizeof out.tempPath, &fd, error, errorSize))
        return false;
    // mkstemp makes it private; the page is for reading like any other file.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    out.file = fdopen(fd, "w");
    if (out.file == nullptr) {
        std::snprintf(error, errorSize, "cannot write '%s': %s", path, std::strerror(errno));
        close(fd);
        DiscardWholeFile(out);
        return false;
    }
    return true;
}

bool CommitWholeFile(WholeFile& out, char* error, size_t errorSize) {
    bool ok = out.file != nullptr && std::fflush(out.file) == 0 && !std::ferror(out.file) &&
              fsync(fileno(out.file)) == 0;
    if (out.file != nullptr && std::fclose(out.file) != 0)
        ok = false;
    out.file = nullptr;
    if (ok && std::rename(out.tempPath, out.path) != 0)
        ok = false;
    if (!ok) {
        std::snprintf(error, errorSize, "writing '%s' failed: %s", out.path, std::strerror(errno));
        DiscardWholeFile(out);
        return false;
    }
    out.tempPath[0] = '\0';
    return true;
}

void DiscardWholeFile(WholeFile& out) {
    if (out.file != nullptr)
        std::fclose(out.file);
    out.file = nullptr;
    if (out.tempPath[0] != '\0')
        unlink(out.tempPath);
    out.tempPath[0] = '\0';
}
