// The program's entry on Windows: the system hands us the command line after
// the program's name; "--seconds N" is ours, the rest goes to the host.
//
//   --seconds N   close the window after N seconds, the same way Escape does
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "demo/scene.h"
#include "host/app.h"
#include "host/options.h"

namespace {

const AppCallbacks* demo = nullptr;
uint32_t stopAtMs = 0;

bool TimedRender() {
    const bool goOn = demo->Render();
    return goOn && timeMs < stopAtMs;
}

// Takes "--seconds N" out of commandLine. False when the option is there
// without a usable number.
bool TakeSecondsOption(std::string* commandLine, double* seconds) {
    const char* kOption = "--seconds";
    std::string rest;
    size_t pos = 0;
    const std::string& text = *commandLine;
    while (pos < text.size()) {
        const size_t start = text.find_first_not_of(" \t", pos);
        if (start == std::string::npos) {
            break;
        }
        size_t stop = text.find_first_of(" \t", start);
        if (stop == std::string::npos) {
            stop = text.size();
        }
        const std::string word = text.substr(start, stop - start);
        pos = stop;
        if (word == kOption) {
            const size_t valueStart = text.find_first_not_of(" \t", pos);
            if (valueStart == std::string::npos) {
                return false;
            }
            size_t valueStop = text.find_first_of(" \t", valueStart);
            if (valueStop == std::string::npos) {
                valueStop = text.size();
            }
            if (!ParseRunSeconds(text.substr(valueStart, valueStop - valueStart).c_str(), seconds)) {
                return false;
            }
            pos = valueStop;
            continue;
        }
        if (!rest.empty()) {
            rest += ' ';
        }
        rest += word;
    }
    *commandLine = rest;
    return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int) {
    std::string commandLine = lpCmdLine != nullptr ? lpCmdLine : "";
    double runSeconds = 0.0;
    if (!TakeSecondsOption(&commandLine, &runSeconds)) {
        const char* text = "--seconds needs a number of seconds (0 < N <= 4294967).";
        std::fprintf(stderr, "tempola: %s\n", text);
        MessageBoxA(nullptr, text, "Tempola", MB_ICONERROR | MB_OK);
        return 2;
    }
    if (runSeconds == 0.0) {
        return HostMain(commandLine.c_str(), DemoCallbacks());
    }
    demo = &DemoCallbacks();
    AppCallbacks timed = *demo;
    timed.Render = TimedRender;
    stopAtMs = RunEndMs(runSeconds);
    return HostMain(commandLine.c_str(), timed);
}
