// The program's entry on Windows. It takes the same options as the POSIX
// one; with no console to print to, --help and usage errors show in a
// message box, and the --stats line also goes to the debugger channel.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/run.h"
#include "demo/scene.h"

namespace {

double CounterSeconds() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0.0;
    // 100 ns units, split across two 32-bit halves.
    const auto seconds = [](const FILETIME& t) {
        const uint64_t units = (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
        return static_cast<double>(units) * 1e-7;
    };
    return seconds(kernel) + seconds(user);
}

void ReportLine(const char* line) {
    std::fprintf(stderr, "%s\n", line);
    std::fflush(stderr);
    OutputDebugStringA(line);
    OutputDebugStringA("\n");
}

// Words of the command line, split at blanks; double quotes group a word
// that holds blanks (a log path, say) and are dropped.
std::vector<std::string> SplitWords(const char* text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char* p = text; p != nullptr && *p != '\0'; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((*p == ' ' || *p == '\t') && !quoted) {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
        } else {
            word += *p;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int) {
    const double mainEntered = CounterSeconds();
    const std::vector<std::string> words = SplitWords(lpCmdLine);
    std::vector<const char*> argv;
    argv.push_back("tempola");
    for (const std::string& word : words) {
        argv.push_back(word.c_str());
    }
    RunOptions options;
    char error[512];
    if (!ParseOptions(static_cast<int>(argv.size()), argv.data(), &options, error, sizeof error)) {
        std::fprintf(stderr, "tempola: %s\n", error);
        MessageBoxA(nullptr, error, "Tempola", MB_ICONERROR | MB_OK);
        return 2;
    }
    if (options.help) {
        std::fputs(UsageText(), stdout);
        MessageBoxA(nullptr, UsageText(), "Tempola", MB_ICONINFORMATION | MB_OK);
        return 0;
    }
    if (options.version) {
        std::printf("%s\n", VersionText());
        MessageBoxA(nullptr, VersionText(), "Tempola", MB_ICONINFORMATION | MB_OK);
        return 0;
    }
    const RunEnvironment environment = {CounterSeconds, -1.0, mainEntered, ReportLine,
                                        static_cast<long>(GetCurrentProcessId()), CpuSeconds};
    return RunProgram(options, environment, DemoCallbacks());
}
