// What a capture format is to the reader: the header it recognises, with
// how sure it is, and the columns it finds there by role. Rows are then
// read by role, the same way for every format (rows.h); a format with cells
// of its own (the Tempola log's sides) reads them in a hook. Each format is
// one file; kCaptureFormats (formats.cpp) lists them, and the reader takes
// the one most sure of a header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lab/capture/capture_reader.h"
#include "lab/capture/text.h"

// Column roles; a layout holds an index into the header for each, or -1.
enum CaptureRole : uint8_t {
    kRoleApplication,
    kRoleSwapChain,
    kRoleTime,
    kRoleDropped,
    kRoleUntil,        // ms from the time column to display
    kRoleBetween,      // MsBetweenDisplayChange, summed where no kRoleUntil is there
    kRoleShownFor,     // 2.x DisplayedTime: NA for a frame never shown
    kRoleFrameTime,    // MangoHud frametime, summed where there is no time column
    kRoleClock,        // Tempola's PacerClockMs
    kRoleTicksMs,      // the ms column a time unit not stated is fitted against
    kRoleTicksMsMore,  // added to it: CPUWait beside CPUBusy
    kRoleInputLatency,
    kRoleClickLatency,
    kRolePcLatency,
    kRoleDisplayLatency,
    // Read where present, and never needed: a row may stop before them.
    kRoleFrameType,
    kRoleAnimationError,
    kRoleAnimationTime,
    kRoleOtherTime,       // a CPU start beside a present time, or the reverse
    kRoleUntilDisplayed,  // MsUntilDisplayed, which kRoleUntil is not beside a CPU start
    kRoleInPresentApi,
    kRoleLeftUpdated,  // then LeftMsBetweenUpdates, LeftTarget, LeftRule, and the right's
    kCaptureRoleCount = kRoleLeftUpdated + 8
};

enum class TimeUnit : uint8_t {
    kScaled,        // the time column times timeScale is seconds
    kTicks,         // performance-counter ticks: the rate is given or fitted
    kSummedFrames,  // no time column: the frame times summed
    kSampledOrNot,  // MangoHud's elapsed: ns or us, per frame or sampled; told by counting
    kMsOrSeconds,   // CPUStartTime: ms from one writer, seconds from another; told by the fit
};

struct CsvLayout {
    const char* format;  // the name said to people
    int column[kCaptureRoleCount];
    int lastColumn;  // the highest index any role needs
    TimeUnit unit;
    double timeScale;
    const char* timeName;   // the time column as the file names it
    const char* fitName;    // the kRoleTicksMs column's name
    bool fitToNext;         // it holds the time to the next row (FrameTime), not since the last
    bool timeIsCpuStart;    // the time column is the CPU's start, not the present's
    bool clockFromSeconds;  // the old Tempola log: the pacers' clock is floor(ms)
    bool sides;             // the Tempola log's side columns are there
};

struct HeaderView {
    const Cell* cells;
    int count;
    bool preamble;  // "//key=value" lines came before it
    // The index of the first of names found, or -1.
    int Find(const char* name) const;
    int Find(const char* a, const char* b) const;
};

void ResetLayout(CsvLayout& layout, const char* format);
void SetRole(CsvLayout& layout, CaptureRole role, int index);
// The roles every present-monitor layout shares: application, swap chain,
// Dropped, MsUntilDisplayed (else MsBetweenDisplayChange) and the 2.x
// latency columns.
void SetPresentMonRoles(CsvLayout& layout, const HeaderView& header);
// A time in ticks, and the ms column their rate is fitted against.
void SetTicks(CsvLayout& layout, const HeaderView& header, int time, const char* name);
// The ms column a time's unit is fitted against: MsBetweenPresents, else
// FrameTime, else CPUBusy + CPUWait (2.0's frame time in two parts).
void SetFit(CsvLayout& layout, const HeaderView& header);
// The time is the CPU's start (in the column at time): the present monitor
// 2.x columns that time it, and the present's own time where it is there.
void SetCpuStartTime(CsvLayout& layout, const HeaderView& header, int time, const char* name);
// Whether a role's cells may be missing from a row's end.
bool OptionalRole(int role);

// Each side's last rule and target cells and their values: rows repeat
// them, so they are parsed again only when they change.
struct SideCache {
    char ruleText[2][32];
    size_t ruleSize[2];
    PaceRule rule[2];
    char targetText[2][32];
    size_t targetSize[2];
    double target[2];
};

// Says what is wrong with a cell of the row being read, naming its line.
struct RowError {
    const char* path;
    const char* unit;  // "line", or a JSON capture's "frame"
    uint64_t line;
    char* error;
    size_t errorSize;
    bool Say(const char* what, const Cell& cell) const;
    bool SayValue(const char* what, double value) const;
    bool SayBack(double seconds, double before) const;
};

struct CsvFormat {
    // 0 when the header is not this format's; else how sure, up to 100, with
    // the layout filled.
    int (*probe)(const HeaderView& header, CsvLayout* layout);
    // The format's own cells of a row, after the common ones; null for none.
    bool (*readOwn)(const CsvLayout& layout, SideCache& cache, const RowError& e, const Cell* cells,
                    CaptureRow* row);
};

extern const CsvFormat* const kCaptureFormats[];
extern const int kCaptureFormatCount;

// The formats, each in its own file.
extern const CsvFormat kTempolaLogFormat;
extern const CsvFormat kPresentMon1Format;
extern const CsvFormat kCapFrameXCsvFormat;
extern const CsvFormat kPresentMon2Format;
extern const CsvFormat kPresentMon24Format;
extern const CsvFormat kMangoHudFormat;

// The game and the machine a capture was made on, from CapFrameX's
// "//Key=Value" preamble lines and its JSON's Info block: true when the key
// is one of its names of the game, the processor or the graphics card.
bool TakeSystemInfo(const Cell& key, const Cell& value, CaptureInfo* info);
// From MangoHud's system-information line under its names line.
void TakeMangoHudSystem(const Cell* names, int nameCount, const Cell* values, int valueCount,
                        CaptureInfo* info);
