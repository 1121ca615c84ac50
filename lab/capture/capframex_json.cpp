#include "lab/capture/capframex_json.h"

#include <simdjson.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

#include "lab/capture/ticks.h"

namespace {

constexpr int kMostArrays = 256;
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

Cell CellOf(std::string_view text) {
    return Cell{text.data(), text.size()};
}

struct Arrays {
    Cell names[kMostArrays];
    simdjson::dom::array values[kMostArrays];
    int count;
};

bool ReadArrays(const char* path, int run, simdjson::dom::object data, Arrays* arrays, char* error,
                size_t errorSize) {
    arrays->count = 0;
    for (simdjson::dom::key_value_pair field : data) {
        simdjson::dom::array values;
        if (field.value.get_array().get(values) != simdjson::SUCCESS)
            continue;  // not a column
        if (arrays->count == kMostArrays)
            return Fail(error, errorSize, "%s: Runs[%d].CaptureData holds more than %d arrays",
                        path, run - 1, kMostArrays);
        arrays->names[arrays->count] = CellOf(field.key);
        arrays->values[arrays->count++] = values;
    }
    return true;
}

// One array of the run, by role, as numbers (a boolean 0 or 1, null not
// known; FrameType 1 for a frame the application did not make).
bool TakeRole(JsonSource& source, const Arrays& arrays, CaptureRole role, int run, std::FILE* notes,
              char* error, size_t errorSize) {
    const int index = source.layout.column[role];
    if (index < 0)
        return true;
    const simdjson::dom::array values = arrays.values[index];
    const Cell name = arrays.names[index];
    std::vector<double>& out = source.role[role];
    out.reserve(values.size());
    for (simdjson::dom::element v : values) {
        double number = kNone;
        bool flag = false;
        std::string_view text;
        if (v.is_null()) {
            number = kNone;
        } else if (v.get_bool().get(flag) == simdjson::SUCCESS) {
            number = flag ? 1.0 : 0.0;
        } else if (v.get_double().get(number) == simdjson::SUCCESS) {
        } else if (role == kRoleFrameType && v.get_string().get(text) == simdjson::SUCCESS) {
            number =
                GeneratedFrame(CellOf(text), source.state.told, notes, source.path) ? 1.0 : 0.0;
        } else if (v.get_string().get(text) != simdjson::SUCCESS ||
                   (!Empty(CellOf(text)) && !ParseDouble(CellOf(text), &number))) {
            return Fail(error, errorSize, "%s: Runs[%d].CaptureData.%.*s[%zu] is not a number",
                        source.path, run - 1, static_cast<int>(name.size), name.text, out.size());
        }
        out.push_back(number);
    }
    if (out.size() != source.frames)
        return Fail(error, errorSize,
                    "%s: Runs[%d].CaptureData.%.*s holds %zu values and the time %zu: not one a "
                    "frame",
                    source.path, run - 1, static_cast<int>(name.size), name.text, out.size(),
                    source.frames);
    return true;
}

void TakeInfo(simdjson::dom::object root, CaptureInfo& info) {
    simdjson::dom::object block;
    if (root["Info"].get_object().get(block) != simdjson::SUCCESS)
        return;
    for (simdjson::dom::key_value_pair field : block) {
        std::string_view text;
        if (field.value.get_string().get(text) == simdjson::SUCCESS)
            TakeSystemInfo(CellOf(field.key), CellOf(text), &info);
        if (field.value.get_string().get(text) == simdjson::SUCCESS &&
            SameColumn(CellOf(field.key), "ProcessName")) {
            CaptureStream& s = info.chosen;
            const size_t n = text.size() < kStreamNameSize - 1 ? text.size() : kStreamNameSize - 1;
            std::memcpy(s.application, text.data(), n);
            s.application[n] = '\0';
            s.applicationSize = static_cast<uint8_t>(n);
        }
    }
}

// The run's stream: its rows, whether any was shown, and its times for the
// spans and for a counter's rate.
void Measure(const JsonSource& source, CaptureStream& s) {
    const std::vector<double>* role = source.role;
    s.rows = source.frames;
    s.timed = source.frames > 0;
    for (size_t i = 0; i < source.frames; ++i) {
        const double time = role[kRoleTime][i];
        if (i == 0)
            s.firstTime = time;
        double ms = kNone;
        if (!role[kRoleTicksMs].empty()) {
            ms = role[kRoleTicksMs][i] +
                 (role[kRoleTicksMsMore].empty() ? 0.0 : role[kRoleTicksMsMore][i]);
            // As a CSV row's: a cell not known counts as 0.
            const double known = std::isnan(ms) ? 0.0 : ms;
            if (i == 0)
                s.firstTicksMs = known;
            s.ticksMs += known;
            s.lastTicksMs = known;
        }
        AddFitRow(s, i == 0, source.layout.fitToNext, time, ms);
        const double other = role[kRoleOtherTime].empty() ? kNone : role[kRoleOtherTime][i];
        if (!std::isnan(other)) {
            if (!s.othered) {
                s.othered = true;
                s.firstOther = other;
                s.firstOtherAt = time;
            }
            s.lastOther = other;
            s.lastOtherAt = time;
        }
        s.lastTime = time;
        const bool dropped = !role[kRoleDropped].empty() && role[kRoleDropped][i] == 1.0;
        const bool until = !role[kRoleUntil].empty() && !std::isnan(role[kRoleUntil][i]);
        const bool between = !role[kRoleBetween].empty() && !std::isnan(role[kRoleBetween][i]);
        s.shows = s.shows || (!dropped && (until || between));
    }
}

bool SameProcess(const char* application, const char* process) {
    const Cell app{application, std::strlen(application)};
    const size_t n = std::strlen(process);
    return SameWord(app, process) ||
           (app.size == n + 4 && SameWord(Cell{application, n}, process) &&
            SameWord(Cell{application + n, 4}, ".exe"));
}

}  // namespace

bool LooksLikeJson(const char* head, size_t size) {
    size_t i = size >= 3 && std::memcmp(head, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    while (i < size && (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n'))
        ++i;
    return i < size && head[i] == '{';
}

bool OpenJsonCapture(JsonSource& source, const char* path, const CaptureOptions& options,
                     CaptureInfo& info, char* error, size_t errorSize) {
    source.path = path;
    source.frames = 0;
    source.next = 0;
    source.state.told.count = 0;
    for (std::vector<double>& v : source.role)
        std::vector<double>().swap(v);
    simdjson::padded_string text;
    if (simdjson::padded_string::load(path).get(text) != simdjson::SUCCESS)
        return Fail(error, errorSize, "%s: cannot read it: %s", path, std::strerror(errno));
    // A byte-order mark is not JSON's.
    const size_t skip =
        text.size() >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    simdjson::dom::parser parser;
    simdjson::dom::element doc;
    simdjson::dom::object root;
    const simdjson::error_code parsed =
        parser.parse(text.data() + skip, text.size() - skip, true).get(doc);
    if (parsed != simdjson::SUCCESS)
        return Fail(error, errorSize, "%s: not valid JSON: %s", path,
                    simdjson::error_message(parsed));
    simdjson::dom::array runs;
    if (doc.get_object().get(root) != simdjson::SUCCESS ||
        root["Runs"].get_array().get(runs) != simdjson::SUCCESS)
        return Fail(error, errorSize,
                    "%s: JSON with no Runs array: not a CapFrameX capture (Runs[i].CaptureData)",
                    path);
    info.runs = static_cast<int>(runs.size() < 1000000 ? runs.size() : 1000000);
    info.run = options.run > 0 ? options.run : 1;
    if (info.runs == 0 || info.run > info.runs)
        return Fail(error, errorSize, "%s: holds %d run%s; no run %d", path, info.runs,
                    info.runs == 1 ? "" : "s", info.run);
    simdjson::dom::object data;
    if (runs.at(static_cast<size_t>(info.run - 1))["CaptureData"].get_object().get(data) !=
        simdjson::SUCCESS)
        return Fail(error, errorSize, "%s: Runs[%d] has no CaptureData object", path, info.run - 1);
    Arrays arrays;
    if (!ReadArrays(path, info.run, data, &arrays, error, errorSize))
        return false;
    const HeaderView header{arrays.names, arrays.count, true};
    int best = 0;
    for (int i = 0; i < kCaptureFormatCount; ++i) {
        CsvLayout layout;
        const int sure = kCaptureFormats[i]->probe(header, &layout);
        // The Tempola log's own cells are CSV's alone, and so are frame times
        // summed: a run's arrays are timed.
        if (sure > best && kCaptureFormats[i]->readOwn == nullptr &&
            layout.column[kRoleTime] >= 0) {
            best = sure;
            source.layout = layout;
        }
    }
    if (best == 0)
        return Fail(error, errorSize,
                    "%s: Runs[%d].CaptureData has no frame times: TimeInSeconds or QPCTime, and "
                    "MsBetweenPresents",
                    path, info.run - 1);
    source.layout.format = "CapFrameX JSON";
    info.format = source.layout.format;
    info.timeName = source.layout.timeName;
    source.frames = arrays.values[source.layout.column[kRoleTime]].size();
    for (int role = 0; role < kCaptureRoleCount; ++role) {
        if (!TakeRole(source, arrays, static_cast<CaptureRole>(role), info.run, options.progress,
                      error, errorSize))
            return false;
    }
    info.chosen = CaptureStream{};
    TakeInfo(root, info);
    Measure(source, info.chosen);
    if (options.process != nullptr && !SameProcess(info.chosen.application, options.process))
        return Fail(error, errorSize, "%s: no rows of process '%s' (it holds %s)", path,
                    options.process,
                    info.chosen.application[0] != '\0' ? info.chosen.application
                                                       : "frames of no named process");
    info.streams[0] = info.chosen;
    info.streamCount = 1;
    info.headerLine = 0;
    if (source.frames == 0)
        return Fail(error, errorSize, "%s: Runs[%d] holds no frames", path, info.run - 1);
    if (!FindTimeUnit(path, source.layout, options.ticksHz, info, error, errorSize))
        return false;
    ResetRowState(source.state, source.layout, info, options.progress, path);
    return true;
}

CaptureStep NextJsonRow(JsonSource& source, CaptureRow* row, char* error, size_t errorSize) {
    if (source.next >= source.frames)
        return CaptureStep::kEnd;
    const size_t i = source.next++;
    const std::vector<double>* role = source.role;
    auto at = [&](CaptureRole r) { return role[r].empty() ? kNone : role[r][i]; };
    RowValues v;
    v.time = at(kRoleTime);
    const double dropped = at(kRoleDropped);
    v.fate = FateOfDroppedCell(dropped == 1.0 ? 1 : dropped == 0.0 ? 0 : -1);
    v.shownForEmpty = !role[kRoleShownFor].empty() && std::isnan(role[kRoleShownFor][i]);
    v.generated = at(kRoleFrameType) == 1.0;
    v.until = at(kRoleUntil);
    v.between = at(kRoleBetween);
    v.frameTime = at(kRoleFrameTime);
    for (int k = 0; k < kCaptureLatencyCount; ++k)
        v.latency[k] = at(kLatencyRoles[k]);
    v.animationError = at(kRoleAnimationError);
    v.animationTime = at(kRoleAnimationTime);
    v.otherTime = at(kRoleOtherTime);
    v.untilDisplayed = at(kRoleUntilDisplayed);
    v.inPresentApi = at(kRoleInPresentApi);
    row->line = i + 1;
    const RowError e{source.path, "frame", row->line, error, errorSize};
    if (std::isnan(v.time)) {
        e.SayValue("the time is not a number", v.time);
        return CaptureStep::kError;
    }
    return MakeRow(source.layout, source.state, e, v, row) ? CaptureStep::kRow
                                                           : CaptureStep::kError;
}
