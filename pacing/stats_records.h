// A run's figures as records: a key of the one table (stats_keys.h), its
// value and whether it is known. The stats line is their text; the report
// page and the text tables read the same records, so none of them reads
// another's output back. Fixed size, owned by the caller, built once at a
// run's end: nothing here allocates.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pacing/stats_keys.h"

// Room for every key's record, and for their texts: a capture's three
// machine names at full length (96 bytes each) and the short names.
constexpr size_t kStatTextSize = 1024;

struct StatRecord {
    StatKey key;
    bool known;       // false: the line leaves the value empty
    uint16_t textAt;  // a text's start in its records' text
    uint64_t count;   // a count's value
    double number;    // a number's value; 0 where not known
};

struct StatRecords {
    StatRecord record[kStatKeyCount];  // in the order added, the line's order
    int count;
    int16_t at[kStatKeyCount];  // each key's record; -1: none
    char text[kStatTextSize];
    uint16_t textUsed;
    bool refused;  // a key added twice or as the wrong kind, or a text that did not fit
};

void ResetStatRecords(StatRecords& records);

// Each adds key's record, or refuses (false, and marks the records) a key
// already there, of another kind, or whose text does not fit.
bool AddStatCount(StatRecords& records, StatKey key, uint64_t value);
bool AddStatNumber(StatRecords& records, StatKey key, double value, bool known = true);
bool AddStatText(StatRecords& records, StatKey key, const char* text);  // null: not known
bool AddStatUnknown(StatRecords& records, StatKey key);                 // any kind

// key's record; null where there is none.
const StatRecord* FindStat(const StatRecords& records, StatKey key);
// A count or number as a number; 0 where there is no record or it is not known.
double StatNumber(const StatRecords& records, StatKey key);
// A text's value; "" for any other record, and where there is none.
const char* StatText(const StatRecords& records, StatKey key);

// The value as the line prints it; "" where it is not known. False where
// it did not fit (text is then "").
bool FormatStatValue(const StatRecords& records, const StatRecord& record, char* text, size_t size);

// "tempola-stats" and " key=value" for each record, in order, into text
// (size bytes, at least 32). A pair that does not fit is left off whole,
// and the result is false.
bool WriteStatsLine(const StatRecords& records, char* text, size_t size);
