// The Windows backend on the real system (under Wine in our runs): the
// settings file, the data-file search and one window's message round trip.
#include <cstring>
#include <string>

#include "host/host_internal.h"
#include "platform/win32_requests.h"
#include "tests/win32/check.h"

namespace {

std::string ReadKey(const char* section, const char* key) {
    char value[80];
    GetPrivateProfileStringA(section, key, "(none)", value, sizeof value, "Vektorum.INI");
    return value;
}

void SettingsLandInTheWindowsFolder() {
    char folder[MAX_PATH];
    const UINT n = GetWindowsDirectoryA(folder, sizeof folder);
    CHECK(n > 0 && n < sizeof folder);
    const std::string path = std::string(folder) + "\\Vektorum.INI";
    DeleteFileA(path.c_str());
    // What an earlier run or the user left: one key to overwrite, one to keep.
    WritePrivateProfileStringA("Settings", "Width", "1", "Vektorum.INI");
    WritePrivateProfileStringA("Other", "Keep", "yes", "Vektorum.INI");

    displaySettings = {1, 800, 600, 16};
    SaveSettings();
    CHECK(ReadKey("Settings", "Fullscreen") == "1");
    CHECK(ReadKey("Settings", "Width") == "800");
    CHECK(ReadKey("Settings", "Height") == "600");
    CHECK(ReadKey("Settings", "BitsPerPixel") == "16");
    CHECK(ReadKey("Other", "Keep") == "yes");
    CHECK(GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES);

    // A missing value must not turn into the system's "delete this key".
    CHECK(!PlatWriteProfileString("Settings", "Width", nullptr, "Vektorum.INI"));
    CHECK(ReadKey("Settings", "Width") == "800");
    DeleteFileA(path.c_str());
}

void DataFilesBesideTheProgram() {
    char buffer[MAX_PATH + 64];
    char oldFolder[MAX_PATH];
    GetCurrentDirectoryA(sizeof oldFolder, oldFolder);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    SetCurrentDirectoryA(temp);  // somewhere without the pictures

    const char* found = PlatFindDataFile("metal2.bmp", buffer, sizeof buffer);
    CHECK(found == buffer);
    const std::string path = found;
    CHECK(path.size() > 15 && path.compare(path.size() - 15, 15, "data\\metal2.bmp") == 0);
    CHECK(std::strcmp(PlatFindDataFile("absent.bmp", buffer, sizeof buffer), "absent.bmp") == 0);
    // A path that does not fit is not returned cut short.
    char small[8];
    CHECK(std::strcmp(PlatFindDataFile("metal2.bmp", small, sizeof small), "metal2.bmp") == 0);
    SetCurrentDirectoryA(oldFolder);
}

int creates = 0, destroys = 0, closesSeen = 0;

intptr_t RecordingProc(PlatWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
    case kMsgCreate: ++creates; return 0;
    case kMsgDestroy:
        ++destroys;
        PlatPostQuit(7);
        return 0;
    case kMsgClose: ++closesSeen; break;
    default: break;
    }
    return PlatDefaultWindowProc(window, message, wParam, lParam);
}

void WindowMessagesRoundTrip() {
    CHECK(PlatDesktopBitsPerPixel() > 0);
    CHECK(PlatRegisterWindowClass("Tempola_Test_Class", RecordingProc));
    PlatWindow* window = PlatCreateWindow("Tempola_Test_Class", "test", false, 0, 0, 320, 240);
    CHECK(window != nullptr);
    CHECK(creates == 1);  // from inside the creation call
    if (window == nullptr) {
        return;
    }
    PlatShowWindow(window);
    PostMessageA(reinterpret_cast<HWND>(window), WM_CLOSE, 0, 0);
    PlatMessage message = {};
    int taken = 0;
    while (taken < 10000 && PlatTakeMessage(&message) && message.message != kMsgQuit) {
        PlatDispatchMessage(message);
        ++taken;
    }
    // The close went to the default procedure, which destroyed the window.
    CHECK(closesSeen == 1);
    CHECK(destroys == 1);
    CHECK(message.message == kMsgQuit);
    CHECK(message.wParam == 7);
    CHECK(!IsWindow(reinterpret_cast<HWND>(window)));
}

}  // namespace

int main() {
    SettingsLandInTheWindowsFolder();
    DataFilesBesideTheProgram();
    WindowMessagesRoundTrip();
    return check::Summary("backend");
}
