#include "platform/profile_file.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Line {
    std::string text;    // without its line ending
    std::string ending;  // "\n", "\r\n" or "" for a last line without one
};

std::string Trim(const std::string& s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) {
        ++b;
    }
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) {
        --e;
    }
    return s.substr(b, e - b);
}

bool SameName(const std::string& a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) {
        return false;
    }
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]);
        const unsigned char y = static_cast<unsigned char>(b[i]);
        if (std::tolower(x) != std::tolower(y)) {
            return false;
        }
    }
    return true;
}

// The name of a "[name]" line, or false when the line is not a section header.
bool SectionName(const std::string& text, std::string* name) {
    const std::string t = Trim(text);
    if (t.size() < 2 || t[0] != '[') {
        return false;
    }
    const size_t close = t.find(']');
    if (close == std::string::npos) {
        return false;
    }
    *name = Trim(t.substr(1, close - 1));
    return true;
}

// The key of a "key=value" line; comments and lines without '=' have none.
bool KeyName(const std::string& text, std::string* name) {
    const std::string t = Trim(text);
    if (t.empty() || t[0] == ';' || t[0] == '#') {
        return false;
    }
    const size_t eq = text.find('=');
    if (eq == std::string::npos) {
        return false;
    }
    *name = Trim(text.substr(0, eq));
    return true;
}

// Whole file, or false. A missing file reads as empty.
bool ReadWholeFile(const char* path, std::string* out, bool* existed) {
    out->clear();
    *existed = false;
    FILE* f = std::fopen(path, "rb");
    if (f == nullptr) {
        return errno == ENOENT;
    }
    *existed = true;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        out->append(buffer, n);
    }
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

std::vector<Line> SplitLines(const std::string& content) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t nl = content.find('\n', pos);
        Line line;
        if (nl == std::string::npos) {
            line.text = content.substr(pos);
            pos = content.size();
        } else {
            size_t end = nl;
            line.ending = "\n";
            if (end > pos && content[end - 1] == '\r') {
                --end;
                line.ending = "\r\n";
            }
            line.text = content.substr(pos, end - pos);
            pos = nl + 1;
        }
        lines.push_back(line);
    }
    return lines;
}

bool WriteAtomically(const char* path, const std::string& content, const struct stat* oldInfo) {
    std::string temp = std::string(path) + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        return false;
    }
    bool ok = true;
    size_t done = 0;
    while (ok && done < content.size()) {
        const ssize_t w = write(fd, content.data() + done, content.size() - done);
        if (w < 0) {
            ok = errno == EINTR;
        } else {
            done += static_cast<size_t>(w);
        }
    }
    if (ok && oldInfo != nullptr) {
        fchmod(fd, oldInfo->st_mode & 07777);
    } else if (ok) {
        // mkstemp makes 0600; a fresh settings file gets the usual mode.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }
    ok = ok && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && std::rename(name.data(), path) == 0;
    if (!ok) {
        unlink(name.data());
    }
    return ok;
}

}  // namespace

bool WriteProfileString(const char* path, const char* section, const char* key, const char* value) {
    if (path == nullptr || section == nullptr || key == nullptr || value == nullptr) {
        return false;
    }
    struct stat info;
    const bool haveInfo = stat(path, &info) == 0;
    if (haveInfo && !S_ISREG(info.st_mode)) {
        return false;
    }
    std::string content;
    bool existed = false;
    if (!ReadWholeFile(path, &content, &existed)) {
        return false;
    }
    std::vector<Line> lines = SplitLines(content);
    const std::string newline = (!lines.empty() && lines[0].ending == "\r\n") ? "\r\n" : "\n";

    // Find the section, then the key inside it (up to the next section).
    size_t sectionAt = lines.size();
    std::string name;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (SectionName(lines[i].text, &name) && SameName(name, section)) {
            sectionAt = i;
            break;
        }
    }

    if (sectionAt == lines.size()) {
        if (!lines.empty() && lines.back().ending.empty()) {
            lines.back().ending = newline;
        }
        lines.push_back({std::string("[") + section + "]", newline});
        lines.push_back({std::string(key) + "=" + value, newline});
    } else {
        size_t end = sectionAt + 1;
        while (end < lines.size() && !SectionName(lines[end].text, &name)) {
            ++end;
        }
        size_t keyAt = end;
        for (size_t i = sectionAt + 1; i < end; ++i) {
            if (KeyName(lines[i].text, &name) && SameName(name, key)) {
                keyAt = i;
                break;
            }
        }
        if (keyAt != end) {
            // Keep the key as it was spelled; only the value changes.
            const std::string& old = lines[keyAt].text;
            lines[keyAt].text = old.substr(0, old.find('=') + 1) + value;
        } else {
            // New keys go after the section's last non-blank line.
            size_t insertAt = end;
            while (insertAt > sectionAt + 1 && Trim(lines[insertAt - 1].text).empty()) {
                --insertAt;
            }
            if (lines[insertAt - 1].ending.empty()) {
                lines[insertAt - 1].ending = newline;
            }
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                         Line{std::string(key) + "=" + value, newline});
        }
    }

    std::string out;
    out.reserve(content.size() + 64);
    for (const Line& line : lines) {
        out += line.text;
        out += line.ending;
    }
    return WriteAtomically(path, out, haveInfo ? &info : nullptr);
}

bool ProfilePath(const char* fileName, char* out, size_t outSize) {
    const char* base = std::getenv("XDG_CONFIG_HOME");
    int n;
    if (base != nullptr && base[0] == '/') {
        n = std::snprintf(out, outSize, "%s/%s", base, fileName);
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] != '/') {
            return false;
        }
        n = std::snprintf(out, outSize, "%s/.config/%s", home, fileName);
    }
    return n > 0 && static_cast<size_t>(n) < outSize;
}
