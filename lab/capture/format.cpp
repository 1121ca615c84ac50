#include "lab/capture/format.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

int HeaderView::Find(const char* name) const {
    for (int i = 0; i < count; ++i) {
        if (SameColumn(cells[i], name))
            return i;
    }
    return -1;
}

int HeaderView::Find(const char* a, const char* b) const {
    const int first = Find(a);
    return first >= 0 ? first : Find(b);
}

void ResetLayout(CsvLayout& layout, const char* format) {
    layout = CsvLayout{};
    layout.format = format;
    for (int& c : layout.column)
        c = -1;
    layout.lastColumn = -1;
    layout.unit = TimeUnit::kScaled;
    layout.timeScale = 1.0;
    layout.timeName = "";
}

void SetRole(CsvLayout& layout, CaptureRole role, int index) {
    layout.column[role] = index;
    if (index > layout.lastColumn)
        layout.lastColumn = index;
}

namespace {

// The index of the first of names found, or -1.
int FindAny(const HeaderView& h, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const int index = h.Find(name);
        if (index >= 0)
            return index;
    }
    return -1;
}

}  // namespace

void SetPresentMonRoles(CsvLayout& layout, const HeaderView& h) {
    SetRole(layout, kRoleApplication, h.Find("Application"));
    SetRole(layout, kRoleSwapChain, h.Find("SwapChainAddress"));
    SetRole(layout, kRoleDropped, h.Find("Dropped"));
    SetRole(layout, kRoleUntil, h.Find("MsUntilDisplayed"));
    if (layout.column[kRoleUntil] < 0)
        SetRole(layout, kRoleBetween, h.Find("MsBetweenDisplayChange"));
    SetRole(layout, kRoleInputLatency,
            h.Find("MsAllInputToPhotonLatency", "AllInputToPhotonLatency"));
    SetRole(layout, kRoleClickLatency, h.Find("MsClickToPhotonLatency", "ClickToPhotonLatency"));
    SetRole(layout, kRolePcLatency, h.Find("MsPCLatency"));
    SetRole(layout, kRoleDisplayLatency, h.Find("MsDisplayLatency", "DisplayLatency"));
    SetRole(layout, kRoleFrameType, h.Find("FrameType"));
    SetRole(layout, kRoleAnimationError, h.Find("MsAnimationError", "AnimationError"));
    SetRole(layout, kRoleAnimationTime, h.Find("AnimationTime"));
    SetRole(layout, kRoleUntilDisplayed, h.Find("MsUntilDisplayed"));
    SetRole(layout, kRoleInPresentApi, h.Find("MsInPresentAPI"));
    SetRole(layout, kRoleOtherTime, FindAny(h, {"CPUStartQPC", "CPUStartTime", "CPUStartQPCTime"}));
}

void SetFit(CsvLayout& layout, const HeaderView& h) {
    const char* const fits[2] = {"MsBetweenPresents", "FrameTime"};
    for (const char* fit : fits) {
        const int index = h.Find(fit);
        if (index >= 0) {
            SetRole(layout, kRoleTicksMs, index);
            layout.fitName = fit;
            layout.fitToNext = fit[0] == 'F';
            return;
        }
    }
    // From one CPU start to the next, as FrameTime is.
    const int busy = h.Find("CPUBusy", "MsCPUBusy");
    const int wait = h.Find("CPUWait", "MsCPUWait");
    if (busy >= 0 && wait >= 0) {
        SetRole(layout, kRoleTicksMs, busy);
        SetRole(layout, kRoleTicksMsMore, wait);
        layout.fitName = "CPUBusy + CPUWait";
        layout.fitToNext = true;
    }
}

void SetTicks(CsvLayout& layout, const HeaderView& h, int time, const char* name) {
    SetRole(layout, kRoleTime, time);
    layout.unit = TimeUnit::kTicks;
    layout.timeName = name;
    SetFit(layout, h);
}

void SetCpuStartTime(CsvLayout& layout, const HeaderView& h, int time, const char* name) {
    SetRole(layout, kRoleTime, time);
    layout.timeName = name;
    layout.timeIsCpuStart = true;
    SetRole(layout, kRoleOtherTime, FindAny(h, {"TimeInQPC", "TimeInMs", "TimeInSeconds"}));
}

bool OptionalRole(int role) {
    return (role >= kRoleInputLatency && role <= kRoleDisplayLatency) ||
           (role >= kRoleFrameType && role <= kRoleInPresentApi);
}

bool RowError::Say(const char* what, const Cell& cell) const {
    const Cell t = Trim(cell);
    const int shown = t.size < 40 ? static_cast<int>(t.size) : 40;
    return Fail(error, errorSize, "%s %s %llu: %s: '%.*s'", path, unit,
                static_cast<unsigned long long>(line), what, shown, t.text);
}

bool RowError::SayValue(const char* what, double value) const {
    return Fail(error, errorSize, "%s %s %llu: %s: %g", path, unit,
                static_cast<unsigned long long>(line), what, value);
}

bool RowError::SayBack(double seconds, double before) const {
    return Fail(error, errorSize, "%s %s %llu: the time goes back (%.7f s after %.7f s)", path,
                unit, static_cast<unsigned long long>(line), seconds, before);
}

namespace {

void Copy(char* to, const Cell& value) {
    const Cell t = Trim(value);
    const size_t n = t.size < kSystemInfoSize - 1 ? t.size : kSystemInfoSize - 1;
    std::memcpy(to, t.text, n);
    to[n] = '\0';
}

}  // namespace

bool TakeSystemInfo(const Cell& key, const Cell& value, CaptureInfo* info) {
    const Cell k = Trim(key);
    char* to = nullptr;
    if (SameColumn(k, "GameName") || SameColumn(k, "Game"))
        to = info->game;
    else if (SameColumn(k, "ProcessName") && info->game[0] == '\0')
        to = info->game;
    else if (SameColumn(k, "Processor") || SameColumn(k, "CPU"))
        to = info->cpu;
    else if (SameColumn(k, "GraphicCardName") || SameColumn(k, "GPU") ||
             SameColumn(k, "GraphicsCard"))
        to = info->gpu;
    if (to == nullptr || Trim(value).size == 0)
        return false;
    Copy(to, value);
    return true;
}

void TakeMangoHudSystem(const Cell* names, int nameCount, const Cell* values, int valueCount,
                        CaptureInfo* info) {
    for (int i = 0; i < nameCount && i < valueCount; ++i) {
        if (SameWord(Trim(names[i]), "cpu"))
            Copy(info->cpu, values[i]);
        else if (SameWord(Trim(names[i]), "gpu"))
            Copy(info->gpu, values[i]);
    }
}
