// What one run prints: a table for people, or the one-line figures for
// scripts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "lab/sim/sim_run.h"

struct CaptureFacts;
struct StatRecords;
struct StutterCounts;

// displaySource says where the display figures come from: "model" (a
// modelled display at setup.displayHz), or "capture" for a replay's
// recorded display times (setup.displayHz then its typical refresh).
// The table shows the run's records, as the line does.
void PrintSimTable(std::FILE* out, const SimSetup& setup, const SimResult& result,
                   const char* displaySource = "model");
// The same from the run's records, made already (SimStatRecords).
void PrintSimTable(std::FILE* out, const SimSetup& setup, const SimResult& result,
                   const char* displaySource, const StatRecords& records);
// capture: a replay's capture facts, for their keys; null for none.
void PrintSimStats(std::FILE* out, const SimSetup& setup, const SimResult& result,
                   const char* displaySource = "model", const CaptureFacts* capture = nullptr);

// The run's figures as records, in the line's order, once the run is over;
// capture and stutters may be null.
void SimStatRecords(StatRecords& records, const SimSetup& setup, const SimResult& result,
                    const char* displaySource, const CaptureFacts* capture,
                    const StutterCounts* stutters);
// The records' line and a newline.
void PrintStatsLine(std::FILE* out, const StatRecords& records);

// The table of rules compared: its header, then each run's two rows (one
// per side).
void PrintRuleTableHeader(std::FILE* out);
void PrintRuleTableRows(std::FILE* out, const StatRecords& records);
