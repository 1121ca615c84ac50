#include "lab/capture/capture_reader.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "lab/capture/capframex_json.h"
#include "lab/capture/csv_source.h"

struct CaptureReader {
    std::FILE* file;
    char path[512];
    bool json;
    CaptureInfo info;
    CsvSource csv;
    JsonSource document;
};

void CaptureReaderFree::operator()(CaptureReader* reader) const {
    if (reader != nullptr)
        CloseCapture(*reader);
    delete reader;
}

CaptureReaderPtr NewCaptureReader() {
    CaptureReaderPtr reader(new (std::nothrow) CaptureReader);
    if (reader)
        reader->file = nullptr;
    return reader;
}

const CaptureInfo& CaptureInfoOf(const CaptureReader& reader) {
    return reader.info;
}

namespace {

void ResetInfo(CaptureInfo& info) {
    info.format = "";
    info.game[0] = info.cpu[0] = info.gpu[0] = '\0';
    info.timeName = "";
    info.ticksHz = 0.0;
    info.ticksFrom = "";
    info.runs = 1;
    info.run = 1;
    info.headerLine = 0;
    info.streamCount = 0;
    info.otherRows = 0;
    info.chosen = CaptureStream{};
    info.secondsPerUnit = 1.0;
    info.otherSecondsPerUnit = 0.0;
}

bool OpenFile(CaptureReader& reader, const char* path, uint64_t* size, char* error,
              size_t errorSize) {
    std::FILE* file = path != nullptr ? std::fopen(path, "rb") : nullptr;
    struct stat status;
    reader.file = file;
    if (file == nullptr || fstat(fileno(file), &status) != 0)
        return Fail(error, errorSize, "cannot open the capture '%s': %s", reader.path,
                    std::strerror(errno));
    // Read twice, so a pipe or a folder cannot be replayed.
    if (!S_ISREG(status.st_mode))
        return Fail(error, errorSize, "the capture '%s' is not a regular file", reader.path);
    *size = static_cast<uint64_t>(status.st_size);
    return true;
}

// Whether the file opens a JSON document; leaves it at its start.
bool OpensJson(std::FILE* file) {
    char head[256];
    const size_t got = std::fread(head, 1, sizeof head, file);
    std::rewind(file);
    return LooksLikeJson(head, got);
}

// A message is one line, whatever a file's names hold.
bool OneLine(char* error) {
    for (char* c = error; c != nullptr && *c != '\0'; ++c) {
        if (static_cast<unsigned char>(*c) < ' ')
            *c = ' ';
    }
    return false;
}

}  // namespace

bool OpenCapture(CaptureReader& reader, const char* path, const CaptureOptions& options,
                 char* error, size_t errorSize) {
    CloseCapture(reader);
    std::snprintf(reader.path, sizeof reader.path, "%s", path != nullptr ? path : "");
    ResetInfo(reader.info);
    uint64_t size = 0;
    bool ok = OpenFile(reader, path, &size, error, errorSize);
    if (ok) {
        reader.json = OpensJson(reader.file);
        if (reader.json && size > kLargestJsonCapture) {
            ok = Fail(error, errorSize, "%s: a JSON capture over %llu MiB is not read", reader.path,
                      static_cast<unsigned long long>(kLargestJsonCapture >> 20));
        } else if (reader.json) {
            ok = OpenJsonCapture(reader.document, reader.path, options, reader.info, error,
                                 errorSize);
        } else {
            ok = OpenCsvCapture(reader.csv, reader.file, reader.path, size, options, reader.info,
                                error, errorSize);
        }
    }
    if (!ok) {
        CloseCapture(reader);
        OneLine(error);
    }
    return ok;
}

CaptureStep NextCaptureRow(CaptureReader& reader, CaptureRow* row, char* error, size_t errorSize) {
    if (reader.file == nullptr)
        return CaptureStep::kEnd;
    const CaptureStep step = reader.json
                                 ? NextJsonRow(reader.document, row, error, errorSize)
                                 : NextCsvRow(reader.csv, reader.info, row, error, errorSize);
    if (step == CaptureStep::kError)
        OneLine(error);
    return step;
}

void CloseCapture(CaptureReader& reader) {
    if (reader.file != nullptr)
        std::fclose(reader.file);
    reader.file = nullptr;
    for (std::vector<double>& v : reader.document.role)
        std::vector<double>().swap(v);
}

double StreamSeconds(const CaptureInfo& info, const CaptureStream& stream) {
    if (!stream.timed)
        return -1.0;
    if (info.secondsPerUnit == 0.0)  // frame times summed
        return (stream.ticksMs - stream.firstTicksMs) * 0.001;
    return (stream.lastTime - stream.firstTime) * info.secondsPerUnit;
}
