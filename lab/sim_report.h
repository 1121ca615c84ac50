// What one run prints: a table for people, or the one-line figures for
// scripts.
#pragma once

#include <cstdio>

#include "lab/sim_run.h"

void PrintSimTable(std::FILE* out, const SimSetup& setup, const SimResult& result);
void PrintSimStats(std::FILE* out, const SimSetup& setup, const SimResult& result);
