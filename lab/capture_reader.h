// Frame-time captures read as a stream of redraws: this program's own frame
// log (both shapes it has had) and side captures, the present monitor's CSV
// in each of its generations, and the Linux overlay logger's CSV. The format
// is told from the header; columns are found by name, without regard to
// case, so that the order and the extra columns of each version do not
// matter.
//
// A file of any length is read through one fixed buffer: a row is a view
// into it, numbers are parsed in place, and nothing is allocated per row.
// A capture of several applications or swap chains is read twice, the
// first time only to count each one's rows, so that the one with the most
// (or the named process's) can be replayed alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "pacing/rules.h"

enum class CaptureFormat : uint8_t {
    kTempola,       // the frame log with PacerClockMs
    kTempolaOld,    // the frame log before it: TimeInSeconds first, no clock column
    kPresentMon1,   // TimeInSeconds, MsBetweenPresents (also the side captures)
    kPresentMon2,   // 2.0 to 2.3: CPUStartTime and FrameTime, in ms
    kPresentMon24,  // 2.4 on: TimeInMs
    kMangoHud,      // frametime (ms), elapsed (ns)
};
const char* CaptureFormatName(CaptureFormat format);
// What a file in none of the formats is told it is not.
constexpr const char* kCaptureFormatsLookedFor =
    "Tempola frame log (PacerClockMs or TimeInSeconds with LeftUpdated), "
    "PresentMon 1.x (TimeInSeconds), PresentMon 2.0-2.3 (CPUStartTime, FrameTime), "
    "PresentMon 2.4+ (TimeInMs), MangoHud (frametime, elapsed)";

// Lines longer than this are refused, which bounds the buffer.
constexpr size_t kLongestCaptureLine = 64 * 1024;
constexpr size_t kCaptureBuffer = 1024 * 1024;
// Distinct (application, swap chain) pairs told apart; rows of any further
// ones are counted together and never chosen.
constexpr int kMostCaptureStreams = 64;
constexpr size_t kStreamNameSize = 64;

// What the log recorded of one side at one redraw. Its interval cells are
// the replay's to reproduce, not to read.
struct RecordedSide {
    bool updated;
    double target;
    PaceRule rule;
};

struct CaptureRow {
    uint64_t line;   // in the file, from 1
    double seconds;  // the redraw's time, on the file's own origin
    bool hasClock;
    uint32_t clockMs;  // the pacers' millisecond clock (Tempola logs)
    int8_t dropped;    // 1 not shown, 0 shown, -1 not known
    bool hasDisplay;
    double displaySeconds;  // when shown, on the same origin as seconds
    bool hasSides;
    RecordedSide side[2];
};

struct CaptureStream {
    char application[kStreamNameSize];
    char swapChain[kStreamNameSize];
    uint8_t applicationSize;
    uint8_t swapChainSize;
    uint64_t rows;
    bool shows;  // a row of it has a display time
};

// Column roles; each holds an index into the header, or -1.
enum CaptureColumn : uint8_t {
    kColApplication,
    kColSwapChain,
    kColTime,
    kColDropped,
    kColUntil,      // MsUntilDisplayed, or 2.x DisplayLatency (from the time column)
    kColBetween,    // MsBetweenDisplayChange, summed where no kColUntil is there
    kColShownFor,   // 2.x DisplayedTime: NA for a frame never shown
    kColFrameTime,  // MangoHud frametime, summed where no elapsed is there
    kColClock,
    kColLeftUpdated,
    kColLeftMs,
    kColLeftTarget,
    kColLeftRule,
    kColRightUpdated,
    kColRightMs,
    kColRightTarget,
    kColRightRule,
    kCaptureColumnCount
};

struct CaptureReader {
    std::FILE* file;
    char path[512];
    uint64_t fileSize;
    uint64_t bytesRead;
    CaptureFormat format;
    int column[kCaptureColumnCount];
    int lastColumn;       // the highest index any role needs
    double timeScale;     // the time column's unit in seconds
    uint64_t headerLine;  // the header's line number
    uint64_t dataOffset;  // where the first row begins
    bool chooses;         // rows are kept only for the chosen stream
    CaptureStream chosen;
    CaptureStream streams[kMostCaptureStreams];
    int streamCount;
    uint64_t otherRows;  // of streams past kMostCaptureStreams
    // Reading state.
    uint64_t line;
    bool ended;
    bool started;
    double previousSeconds;
    double summed;       // MangoHud: frame times so far, without elapsed
    double lastDisplay;  // 1.x: summed display changes, without MsUntilDisplayed
    bool anyDisplay;
    // Each side's last rule and target cells and their values: rows repeat them.
    char ruleText[2][32];
    size_t ruleSize[2];
    PaceRule rule[2];
    char targetText[2][32];
    size_t targetSize[2];
    double target[2];
    std::FILE* progress;
    uint64_t nextProgress;
    const char* pass;  // "counting", "replaying": for the progress lines
    size_t begin;
    size_t end;
    bool atEof;
    char buffer[kCaptureBuffer + 1];
};

// Opens path, tells its format, and chooses the stream: the named process's
// (application name, without regard to case) with the most rows, or with
// none named the one with the most rows of all. False with a message in
// error for a file that cannot be read, is in none of the formats, holds no
// rows, or has no rows of the named process. progress, when not null, gets
// a line now and then while a file over 50 MB is counted.
// Large (about 1 MiB): allocate it once.
bool OpenCapture(CaptureReader& reader, const char* path, const char* process, char* error,
                 size_t errorSize, std::FILE* progress);

enum class CaptureStep : uint8_t { kRow, kEnd, kError };
// The next row of the chosen stream. kError with a message naming the line:
// a row short of cells, a number that does not parse, a time that goes back.
CaptureStep NextCaptureRow(CaptureReader& reader, CaptureRow* row, char* error, size_t errorSize);

void CloseCapture(CaptureReader& reader);
