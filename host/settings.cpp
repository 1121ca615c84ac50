// The settings file and the debugger channel.
#include <cstdarg>
#include <cstdio>

#include "host/host_internal.h"

namespace {
const char kSettingsFile[] = "Vektorum.INI";
const char kSettingsSection[] = "Settings";
}  // namespace

void SaveSettings() {
    // Each key is its own write, so a file that already holds other keys
    // keeps them. A failed write changes nothing and is not fatal.
    char value[80];
    PlatWriteProfileString(kSettingsSection, "Fullscreen", displaySettings.fullscreen ? "1" : "0",
                           kSettingsFile);
    std::snprintf(value, sizeof value, "%d", static_cast<int>(displaySettings.width));
    PlatWriteProfileString(kSettingsSection, "Width", value, kSettingsFile);
    std::snprintf(value, sizeof value, "%d", static_cast<int>(displaySettings.height));
    PlatWriteProfileString(kSettingsSection, "Height", value, kSettingsFile);
    std::snprintf(value, sizeof value, "%d", static_cast<int>(displaySettings.bitsPerPixel));
    PlatWriteProfileString(kSettingsSection, "BitsPerPixel", value, kSettingsFile);
}

void DebugPrint(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    PlatDebugOutput(text);
}
