// Frame-time captures read as a stream of redraws, whatever wrote them:
// this program's frame log and side captures, a present monitor's CSV in
// each of its generations (times in seconds, ms or counter ticks),
// CapFrameX's CSV and JSON, OCAT's and FrameView's CSV, and MangoHud's
// per-frame log. The format is told from the header (lab/capture/ holds one
// file per format); columns are found by name, without regard to case or
// underscores, so the order and the extra columns of each version do not
// matter.
//
// A CSV file of any length is read through one fixed buffer, nothing
// allocated per row; one of several applications or swap chains is read
// twice, the first time only to count each one's rows, so that the one with
// the most (or the named process's) can be replayed alone. A JSON capture
// is read whole when opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "pacing/frame_fate.h"
#include "pacing/rules.h"

// Distinct (application, swap chain) pairs told apart; rows of any further
// ones are counted together and never chosen.
constexpr int kMostCaptureStreams = 64;
constexpr size_t kStreamNameSize = 64;
constexpr size_t kSystemInfoSize = 96;  // the game, processor and graphics card names

// What the log recorded of one side at one redraw. Its interval cells are
// the replay's to reproduce, not to read.
struct RecordedSide {
    bool updated;
    double target;
    PaceRule rule;
};

// The latencies a capture may carry on each row, in ms.
enum CaptureLatency : uint8_t {
    kInputLatency,    // MsAllInputToPhotonLatency
    kClickLatency,    // MsClickToPhotonLatency, 2.0's ClickToPhotonLatency
    kPcLatency,       // MsPCLatency
    kDisplayLatency,  // DisplayLatency, MsDisplayLatency
    kCaptureLatencyCount
};

// A present monitor's (2.1+) own animation error, and what recomputing it
// needs where the file has none: NaN where the file does not say.
struct CaptureMotion {
    double errorMs;           // AnimationError, MsAnimationError; NaN too where rejected
    bool errorRejected;       // its cell held more than kLargestAnimationErrorMs either way
    double timeMs;            // AnimationTime
    double cpuStartSeconds;   // the frame's CPU start, on the same origin as seconds
    double presentSeconds;    // its present call, on the same origin as seconds
    double untilDisplayedMs;  // MsUntilDisplayed: from the present to the screen
    double inPresentApiMs;    // MsInPresentAPI
};
// An animation error further from 0 is a counter that wrapped in the tool.
constexpr double kLargestAnimationErrorMs = 1000.0;

struct CaptureRow {
    uint64_t line;   // in the file, from 1 (a JSON capture: the frame, from 1)
    double seconds;  // the redraw's time, on the file's own origin
    bool hasClock;
    uint32_t clockMs;  // the pacers' millisecond clock (Tempola logs)
    FrameFate fate;    // shown, dropped, or unknown where the file does not say
    bool hasDisplay;
    double displaySeconds;  // when shown, on the same origin as seconds
    // Not the application's own frame: FrameType says Repeated or names a
    // frame generator (any value other than Application).
    bool generated;
    bool hasSides;
    RecordedSide side[2];
    double latencyMs[kCaptureLatencyCount];  // negative where not known
    CaptureMotion motion;
    // Cells that held a number out of their column's range (a wrapped
    // counter, a negative duration), read as not known.
    uint8_t skippedCells;
};

struct CaptureStream {
    char application[kStreamNameSize];
    char swapChain[kStreamNameSize];
    uint8_t applicationSize;
    uint8_t swapChainSize;
    uint64_t rows;
    bool shows;  // a row of it has a display time
    // Its first and last rows' times in the file's unit, and the ms column
    // the unit is fitted against: its sum and its first and last cells.
    bool timed;
    double firstTime;
    double lastTime;
    double ticksMs;
    double firstTicksMs;
    double lastTicksMs;
    // The fit itself: the time's steps and the ms that span them, summed
    // over the rows where both are sound (a wrapped cell costs one step).
    double fitSteps;
    double fitMs;
    double fitLastMs;  // the last row's ms where it runs to the next row; NaN where unsound
    // The first and last cells of the second time column (a CPU start beside
    // a present time, or the reverse), and the time's on their rows: the
    // second column's unit.
    bool othered;
    double firstOther;
    double lastOther;
    double firstOtherAt;
    double lastOtherAt;
};

struct CaptureInfo {
    const char* format;          // its name, for people
    char game[kSystemInfoSize];  // empty where the file does not say
    char cpu[kSystemInfoSize];
    char gpu[kSystemInfoSize];
    const char* timeName;   // the time column's name
    double ticksHz;         // times in counter ticks: their rate; else 0
    const char* ticksFrom;  // the column it was fitted against, or "--qpc-hz"
    int runs;               // a JSON capture's runs; 1 for a CSV file
    int run;                // the one read, from 1
    uint64_t headerLine;
    CaptureStream streams[kMostCaptureStreams];
    int streamCount;
    uint64_t otherRows;  // of streams past kMostCaptureStreams
    CaptureStream chosen;
    double secondsPerUnit;       // the time unit in seconds, for the streams' spans
    double otherSecondsPerUnit;  // the second time column's; 0 where there is none
};

struct CaptureOptions {
    const char* process;  // null: the busiest stream
    int run;              // a JSON capture's run, from 1; 0 the first
    double ticksHz;       // 0: fitted from the file
    bool spans;           // time every stream while counting, for --list
    // Progress lines for files over 50 MB, and notes on what a file holds (a
    // FrameType not known, once per value); may be null.
    std::FILE* progress;
};

struct CaptureReader;
struct CaptureReaderFree {
    void operator()(CaptureReader* reader) const;
};
using CaptureReaderPtr = std::unique_ptr<CaptureReader, CaptureReaderFree>;
// Large (over 1 MiB): made once and opened again for each file. Null when
// out of memory.
CaptureReaderPtr NewCaptureReader();

// Opens path, tells its format and chooses the stream: the named process's
// (application name, without regard to case; NAME.exe too) with the most
// rows, or with none named the one with the most rows of all. False with a
// one-line message in error for a file that cannot be read, is in none of
// the formats (the message says what it looks like instead, with the line),
// holds no rows, has no rows of the named process, is timed in ticks whose
// rate cannot be found, or is a MangoHud log sampled rather than per frame.
bool OpenCapture(CaptureReader& reader, const char* path, const CaptureOptions& options,
                 char* error, size_t errorSize);
const CaptureInfo& CaptureInfoOf(const CaptureReader& reader);

enum class CaptureStep : uint8_t { kRow, kEnd, kError };
// The next row of the chosen stream. kError with a message naming the line:
// a row short of cells, a number that does not parse, a time that goes back.
CaptureStep NextCaptureRow(CaptureReader& reader, CaptureRow* row, char* error, size_t errorSize);

void CloseCapture(CaptureReader& reader);

// A stream's span in seconds, where the counting timed it; else negative.
double StreamSeconds(const CaptureInfo& info, const CaptureStream& stream);
