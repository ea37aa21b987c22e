// Opens arbitrary files as head configuration files in the head configuration
// dialog (headless): the record takes exactly the file's first bytes (at most
// 360, the rest of the record untouched), the controls show whatever the
// bytes hold, and reading the controls back stays inside every field.
#include "calibration/RVX_Config.h"
#include "platform/Application.h"
#include "platform/ui/Headless.h"
#include "resources/dialogs/Dialog136Ids.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr uint8_t kFill = 0xA5;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "head file invariant broken: %s\n", what);
        std::abort();
    }
}

bool Terminated(const char* field, std::size_t size) {
    return std::memchr(field, 0, size) != nullptr;
}

// The file the dialog opens: a memory file, rewritten for every input.
int FileFd() {
    static const int fd = [] {
        const int f = ::memfd_create("rvx_fuzz", MFD_CLOEXEC);
        if (f < 0)
            std::abort();
        return f;
    }();
    return fd;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool once = [] {
        platform::SetApplicationName("rvx_fuzz");
        return true;
    }();
    (void)once;
    const int fd = FileFd();
    if (::ftruncate(fd, 0) != 0 ||
        (size > 0 && ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)))
        std::abort();
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    platform::ui::HeadlessBackend ui;
    COpticalHead head; // no controller: the record holds only what the file gives it
    std::memset(&head.m_record, kFill, sizeof head.m_record);
    RVX_Config dlg;
    dlg.m_pHead = &head;
    platform::ui::OpenDialog open(dlg);
    Check(open.Ok(), "dialog opens");
    ui.ClearBoxes();
    ui.AnswerFile(path);
    Check(dlg.UserClick(ids136::IDC_OPEN), "Open clicked");
    Check(ui.BoxCount() == 0, "a plain file opens without a message");

    const uint8_t* rec = RecordBytes(head.m_record);
    const std::size_t taken = size < kHeadRecordSize ? size : kHeadRecordSize;
    Check(std::memcmp(rec, data, taken) == 0, "file bytes at the record's start");
    for (std::size_t i = taken; i < kHeadRecordSize; ++i)
        Check(rec[i] == kFill, "bytes beyond the file untouched");
    Check(head.m_strModel == FieldText(head.m_record.model), "model text");
    Check(head.m_strSerial == FieldText(head.m_record.serial), "serial text");
    Check(head.m_strCalDate.size() >= 8, "date text");

    int lcd = 0;
    for (int id : ids136::kLcdRadios)
        lcd += dlg.IsDlgButtonChecked(id) ? 1 : 0;
    Check(lcd == 1, "one LCD radio");
    Check(dlg.IsDlgButtonChecked(ids136::IDC_CHANNEL_A) +
                  dlg.IsDlgButtonChecked(ids136::IDC_CHANNEL_B) ==
              1,
          "one channel radio");

    const HeadRecord before = head.m_record;
    dlg.ControlsToRecord();
    const HeadRecord& after = head.m_record;
    Check(after.marker == before.marker, "marker kept");
    Check(std::memcmp(after.reserved, before.reserved, sizeof after.reserved) == 0,
          "reserved kept");
    Check(Terminated(after.model, sizeof after.model), "model terminated");
    Check(Terminated(after.serial, sizeof after.serial), "serial terminated");
    Check(Terminated(after.boardSerial, sizeof after.boardSerial), "board serial terminated");
    Check(FieldText(after.model) == FieldText(before.model).substr(0, 11), "model round trip");
    Check(FieldText(after.boardSerial) == FieldText(before.boardSerial).substr(0, 7),
          "board serial round trip");
    Check(after.calMonth == before.calMonth && after.calDay == before.calDay &&
              after.calYear == before.calYear,
          "date round trip");
    Check(after.initialDacPwm == before.initialDacPwm, "DAC/PWM round trip");
    Check(after.maxPwm == before.maxPwm && after.maxTemperature == before.maxTemperature,
          "limits round trip");
    Check(after.channel == (before.channel ? 1 : 0), "channel");
    Check(after.enableCalibration == (before.enableCalibration ? 1 : 0), "enable");
    Check(after.lcdFormat == (before.lcdFormat <= 3 ? before.lcdFormat : 1), "LCD format");
    // Nothing was edited: every float keeps its bits, whatever its text showed.
    Check(std::memcmp(after.mwToIndex, before.mwToIndex, 12) == 0, "mW-to-Index kept");
    Check(std::memcmp(after.photoToMw, before.photoToMw, 12) == 0, "Photo-to-mW kept");
    Check(std::memcmp(after.tempCoeffs, before.tempCoeffs, 12) == 0, "temperature kept");
    Check(std::memcmp(&after.avgStep, &before.avgStep, 4) == 0, "average step kept");
    const int used = before.multiCalCount < 10 ? before.multiCalCount : 10;
    Check(after.multiCalCount == used, "multi-calibration count");
    for (int e = 0; e < used; ++e) {
        Check(Terminated(after.multiCalNames[e], 22), "name terminated");
        Check(FieldText(after.multiCalNames[e]) == FieldText(before.multiCalNames[e]).substr(0, 19),
              "name round trip");
        Check(std::memcmp(&after.multiCalFactors[e], &before.multiCalFactors[e], 4) == 0,
              "factor kept");
    }
    return 0;
}
