#include "pacing/stats_records.h"

#include <cstdio>
#include <cstring>

void ResetStatRecords(StatRecords& records) {
    records.count = 0;
    for (int16_t& at : records.at)
        at = -1;
    records.text[0] = '\0';
    records.textUsed = 0;
    records.refused = false;
}

namespace {

StatRecord* Add(StatRecords& records, StatKey key, bool kindFits, bool known) {
    const int k = static_cast<int>(key);
    if (!kindFits || k < 0 || k >= kStatKeyCount || records.at[k] >= 0) {
        records.refused = true;
        return nullptr;
    }
    records.at[k] = static_cast<int16_t>(records.count);
    StatRecord& r = records.record[records.count++];
    r = StatRecord{key, known, 0, 0, 0.0};
    return &r;
}

bool Is(StatKey key, StatKind kind) {
    return static_cast<int>(key) < kStatKeyCount && StatInfo(key).kind == kind;
}

}  // namespace

bool AddStatCount(StatRecords& records, StatKey key, uint64_t value) {
    StatRecord* r = Add(records, key, Is(key, StatKind::kCount), true);
    if (r != nullptr)
        r->count = value;
    return r != nullptr;
}

bool AddStatNumber(StatRecords& records, StatKey key, double value, bool known) {
    StatRecord* r = Add(records, key, Is(key, StatKind::kNumber), known);
    if (r != nullptr && known)
        r->number = value;
    return r != nullptr;
}

bool AddStatText(StatRecords& records, StatKey key, const char* text) {
    const size_t length = text != nullptr ? std::strlen(text) : 0;
    if (text != nullptr && length >= sizeof records.text - records.textUsed) {
        records.refused = true;
        return false;
    }
    StatRecord* r = Add(records, key, Is(key, StatKind::kText), text != nullptr);
    if (r == nullptr || text == nullptr)
        return r != nullptr;
    r->textAt = records.textUsed;
    std::memcpy(records.text + records.textUsed, text, length + 1);
    records.textUsed = static_cast<uint16_t>(records.textUsed + length + 1);
    return true;
}

bool AddStatUnknown(StatRecords& records, StatKey key) {
    return Add(records, key, true, false) != nullptr;
}

const StatRecord* FindStat(const StatRecords& records, StatKey key) {
    const int k = static_cast<int>(key);
    if (k < 0 || k >= kStatKeyCount || records.at[k] < 0)
        return nullptr;
    return &records.record[records.at[k]];
}

double StatNumber(const StatRecords& records, StatKey key) {
    const StatRecord* r = FindStat(records, key);
    if (r == nullptr || !r->known)
        return 0.0;
    switch (StatInfo(key).kind) {
    case StatKind::kCount: return static_cast<double>(r->count);
    case StatKind::kNumber: return r->number;
    case StatKind::kText: break;
    }
    return 0.0;
}

const char* StatText(const StatRecords& records, StatKey key) {
    const StatRecord* r = FindStat(records, key);
    if (r == nullptr || !r->known || StatInfo(key).kind != StatKind::kText)
        return "";
    return records.text + r->textAt;
}

bool FormatStatValue(const StatRecords& records, const StatRecord& record, char* text,
                     size_t size) {
    if (size == 0)
        return false;
    int n = 0;
    const StatKeyInfo& info = StatInfo(record.key);
    if (!record.known) {
        text[0] = '\0';
        return true;
    }
    switch (info.kind) {
    case StatKind::kCount:
        n = std::snprintf(text, size, "%llu", static_cast<unsigned long long>(record.count));
        break;
    case StatKind::kNumber:
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        n = std::snprintf(text, size, info.format, record.number);
#pragma GCC diagnostic pop
        break;
    case StatKind::kText: n = std::snprintf(text, size, "%s", records.text + record.textAt); break;
    }
    if (n < 0 || static_cast<size_t>(n) >= size) {
        text[0] = '\0';
        return false;
    }
    return true;
}

bool WriteStatsLine(const StatRecords& records, char* text, size_t size) {
    int n = std::snprintf(text, size, "tempola-stats");
    if (n < 0 || static_cast<size_t>(n) >= size) {
        if (size > 0)
            text[0] = '\0';
        return false;
    }
    size_t used = static_cast<size_t>(n);
    bool whole = true;
    for (int i = 0; i < records.count; ++i) {
        const StatRecord& r = records.record[i];
        const size_t room = size - used;
        char* at = text + used;
        n = std::snprintf(at, room, " %s=", StatName(r.key));
        if (n < 0 || static_cast<size_t>(n) >= room ||
            !FormatStatValue(records, r, at + n, room - static_cast<size_t>(n))) {
            *at = '\0';
            whole = false;
            continue;
        }
        used += static_cast<size_t>(n) + std::strlen(at + n);
    }
    return whole;
}
