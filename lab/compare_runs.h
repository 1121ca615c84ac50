// tempola-sim with several --replay runs (or --name): each capture replayed
// under the same rules, then one row of figures per run, or with --stats one
// line per run, "tempola-stats run=NAME ...". Returns the exit code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "lab/capture/capture_reader.h"
#include "lab/sim_options.h"

struct IntervalFigures;
struct StatRecords;

constexpr size_t kRunNameSize = 320;
constexpr size_t kRunDescriptionSize = 1024;

int CompareRuns(const SimOptions& options, const char* program);

// A run's name as --name gives it, else its file's name and its
// application's: "a.csv (game.exe)".
void RunName(const SimOptions& options, int run, const char* application, char* name, size_t size);
// The name as one token of a stats line: blanks and '=' written as '_'.
void RunNameToken(const char* name, char* token, size_t size);

// What a run replayed, for people: "FILE (FORMAT, application A, swap
// chain S): N redraws over T s".
void DescribeReplay(const char* path, const CaptureInfo& info, uint64_t frames, double seconds,
                    char* text, size_t size);

// The runs' rows: with stats a line per run, else a table with a row per
// run (the redraws' stutters where the records have them).
void PrintRunRows(std::FILE* out, bool stats, const char* const* names,
                  const StatRecords* const* records, const IntervalFigures* const* redraws,
                  int runs);
