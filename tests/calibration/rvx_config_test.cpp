// The head configuration dialog on the headless backend: what each control
// shows of a record, what each control writes back and where, the head files
// and Burn. Records are built byte by byte from the record's layout; a head
// without a controller keeps whatever record the test gives it (its read
// fails and leaves the bytes alone).
#include "calibration/RVX_Config.h"
#include "platform/Application.h"
#include "platform/ui/Headless.h"
#include "resources/dialogs/Dialog136Ids.h"
#include "tests/support/ReadFault.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <vector>

using platform::ui::HeadlessBackend;
using platform::ui::OpenDialog;
using testing_support::TempDir;
using namespace ids136;

namespace {

using Image = std::array<uint8_t, 360>;

void PutText(Image& b, int at, const char* s) {
    std::memcpy(b.data() + at, s, std::strlen(s) + 1);
}
void PutF32(Image& b, int at, float f) {
    const auto u = std::bit_cast<uint32_t>(f);
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(u >> (8 * i));
}
float GetF32(const Image& b, int at) {
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= uint32_t{b[at + i]} << (8 * i);
    return std::bit_cast<float>(u);
}

// A record with a value of its own in every field and a pattern in the
// bytes no field shows (after each text's NUL, unused entries, reserved).
Image SampleImage() {
    Image b;
    for (int i = 0; i < 360; ++i)
        b[i] = static_cast<uint8_t>(0xA0 + i % 7);
    b[0] = 'Q';
    PutText(b, 1, "RVX-2-365");
    PutText(b, 13, "1912007");
    b[25] = 12, b[26] = 31, b[27] = 19;
    PutF32(b, 28, 0.25f), PutF32(b, 32, 2.0f), PutF32(b, 36, -3.0f); // mW-to-Index
    PutF32(b, 40, 1.5f), PutF32(b, 44, 0.125f), PutF32(b, 48, 7.0f); // Photo-to-mW
    PutF32(b, 52, 0.5f);                                             // average step
    b[56] = 0xFB, b[57] = 0xFF;                                      // -5
    b[58] = 200, b[59] = 70;
    PutF32(b, 60, -1.0f), PutF32(b, 64, 4.0f), PutF32(b, 68, 0.0625f); // temperature
    b[72] = 0, b[73] = 5;
    PutText(b, 74, "0906021");
    b[82] = 7, b[83] = 2;
    PutText(b, 84, "Normal");
    PutText(b, 106, "Quartz filter");
    PutF32(b, 304, 1.0f), PutF32(b, 308, 2.25f);
    return b;
}

Image BytesOf(const HeadRecord& r) {
    Image b;
    std::memcpy(b.data(), &r, 360);
    return b;
}

void Load(COpticalHead& head, const Image& b) {
    std::memcpy(&head.m_record, b.data(), 360);
    head.m_strModel = FieldText(head.m_record.model);
    head.m_strSerial = FieldText(head.m_record.serial);
    head.m_strCalDate = CalibrationDateText(head.m_record);
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFile(const std::string& path, const uint8_t* data, std::size_t n) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(n));
}

class RvxConfig : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetApplicationName("sorvane");
        Load(head, SampleImage());
        dlg.m_pHead = &head;
    }
    HeadlessBackend ui;
    COpticalHead head; // no controller: the record stays as loaded
    RVX_Config dlg;
};

TEST_F(RvxConfig, EveryFieldIsShownInItsControl) {
    OpenDialog open(dlg);
    ASSERT_TRUE(open.Ok());
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{"RVX does not exist"});
    EXPECT_EQ(head.m_bPresent, 0);
    EXPECT_EQ(dlg.GetWindowText(), "RVX Configuration");
    EXPECT_EQ(dlg.FocusedControl(), dlg.GetDlgItem(IDC_MODEL));

    EXPECT_EQ(dlg.GetDlgItemText(IDC_MODEL), "RVX-2-365");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_SERIAL), "1912007");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_CAL_MONTH), "12");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_CAL_DAY), "31");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_CAL_YEAR), "19");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_AVG_STEP), "0.50000000");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_DAC_PWM), "-5");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MAX_PWM), "200");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MAX_TEMPERATURE), "70");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_PHOTO_A), "1.50000000"); // Photo-to-mW a, b, c
    EXPECT_EQ(dlg.GetDlgItemText(IDC_PHOTO_B), "0.12500000");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_PHOTO_C), "7.00000000");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_INDEX_A), "0.25000000"); // mW-to-Index a, b, c
    EXPECT_EQ(dlg.GetDlgItemText(IDC_INDEX_B), "2.00000000");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_INDEX_C), "-3.00000000");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_TEMP_A), "-1.00000000"); // temperature a, b, c
    EXPECT_EQ(dlg.GetDlgItemText(IDC_TEMP_B), "4.00000000");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_TEMP_C), "0.06250000");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_BOARD_SERIAL), "0906021");
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_CHANNEL_A), 0u); // channel byte 5 reads as B
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_CHANNEL_B), 1u);
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_ENABLE_CALIBRATION), 0u);
    // lcdFormat 7 shows "xxxx.x" and no other.
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_LCD_XXXXXX), 0u);
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_LCD_XXXX_X), 1u);
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_LCD_XXX_XX), 0u);
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_LCD_XX_XXX), 0u);
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_MULTI_CAL1_CHECK), 1u);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MULTI_CAL1_NAME), "Normal");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MULTI_CAL1_FACTOR), "1.000000");
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_MULTI_CAL2_CHECK), 1u);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MULTI_CAL2_NAME), "Quartz filter");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MULTI_CAL2_FACTOR), "2.250000");
    for (int row = 2; row < 10; ++row) {
        EXPECT_EQ(dlg.IsDlgButtonChecked(kMultiCalCheck[row]), 0u) << row;
        EXPECT_EQ(dlg.GetDlgItemText(kMultiCalName[row]), "") << row;
        EXPECT_EQ(dlg.GetDlgItemText(kMultiCalFactor[row]), "") << row;
    }
    // Without OK or Cancel buttons, Enter in an edit ends the dialog.
    dlg.UserPressEnter();
    EXPECT_TRUE(dlg.IsEnded());
    EXPECT_EQ(dlg.Result(), IDOK);
}

TEST_F(RvxConfig, CountsAboveTenAndTextsWithoutTerminatorStayInsideTheRecord) {
    Image b = SampleImage();
    b[83] = 200;
    std::memset(b.data() + 74, 'S', 8); // board serial without its NUL
    for (int e = 0; e < 10; ++e) {
        std::memset(b.data() + 84 + 22 * e, 'a' + e, 22); // names without NULs
        PutF32(b, 304 + 4 * e, static_cast<float>(e));
    }
    Load(head, b);
    OpenDialog open(dlg);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_BOARD_SERIAL), "SSSSSSSS");
    for (int row = 0; row < 10; ++row) {
        EXPECT_EQ(dlg.IsDlgButtonChecked(kMultiCalCheck[row]), 1u) << row;
        EXPECT_EQ(dlg.GetDlgItemText(kMultiCalName[row]), std::string(22, char('a' + row))) << row;
    }
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MULTI_CAL10_FACTOR), "9.000000");
}

TEST_F(RvxConfig, ReadBackStoresEachControlAtItsOffset) {
    OpenDialog open(dlg);
    dlg.UserType(IDC_MODEL, "KZD-1");
    dlg.UserType(IDC_SERIAL, "SN-77");
    dlg.UserType(IDC_CAL_MONTH, "7");
    dlg.UserType(IDC_CAL_DAY, "x"); // no number reads as 0
    dlg.UserType(IDC_CAL_YEAR, "300");
    dlg.UserType(IDC_AVG_STEP, "  2.5 mW");
    dlg.UserType(IDC_DAC_PWM, "70000"); // low 16 bits: 4464
    dlg.UserType(IDC_MAX_PWM, "300");   // low byte: 44
    dlg.UserType(IDC_MAX_TEMPERATURE, "85");
    dlg.UserType(IDC_PHOTO_A, "abc"); // letters: 0.0
    dlg.UserType(IDC_PHOTO_C, "-1e-3");
    dlg.UserType(IDC_TEMP_A, "9");
    dlg.UserType(IDC_BOARD_SERIAL, "ABCDEFGHIJ"); // cut to 7
    dlg.UserClick(IDC_CHANNEL_A);
    dlg.UserClick(IDC_ENABLE_CALIBRATION);
    dlg.UserClick(IDC_LCD_XX_XXX);
    dlg.ControlsToRecord();

    const Image before = SampleImage();
    const Image b = BytesOf(head.m_record);
    EXPECT_EQ(b[0], 'Q'); // marker untouched
    EXPECT_EQ(std::memcmp(b.data() + 1, "KZD-1\0", 6), 0);
    EXPECT_EQ(b[7], before[7]); // bytes after the NUL keep their values
    EXPECT_EQ(std::memcmp(b.data() + 13, "SN-77\0", 6), 0);
    EXPECT_EQ(b[25], 7);
    EXPECT_EQ(b[26], 0);
    EXPECT_EQ(b[27], 44);
    EXPECT_EQ(head.m_strCalDate, "07/00/44");
    EXPECT_EQ(head.m_strModel, "KZD-1");
    EXPECT_EQ(head.m_strSerial, "SN-77");
    EXPECT_EQ(GetF32(b, 52), 2.5f);
    EXPECT_EQ(b[56], 0x70);
    EXPECT_EQ(b[57], 0x11);
    EXPECT_EQ(b[58], 44);
    EXPECT_EQ(b[59], 85);
    EXPECT_EQ(GetF32(b, 40), 0.0f);
    EXPECT_EQ(GetF32(b, 44), 0.125f);
    EXPECT_EQ(GetF32(b, 48), -0.001f);
    EXPECT_EQ(GetF32(b, 28), 0.25f);
    EXPECT_EQ(GetF32(b, 60), 9.0f); // the temperature a, typed into IDC_TEMP_A
    EXPECT_EQ(GetF32(b, 64), 4.0f);
    EXPECT_EQ(b[72], 1);
    EXPECT_EQ(b[73], 0);
    EXPECT_EQ(std::memcmp(b.data() + 74, "ABCDEFG\0", 8), 0);
    EXPECT_EQ(b[82], 3);
    EXPECT_EQ(std::memcmp(b.data() + 344, before.data() + 344, 16), 0); // reserved
}

TEST_F(RvxConfig, UneditedFloatsKeepEveryBitThroughTheReadBack) {
    Image b = SampleImage();
    PutF32(b, 40, 1.2345678e-5f); // shows as 0.00001235
    PutF32(b, 52, 3.3333333e-9f); // shows as 0.00000000
    PutF32(b, 60, 16777217.0f);
    PutF32(b, 308, 0.33333334f); // shows as 0.333333
    Load(head, b);
    OpenDialog open(dlg);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_PHOTO_A), "0.00001235");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_AVG_STEP), "0.00000000");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MULTI_CAL2_FACTOR), "0.333333");
    dlg.UserType(IDC_MAX_PWM, "12");     // another field edited
    dlg.UserClick(IDC_MULTI_CAL1_CHECK); // row 1 unchecked: row 2's factor moves to entry 0
    dlg.ControlsToRecord();
    Image want = b;
    want[58] = 12;
    want[73] = 1; // channel 5 reads back as B
    want[82] = 1; // lcdFormat 7 reads back as "xxxx.x"
    want[83] = 1;
    std::memcpy(want.data() + 84, b.data() + 106, 14); // "Quartz filter" and its NUL
    PutF32(want, 304, 0.33333334f);
    EXPECT_EQ(BytesOf(head.m_record), want);

    // An edited coefficient is read as typed, also when typed back unchanged
    // after an edit of another one.
    dlg.UserType(IDC_PHOTO_A, "0.00001");
    dlg.UserType(IDC_AVG_STEP, "0.00000000x");
    dlg.ControlsToRecord();
    EXPECT_EQ(GetF32(BytesOf(head.m_record), 40), 0.00001f);
    EXPECT_EQ(GetF32(BytesOf(head.m_record), 52), 0.0f);
}

TEST_F(RvxConfig, CheckedRowsArePackedToTheFrontInRowOrder) {
    OpenDialog open(dlg);
    dlg.UserClick(IDC_MULTI_CAL1_CHECK); // rows 1 and 2 were checked: uncheck both
    dlg.UserClick(IDC_MULTI_CAL2_CHECK);
    for (int row : {1, 4, 8}) { // rows 2, 5 and 9
        dlg.UserClick(kMultiCalCheck[row]);
        dlg.UserType(kMultiCalName[row], "row " + std::to_string(row + 1));
        dlg.UserType(kMultiCalFactor[row], std::to_string(row + 1) + ".5");
    }
    dlg.UserType(IDC_MULTI_CAL6_NAME, "unchecked row 6");
    dlg.UserType(IDC_MULTI_CAL10_NAME, "a name longer than nineteen characters"); // checked below
    dlg.UserClick(IDC_MULTI_CAL10_CHECK);
    for (int id : kLcdRadios) // no LCD radio checked
        dlg.CheckDlgButton(id, 0);
    dlg.ControlsToRecord();

    const Image b = BytesOf(head.m_record);
    const Image before = SampleImage();
    EXPECT_EQ(b[83], 4);
    EXPECT_EQ(std::memcmp(b.data() + 84, "row 2\0", 6), 0);
    EXPECT_EQ(std::memcmp(b.data() + 106, "row 5\0", 6), 0);
    EXPECT_EQ(std::memcmp(b.data() + 128, "row 9\0", 6), 0);
    EXPECT_EQ(std::memcmp(b.data() + 150, "a name longer than \0", 20), 0); // 19 characters
    EXPECT_EQ(GetF32(b, 304), 2.5f);
    EXPECT_EQ(GetF32(b, 308), 5.5f);
    EXPECT_EQ(GetF32(b, 312), 9.5f);
    // Entries from the new count on keep their old bytes.
    EXPECT_EQ(std::memcmp(b.data() + 172, before.data() + 172, 132), 0);
    EXPECT_EQ(std::memcmp(b.data() + 320, before.data() + 320, 24), 0);
    EXPECT_EQ(b[82], 1); // no LCD radio checked

    dlg.RecordToControls();
    for (int row = 0; row < 10; ++row)
        EXPECT_EQ(dlg.IsDlgButtonChecked(kMultiCalCheck[row]), row < 4 ? 1u : 0u) << row;
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MULTI_CAL2_NAME), "row 5");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MULTI_CAL3_FACTOR), "9.500000");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MULTI_CAL6_NAME), "");
}

TEST_F(RvxConfig, KzdModelsRelabelTheCoefficientGroups) {
    struct Case {
        const char* model;
        bool kzd;
    } cases[] = {{"KZD-2", true}, {"KZD", true}, {"kzd-2", false}, {"KZ", false}, {"", false}};
    for (const Case& c : cases) {
        head.m_strModel = c.model;
        RVX_Config d;
        d.m_pHead = &head;
        OpenDialog open(d);
        EXPECT_EQ(d.GetWindowText(), c.kzd ? "KZD Configuration" : "RVX Configuration") << c.model;
        EXPECT_EQ(d.GetDlgItemText(IDC_PHOTO_GROUP),
                  c.kzd ? "Ch 1: Photo-to-mW Coeffs (ax\xB2 + bx + c)"
                        : "Photo-to-mW Coeffs (ax\xB2 + bx + c)")
            << c.model;
        EXPECT_EQ(d.GetDlgItemText(IDC_INDEX_GROUP),
                  c.kzd ? "Ch 2: Photo-to-mW Coeffs (ax\xB2 + bx + c)"
                        : "mW-to-Index Coeffs (ax\xB2 + bx + c)")
            << c.model;
    }
}

TEST_F(RvxConfig, SaveWritesTheReadBackRecordAndNothingElse) {
    TempDir dir("rvx");
    const std::string path = dir.Path() + "/head.rvx";
    OpenDialog open(dlg);
    dlg.UserType(IDC_MAX_PWM, "12");
    ui.AnswerFile(path);
    dlg.UserClick(IDC_SAVE);

    ASSERT_EQ(ui.FileDialogs().size(), 1u);
    const auto& req = ui.FileDialogs()[0];
    EXPECT_FALSE(req.open);
    EXPECT_EQ(req.title, "Save RVX Configuration");
    EXPECT_EQ(req.defaultExt, "dsc");
    EXPECT_EQ(req.initialName, "1912007");
    EXPECT_TRUE(req.OverwritePrompt());
    ASSERT_EQ(req.filters.size(), 2u);
    EXPECT_EQ(req.filters[0].name, "RVX Configurations (*.rvx)");
    EXPECT_EQ(req.filters[0].pattern, "*.rvx");
    EXPECT_EQ(req.filters[1].name, "All Files (*.*)");

    const std::vector<uint8_t> file = FileBytes(path);
    ASSERT_EQ(file.size(), 360u);
    EXPECT_EQ(file[58], 12);
    EXPECT_EQ(file[0], 'Q'); // saving does not mark the record
    EXPECT_EQ(std::memcmp(file.data(), &head.m_record, 360), 0);
    EXPECT_EQ(ui.BoxCount(), 1u); // only the opening notice

    // Saving over a longer file leaves exactly the record, and no temporary.
    const std::vector<uint8_t> big(1000, 0x5A);
    WriteFile(path, big.data(), big.size());
    ui.AnswerFile(path);
    dlg.UserClick(IDC_SAVE);
    EXPECT_EQ(FileBytes(path).size(), 360u);
    int entries = 0;
    for (auto it = std::filesystem::directory_iterator(dir.Path());
         it != std::filesystem::directory_iterator(); ++it)
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST_F(RvxConfig, SaveThatCannotCreateTheFileChangesNothing) {
    OpenDialog open(dlg);
    dlg.UserType(IDC_MAX_PWM, "12");
    ui.CancelFile();
    dlg.UserClick(IDC_SAVE); // cancelled: nothing at all
    EXPECT_EQ(ui.BoxCount(), 1u);
    ui.AnswerFile("/nonexistent-folder/x/head.rvx");
    dlg.UserClick(IDC_SAVE);
    EXPECT_EQ(ui.LastBox().text, "File could not be opened.");
    EXPECT_EQ(BytesOf(head.m_record), SampleImage());
}

TEST_F(RvxConfig, SaveRefusesANumberBeyondFloatRangeBeforeAskingForAFile) {
    TempDir dir("rvx");
    const std::string path = dir.Path() + "/head.rvx";
    const std::vector<uint8_t> old(360, 0x11);
    WriteFile(path, old.data(), old.size());
    OpenDialog open(dlg);
    dlg.UserType(IDC_PHOTO_B, "1e39"); // Photo-to-mW b
    ui.ClearBoxes();
    ui.AnswerFile(path);
    dlg.UserClick(IDC_SAVE);
    EXPECT_EQ(ui.BoxTexts(),
              std::vector<std::string>{"Photo-to-mW b is not a valid number. Nothing was saved."});
    EXPECT_TRUE(ui.FileDialogs().empty());
    EXPECT_EQ(FileBytes(path), old);
    EXPECT_EQ(BytesOf(head.m_record), SampleImage());

    // Row 2 is checked in the sample record: its factor is stored.
    dlg.UserType(IDC_PHOTO_B, "0.125");
    dlg.UserType(IDC_MULTI_CAL2_FACTOR, "-1e39");
    ui.ClearBoxes();
    dlg.UserClick(IDC_SAVE);
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{
                                 "Factor in row 2 is not a valid number. Nothing was saved."});
    EXPECT_EQ(FileBytes(path), old);
}

TEST_F(RvxConfig, ARecordThatHoldsNaNIsSavedAsReadButNotBurnedUntilItsFieldsAreTyped) {
    // An erased head's EEPROM: every float byte 0xFF, a NaN.
    Image b = SampleImage();
    for (int at = 28; at < 56; ++at)
        b[at] = 0xFF;
    Load(head, b);
    OpenDialog open(dlg); // no controller: the record stays as loaded
    ASSERT_EQ(dlg.GetDlgItemText(IDC_AVG_STEP), "-nan"); // 0xFFFFFFFF has its sign bit set
    TempDir dir("rvx");
    const std::string path = dir.Path() + "/erased.rvx";
    ui.AnswerFile(path);
    dlg.UserClick(IDC_SAVE);
    const std::vector<uint8_t> file = FileBytes(path);
    ASSERT_EQ(file.size(), 360u);
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 28, file.begin() + 56),
              std::vector<uint8_t>(28, 0xFF));

    CControlBoard board;
    board.m_bDemo = true; // a burn would succeed at once
    head.m_pBoard = &board;
    ui.ClearBoxes();
    dlg.UserClick(IDC_BURN);
    EXPECT_EQ(ui.BoxTexts(),
              std::vector<std::string>{"Average step is not a valid number. Nothing was burned."});
    EXPECT_EQ(head.m_record.marker, 'Q'); // not sent
    for (int id : {IDC_AVG_STEP, IDC_PHOTO_A, IDC_PHOTO_B, IDC_PHOTO_C, IDC_INDEX_A, IDC_INDEX_B,
                   IDC_INDEX_C})
        dlg.UserType(id, "1.0");
    ui.ClearBoxes();
    dlg.UserClick(IDC_BURN);
    EXPECT_EQ(ui.LastBox().text.rfind("Burn Complete in ", 0), 0u) << ui.LastBox().text;
    EXPECT_EQ(head.m_record.marker, 'V');
    EXPECT_EQ(head.m_record.photoToMw[0], 1.0f);
    head.m_pBoard = nullptr;
}

TEST_F(RvxConfig, EveryFloatThatIsNotFiniteIsRefusedBySaveWhenTypedAndByBurnAlways) {
    // Each float control, where the record keeps it, and the name a box gives it.
    std::vector<std::tuple<int, int, std::string>> fields = {
        {IDC_AVG_STEP, 52, "Average step"}, {IDC_PHOTO_A, 40, "Photo-to-mW a"},
        {IDC_PHOTO_B, 44, "Photo-to-mW b"}, {IDC_PHOTO_C, 48, "Photo-to-mW c"},
        {IDC_INDEX_A, 28, "mW-to-Index a"}, {IDC_INDEX_B, 32, "mW-to-Index b"},
        {IDC_INDEX_C, 36, "mW-to-Index c"}, {IDC_TEMP_A, 60, "Temperature a"},
        {IDC_TEMP_B, 64, "Temperature b"},  {IDC_TEMP_C, 68, "Temperature c"}};
    for (int row = 0; row < 10; ++row)
        fields.push_back(
            {kMultiCalFactor[row], 304 + 4 * row, "Factor in row " + std::to_string(row + 1)});
    Image ten = SampleImage(); // all ten entries in use
    ten[83] = 10;
    for (int e = 0; e < 10; ++e)
        PutF32(ten, 304 + 4 * e, 1.0f);
    TempDir dir("rvx");
    CControlBoard board;
    board.m_bDemo = true; // a burn would succeed at once
    for (const auto& [id, offset, name] : fields) {
        SCOPED_TRACE(name);
        const std::string saved = " is not a valid number. Nothing was saved.";
        const std::string burned = " is not a valid number. Nothing was burned.";
        for (bool typed : {true, false}) {
            Image b = ten;
            if (!typed)
                PutF32(b, offset, offset % 8 ? NAN : -INFINITY); // held, as read
            Load(head, b);
            RVX_Config d;
            d.m_pHead = &head;
            OpenDialog open(d); // no controller yet: the record stays as loaded
            if (typed) {
                ASSERT_TRUE(d.UserType(id, offset % 8 ? "1e39" : "-1e39"));
            }
            const std::string path = dir.Path() + "/" + std::to_string(id) + ".rvx";
            const size_t asked = ui.FileDialogs().size();
            ui.ClearBoxes();
            if (!typed)
                ui.AnswerFile(path);
            ASSERT_TRUE(d.UserClick(IDC_SAVE));
            if (typed) {
                EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{name + saved});
                EXPECT_EQ(d.FocusedControl(), d.GetDlgItem(id));
                EXPECT_EQ(ui.FileDialogs().size(), asked); // refused before a file is asked for
            } else {
                EXPECT_EQ(ui.BoxCount(), 0u) << ui.LastBox().text; // saved as read
                const std::vector<uint8_t> file = FileBytes(path);
                ASSERT_EQ(file.size(), 360u);
                EXPECT_TRUE(
                    std::equal(b.begin() + offset, b.begin() + offset + 4, file.begin() + offset));
            }
            head.m_pBoard = &board;
            ui.ClearBoxes();
            ASSERT_TRUE(d.UserClick(IDC_BURN));
            head.m_pBoard = nullptr;
            EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{name + burned});
            EXPECT_EQ(d.FocusedControl(), d.GetDlgItem(id));
            EXPECT_EQ(head.m_record.marker, 'Q'); // not sent
        }
    }
}

TEST_F(RvxConfig, AFactorIsNamedByTheRowItIsTypedIn) {
    // Rows 1 and 2 are in use; row 7 is checked and given a factor beyond
    // float's range. Packed, it would be entry 2: the box names its row.
    OpenDialog open(dlg);
    ASSERT_TRUE(dlg.UserClick(kMultiCalCheck[6]));
    ASSERT_TRUE(dlg.UserType(kMultiCalFactor[6], "1e40"));
    ui.ClearBoxes();
    ASSERT_TRUE(dlg.UserClick(IDC_BURN));
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{
                                 "Factor in row 7 is not a valid number. Nothing was burned."});
    EXPECT_EQ(dlg.FocusedControl(), dlg.GetDlgItem(kMultiCalFactor[6]));
    // Unchecked, the row is not stored and nothing is refused.
    ASSERT_TRUE(dlg.UserClick(kMultiCalCheck[6]));
    ui.ClearBoxes();
    ASSERT_TRUE(dlg.UserClick(IDC_BURN));
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{"Burn command never acknowledged."});
}

TEST_F(RvxConfig, OpenReplacesOnlyTheBytesTheFileHolds) {
    TempDir dir("rvx");
    Image other;
    for (int i = 0; i < 360; ++i)
        other[i] = static_cast<uint8_t>(i * 3);
    PutText(other, 1, "RVX-9");
    PutText(other, 13, "SN9");
    other[25] = 12, other[26] = 31, other[27] = 19;
    other[83] = 0;
    WriteFile(dir.Path() + "/short.rvx", other.data(), 100);
    std::vector<uint8_t> longer(other.begin(), other.end());
    longer.resize(500, 0xEE);
    WriteFile(dir.Path() + "/long.rvx", longer.data(), longer.size());

    OpenDialog open(dlg);
    ui.AnswerFile(dir.Path() + "/short.rvx");
    dlg.UserClick(IDC_OPEN);
    ASSERT_EQ(ui.FileDialogs().size(), 1u);
    EXPECT_TRUE(ui.FileDialogs()[0].open);
    EXPECT_EQ(ui.FileDialogs()[0].title, "Open RVX Configuration");
    EXPECT_EQ(ui.FileDialogs()[0].defaultExt, "");
    EXPECT_TRUE(ui.FileDialogs()[0].MustExist());
    EXPECT_EQ(ui.FileDialogs()[0].filters.at(0).name, "RVX Configurations (*.rvx)");
    Image want = SampleImage();
    std::memcpy(want.data(), other.data(), 100);
    EXPECT_EQ(BytesOf(head.m_record), want);
    EXPECT_EQ(head.m_strModel, "RVX-9");
    EXPECT_EQ(head.m_strSerial, "SN9");
    EXPECT_EQ(head.m_strCalDate, "12/31/19");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MODEL), "RVX-9");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_CAL_DAY), "31");

    ui.AnswerFile(dir.Path() + "/long.rvx");
    dlg.UserClick(IDC_OPEN);
    EXPECT_EQ(BytesOf(head.m_record), other); // the first 360 bytes, no more
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_MULTI_CAL1_CHECK), 0u);
    EXPECT_EQ(ui.BoxCount(), 1u);

    // The controls now show the file: untouched, they give back the file's
    // floats to the bit (photoToMw a is -4.67e-38, shown as "-0.00000000"),
    // not the record shown before the Open.
    EXPECT_EQ(dlg.GetDlgItemText(IDC_PHOTO_A), "-0.00000000");
    dlg.ControlsToRecord();
    const Image b = BytesOf(head.m_record);
    EXPECT_EQ(std::memcmp(b.data() + 28, other.data() + 28, 28), 0);
    EXPECT_EQ(std::memcmp(b.data() + 60, other.data() + 60, 12), 0);
}

TEST_F(RvxConfig, OpenOfWhatIsNoFileChangesNothing) {
    TempDir dir("rvx");
    const std::string fifo = dir.Path() + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    OpenDialog open(dlg);
    for (const std::string& path : {dir.Path() + "/missing.rvx", dir.Path(), fifo}) {
        ui.ClearBoxes();
        ui.AnswerFile(path);
        dlg.UserClick(IDC_OPEN); // a pipe must not hang the dialog
        EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{"File not found."}) << path;
        EXPECT_EQ(BytesOf(head.m_record), SampleImage()) << path;
    }
}

TEST_F(RvxConfig, ReadErrorPartwayFailsTheOpenAndChangesNothing) {
    TempDir dir("rvx");
    const std::string path = dir.Path() + "/failing.rvx";
    const Image other{}; // all zeros: any byte taken from it would show
    WriteFile(path, other.data(), other.size());
    OpenDialog open(dlg);
    ui.ClearBoxes();
    {
        testing_support::ReadFault fault(path, 100);
        ui.AnswerFile(path);
        dlg.UserClick(IDC_OPEN);
        ASSERT_TRUE(fault.Failed());
    }
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{"File not found."});
    EXPECT_EQ(BytesOf(head.m_record), SampleImage());
    EXPECT_EQ(head.m_strModel, "RVX-2-365");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MODEL), "RVX-2-365");
}

TEST_F(RvxConfig, TooLongModelOrSerialIsRefusedBySaveAndBurn) {
    TempDir dir("rvx");
    CControlBoard board;
    board.m_bDemo = true; // a burn would succeed at once
    head.m_pBoard = &board;
    OpenDialog open(dlg);
    head.m_record.marker = 'Q';
    const Image shown = BytesOf(head.m_record);
    ui.ClearBoxes();
    dlg.UserType(IDC_MODEL, "RVX-1-420-XYZ"); // 13 characters
    dlg.UserClick(IDC_BURN);
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{"Model is longer than 11 characters."});
    EXPECT_EQ(dlg.FocusedControl(), dlg.GetDlgItem(IDC_MODEL));
    EXPECT_EQ(BytesOf(head.m_record), shown); // not even the marker

    dlg.UserType(IDC_MODEL, "RVX-1-420AB"); // 11 fit
    dlg.UserType(IDC_SERIAL, "123456789012");
    ui.ClearBoxes();
    ui.AnswerFile(dir.Path() + "/x.rvx");
    dlg.UserClick(IDC_SAVE);
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{"Serial is longer than 11 characters."});
    EXPECT_TRUE(ui.FileDialogs().empty());
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/x.rvx"));
    head.m_pBoard = nullptr;
}

TEST_F(RvxConfig, BurnReportsTheAnswerOfTheHead) {
    OpenDialog open(dlg);
    ui.ClearBoxes();
    dlg.UserType(IDC_MAX_TEMPERATURE, "90");
    dlg.UserClick(IDC_BURN); // no controller
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{"Burn command never acknowledged."});
    EXPECT_EQ(head.m_record.maxTemperature, 90); // read back all the same
    EXPECT_EQ(head.m_record.marker, 'Q');

    CControlBoard board;
    board.m_bDemo = true;
    head.m_pBoard = &board;
    ui.ClearBoxes();
    dlg.UserClick(IDC_BURN);
    const std::string text = ui.LastBox().text;
    float ms = -1.0f;
    ASSERT_EQ(std::sscanf(text.c_str(), "Burn Complete in %f ms", &ms), 1) << text;
    EXPECT_GE(ms, 0.0f);
    EXPECT_LT(ms, 1000.0f); // nothing is sent in simulation
    EXPECT_EQ(head.m_record.marker, 'V');
    dlg.UserPressEscape();
    EXPECT_TRUE(dlg.IsEnded());
    head.m_pBoard = nullptr;
}

TEST_F(RvxConfig, SimulatedHeadShowsTheDefaultRecord) {
    CControlBoard board;
    board.m_bDemo = true;
    head.m_pBoard = &board;
    head.m_nChannel = 1;
    OpenDialog open(dlg);
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{"This RVX is in Demo Mode"});
    EXPECT_EQ(head.m_bPresent, 1);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MODEL), "RVX-1-420");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_SERIAL), "0606001");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_CAL_MONTH), "06");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_DAC_PWM), "140");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_BOARD_SERIAL), "0906021");
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_CHANNEL_B), 1u);
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_LCD_XXXX_X), 1u); // lcdFormat 7 was left as it was
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MULTI_CAL1_NAME), "Normal");
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_MULTI_CAL2_CHECK), 0u);
    head.m_pBoard = nullptr;
}

TEST_F(RvxConfig, TodayFillsTheDateEditsWithoutLeadingZeros) {
    OpenDialog open(dlg);
    std::tm before{}, after{};
    std::time_t t = std::time(nullptr);
    localtime_r(&t, &before);
    dlg.UserClick(IDC_TODAY);
    t = std::time(nullptr);
    localtime_r(&t, &after);
    const std::string m = dlg.GetDlgItemText(IDC_CAL_MONTH), d = dlg.GetDlgItemText(IDC_CAL_DAY),
                      y = dlg.GetDlgItemText(IDC_CAL_YEAR);
    const bool matches =
        (m == std::to_string(before.tm_mon + 1) && d == std::to_string(before.tm_mday) &&
         y == std::to_string(before.tm_year - 100)) ||
        (m == std::to_string(after.tm_mon + 1) && d == std::to_string(after.tm_mday) &&
         y == std::to_string(after.tm_year - 100));
    EXPECT_TRUE(matches) << m << "/" << d << "/" << y;
    EXPECT_EQ(head.m_record.calMonth, 12); // only a read-back changes the record
}

TEST(RvxConfigModal, RunsWithoutAHeadAsAMissingHead) {
    HeadlessBackend ui;
    RVX_Config dlg;
    ui.OnModal(136, [](CDialog&) { FAIL() << "no dialog without a head"; });
    dlg.DoModal();
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{"RVX does not exist"});
}

} // namespace

namespace {

using platform::ui::ControlKind;

// Every control the dialog addresses exists once, with its kind and caption,
// every label is there, all inside the 539 x 305 window, and no two controls
// a user works with overlap.
TEST(RvxConfigTemplate, HoldsEveryControlOnceWithoutOverlaps) {
    const platform::ui::DialogTemplate* t = platform::ui::FindTemplate(136);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->caption, "RVX Configuration");
    EXPECT_EQ(t->width, 539);
    EXPECT_EQ(t->height, 305);
    struct Want {
        int id;
        ControlKind kind;
        std::string caption;
    };
    // The ids as the dialog's table gives them, not as the ids header has them.
    constexpr int kChecks[10] = {1045, 1046, 1048, 1049, 1050, 1051, 1052, 1053, 1054, 1055};
    constexpr int kNames[10] = {1013, 1015, 1023, 1025, 1028, 1030, 1032, 1034, 1036, 1038};
    constexpr int kFactors[10] = {1014, 1022, 1024, 1026, 1029, 1031, 1033, 1035, 1037, 1041};
    std::vector<Want> want = {
        {1027, ControlKind::PushButton, "today"},
        {1044, ControlKind::PushButton, "Open"},
        {1047, ControlKind::PushButton, "Save"},
        {1043, ControlKind::PushButton, "Burn"},
        {1061, ControlKind::RadioButton, "Channel A"},
        {1062, ControlKind::RadioButton, "Channel B"},
        {1039, ControlKind::RadioButton, "xxxxxx"},
        {1040, ControlKind::RadioButton, "xxxx.x"},
        {1063, ControlKind::RadioButton, "xxx.xx"},
        {1064, ControlKind::RadioButton, "xx.xxx"},
        {1077, ControlKind::CheckBox, "Enable Calibration"},
        {1098, ControlKind::GroupBox, "Photo-to-mW Coeffs (ax\xB2 + bx + c)"},
        {1099, ControlKind::GroupBox, "mW-to-Index Coeffs (ax\xB2 + bx + c)"}};
    for (int id : {1000, 1001, 1002, 1010, 1011, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1016,
                   1017, 1018, 1021, 1019, 1020, 1012})
        want.push_back({id, ControlKind::Edit, ""});
    for (int row = 0; row < 10; ++row) {
        want.push_back({kChecks[row], ControlKind::CheckBox, ""});
        want.push_back({kNames[row], ControlKind::Edit, ""});
        want.push_back({kFactors[row], ControlKind::Edit, ""});
    }
    for (const Want& w : want) {
        int found = 0;
        for (const auto& c : t->controls)
            if (c.id == w.id) {
                ++found;
                EXPECT_EQ(c.kind, w.kind) << w.id;
                EXPECT_EQ(c.caption, w.caption) << w.id;
            }
        EXPECT_EQ(found, 1) << w.id;
    }
    for (const char* label :
         {"Model:", "Serial:", "Calibration Date:", "/", "Average step:", "DAC/PWM *:",
          "Maximum PWM:", "Max temperature:", "Control Board Serial Number:", "LCD Display Format",
          "a:", "b:", "c:", "Temperature Coeffs (ax\xB2 + bx + c)", "Multi-Calibration Factors",
          "Calibration Name", "Factor",
          "*  This value is either:\n"
          "   - the initially set DAC value when in PWM intensity-set mode, or\n"
          "   - the initially set PWM value when in DAC intensity-set mode."}) {
        bool found = false;
        for (const auto& c : t->controls)
            found |= c.caption == label;
        EXPECT_TRUE(found) << label;
    }
    for (size_t i = 0; i < t->controls.size(); ++i) {
        const auto& a = t->controls[i];
        EXPECT_TRUE(a.rect.x >= 0 && a.rect.y >= 0 && a.rect.x + a.rect.width <= t->width &&
                    a.rect.y + a.rect.height <= t->height)
            << a.id << " " << a.caption;
        if (a.kind == ControlKind::GroupBox)
            continue;
        for (size_t j = i + 1; j < t->controls.size(); ++j) {
            const auto& b = t->controls[j];
            if (b.kind == ControlKind::GroupBox)
                continue;
            const bool overlap =
                a.rect.x < b.rect.x + b.rect.width && b.rect.x < a.rect.x + a.rect.width &&
                a.rect.y < b.rect.y + b.rect.height && b.rect.y < a.rect.y + a.rect.height;
            EXPECT_FALSE(overlap) << a.id << " '" << a.caption << "' and " << b.id << " '"
                                  << b.caption << "'";
        }
    }
}

} // namespace
