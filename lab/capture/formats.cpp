#include "lab/capture/format.h"

// The formats a header is offered to; the most sure one reads the file, the
// first listed where two are as sure.
const CsvFormat* const kCaptureFormats[] = {
    &kTempolaLogFormat,   &kPresentMon24Format, &kPresentMon2Format,
    &kCapFrameXCsvFormat, &kPresentMon1Format,  &kMangoHudFormat,
};
const int kCaptureFormatCount = sizeof kCaptureFormats / sizeof kCaptureFormats[0];
