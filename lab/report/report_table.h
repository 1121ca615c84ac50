// What the report page's figure tables can show, for checking against the
// stats line.
#pragma once

#include "pacing/stats_keys.h"

// Every key a table cell, a rule's name or a target may read, into keys
// (room for most); the count of them, which may pass most.
int ReportTableKeys(StatKey* keys, int most);
// The keys of the table of runs side by side, likewise.
int DifferenceTableKeys(StatKey* keys, int most);
