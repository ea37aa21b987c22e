#include "calibration/RVX_Config.h"

#include "app/shared/DialogHelpers.h"
#include "app/shared/Stopwatch.h"
#include "calibration/RecordFloats.h"
#include "platform/FileImage.h"
#include "platform/Number.h"
#include "platform/TimeFormat.h"
#include "resources/dialogs/Dialog136Ids.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

using namespace ids136;

namespace {

const char kFilter[] = "RVX Configurations (*.rvx)|*.rvx|All Files (*.*)|*.*||";

// Characters each identity text field holds before its NUL.
constexpr std::size_t kIdentityMax = sizeof(HeadRecord::model) - 1;
constexpr std::size_t kBoardSerialMax = sizeof(HeadRecord::boardSerial) - 1;

constexpr int kCoeffWidth = 2;
constexpr int kCoeffPrecision = 8;
constexpr int kFactorPrecision = 6;

constexpr int kPhotoIds[3] = {IDC_PHOTO_A, IDC_PHOTO_B, IDC_PHOTO_C};
constexpr int kIndexIds[3] = {IDC_INDEX_A, IDC_INDEX_B, IDC_INDEX_C};
constexpr int kTempIds[3] = {IDC_TEMP_A, IDC_TEMP_B, IDC_TEMP_C};

void SetHeadTexts(COpticalHead& head) {
    head.m_strModel = FieldText(head.m_record.model);
    head.m_strSerial = FieldText(head.m_record.serial);
    head.m_strCalDate = CalibrationDateText(head.m_record);
}

} // namespace

RVX_Config::RVX_Config(CDialog* parent) : CDialog(IDD_RVX_CONFIG, parent) {
    MapCommand(IDC_BURN, BN_CLICKED, &RVX_Config::OnBnClickedBurn);
    MapCommand(IDC_OPEN, BN_CLICKED, &RVX_Config::OnBnClickedOpen);
    MapCommand(IDC_SAVE, BN_CLICKED, &RVX_Config::OnBnClickedSave);
    MapCommand(IDC_TODAY, BN_CLICKED, &RVX_Config::OnBnClickedToday);
}

BOOL RVX_Config::OnInitDialog() {
    CDialog::OnInitDialog();
    if (m_pHead == nullptr) {
        // Nothing to show or edit: an opener that forgot the head gets the
        // notice of a missing head and no dialog.
        ShowMessage("RVX does not exist");
        EndDialog(IDCANCEL);
        return TRUE;
    }
    COpticalHead& head = *m_pHead;
    if (head.m_pBoard != nullptr)
        head.m_pBoard->ResetReply();
    head.m_bPresent = head.ReadRecord() ? 1 : 0;
    if (!head.m_bPresent)
        ShowMessage("RVX does not exist");
    if (head.m_pBoard != nullptr && head.m_pBoard->m_bDemo)
        ShowMessage("This RVX is in Demo Mode");

    if (head.m_strModel.starts_with("KZD")) {
        SetWindowText("KZD Configuration");
        SetDlgItemText(IDC_PHOTO_GROUP, "Ch 1: Photo-to-mW Coeffs (ax\xB2 + bx + c)");
        SetDlgItemText(IDC_INDEX_GROUP, "Ch 2: Photo-to-mW Coeffs (ax\xB2 + bx + c)");
    }
    RecordToControls();
    return TRUE;
}

void RVX_Config::SetDlgItemFloat(int id, float value, int width, int precision) {
    // The largest float at precision 8 needs 49 characters.
    char text[128];
    std::snprintf(text, sizeof text, "%*.*f", width, precision, static_cast<double>(value));
    SetDlgItemText(id, text);
}

float RVX_Config::GetDlgItemFloat(int id, float* out) {
    const float value = platform::NarrowToFloat(platform::AtoF(GetDlgItemText(id).c_str()));
    if (out != nullptr)
        *out = value;
    return value;
}

// "%.8f" keeps few significant digits of a small coefficient (1.2345678e-5
// shows as 0.00001235): reading such a text back would change a calibration
// nobody edited. A control whose text is still the one shown gives back the
// value it showed; an edited one is read as typed.
void RVX_Config::ShowFloat(int id, float value, int precision) {
    SetDlgItemFloat(id, value, kCoeffWidth, precision);
    m_shown[id] = {GetDlgItemText(id), value};
}

bool RVX_Config::Edited(int id) {
    const auto shown = m_shown.find(id);
    return shown == m_shown.end() || shown->second.text != GetDlgItemText(id);
}

void RVX_Config::ReadFloat(int id, float& field) {
    if (Edited(id))
        GetDlgItemFloat(id, &field);
    else
        field = m_shown.find(id)->second.value;
}

void RVX_Config::RecordToControls() {
    if (m_pHead == nullptr)
        return;
    const COpticalHead& head = *m_pHead;
    const HeadRecord& r = head.m_record;
    char text[8];

    SetDlgItemText(IDC_MODEL, head.m_strModel);
    SetDlgItemText(IDC_SERIAL, head.m_strSerial);
    const int dateIds[3] = {IDC_CAL_MONTH, IDC_CAL_DAY, IDC_CAL_YEAR};
    const int date[3] = {r.calMonth, r.calDay, r.calYear};
    for (int i = 0; i < 3; ++i) {
        std::snprintf(text, sizeof text, "%02d", date[i]);
        SetDlgItemText(dateIds[i], text);
    }
    m_shown.clear();
    ShowFloat(IDC_AVG_STEP, r.avgStep, kCoeffPrecision);
    SetDlgItemInt(IDC_DAC_PWM, r.initialDacPwm, TRUE);
    SetDlgItemInt(IDC_MAX_PWM, r.maxPwm, FALSE);
    SetDlgItemInt(IDC_MAX_TEMPERATURE, r.maxTemperature, FALSE);
    SetDlgItemText(IDC_BOARD_SERIAL, FieldText(r.boardSerial));
    CheckDlgButton(IDC_CHANNEL_A, r.channel == 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_CHANNEL_B, r.channel != 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_ENABLE_CALIBRATION, r.enableCalibration ? BST_CHECKED : BST_UNCHECKED);
    for (int id : kLcdRadios)
        CheckDlgButton(id, BST_UNCHECKED);
    CheckDlgButton(kLcdRadios[EffectiveLcdFormat(r)], BST_CHECKED);

    for (int i = 0; i < 3; ++i)
        ShowFloat(kPhotoIds[i], r.photoToMw[i], kCoeffPrecision);
    for (int i = 0; i < 3; ++i)
        ShowFloat(kIndexIds[i], r.mwToIndex[i], kCoeffPrecision);
    for (int i = 0; i < 3; ++i)
        ShowFloat(kTempIds[i], r.tempCoeffs[i], kCoeffPrecision);

    const int used = UsedMultiCalEntries(r);
    for (int row = 0; row < kMultiCalRows; ++row) {
        if (row < used) {
            CheckDlgButton(kMultiCalCheck[row], BST_CHECKED);
            SetDlgItemText(kMultiCalName[row], FieldText(r.multiCalNames[row]));
            ShowFloat(kMultiCalFactor[row], r.multiCalFactors[row], kFactorPrecision);
        } else {
            CheckDlgButton(kMultiCalCheck[row], BST_UNCHECKED);
            SetDlgItemText(kMultiCalName[row], "");
            SetDlgItemText(kMultiCalFactor[row], "");
        }
    }
}

void RVX_Config::ControlsToRecord() {
    if (m_pHead == nullptr)
        return;
    ReadBack(m_pHead->m_record);
    SetHeadTexts(*m_pHead);
}

void RVX_Config::ReadBack(HeadRecord& r) {
    SetFieldText(r.model, GetDlgItemText(IDC_MODEL).substr(0, kIdentityMax));
    SetFieldText(r.serial, GetDlgItemText(IDC_SERIAL).substr(0, kIdentityMax));

    r.calMonth = static_cast<uint8_t>(GetDlgItemInt(IDC_CAL_MONTH, nullptr, TRUE) & 0xFF);
    r.calDay = static_cast<uint8_t>(GetDlgItemInt(IDC_CAL_DAY, nullptr, TRUE) & 0xFF);
    r.calYear = static_cast<uint8_t>(GetDlgItemInt(IDC_CAL_YEAR, nullptr, TRUE) & 0xFF);

    ReadFloat(IDC_AVG_STEP, r.avgStep);
    r.initialDacPwm = static_cast<int16_t>(GetDlgItemInt(IDC_DAC_PWM, nullptr, TRUE) & 0xFFFF);
    r.maxPwm = static_cast<uint8_t>(GetDlgItemInt(IDC_MAX_PWM, nullptr, FALSE) & 0xFF);
    r.maxTemperature =
        static_cast<uint8_t>(GetDlgItemInt(IDC_MAX_TEMPERATURE, nullptr, FALSE) & 0xFF);

    SetFieldText(r.boardSerial, GetDlgItemText(IDC_BOARD_SERIAL).substr(0, kBoardSerialMax));

    r.channel = IsDlgButtonChecked(IDC_CHANNEL_B) == BST_CHECKED ? 1 : 0;
    r.enableCalibration = IsDlgButtonChecked(IDC_ENABLE_CALIBRATION) == BST_CHECKED ? 1 : 0;

    // No radio checked reads as "xxxx.x", as an out-of-range byte does.
    r.lcdFormat = 1;
    for (int value = 0; value < 4; ++value) {
        if (IsDlgButtonChecked(kLcdRadios[value]) == BST_CHECKED) {
            r.lcdFormat = static_cast<uint8_t>(value);
            break;
        }
    }

    for (int i = 0; i < 3; ++i)
        ReadFloat(kPhotoIds[i], r.photoToMw[i]);
    for (int i = 0; i < 3; ++i)
        ReadFloat(kIndexIds[i], r.mwToIndex[i]);
    for (int i = 0; i < 3; ++i)
        ReadFloat(kTempIds[i], r.tempCoeffs[i]);

    std::vector<MultiCalRow> rows;
    for (int row = 0; row < kMultiCalRows; ++row) {
        float factor = 0.0f;
        ReadFloat(kMultiCalFactor[row], factor);
        rows.push_back({GetDlgItemText(kMultiCalName[row]), factor,
                        IsDlgButtonChecked(kMultiCalCheck[row]) == BST_CHECKED});
    }
    PackMultiCal(r, rows);
}

// Model and serial name the head (the serial names its files and its
// calibration data): one that does not fit its field is refused instead of
// being saved or burned cut short. The user sees which and where.
bool RVX_Config::IdentityFits() {
    const struct {
        int id;
        const char* what;
    } fields[] = {{IDC_MODEL, "Model"}, {IDC_SERIAL, "Serial"}};
    for (const auto& f : fields) {
        if (GetDlgItemText(f.id).size() > kIdentityMax) {
            ShowMessage("%s is longer than %zu characters.", f.what, kIdentityMax);
            GotoDlgCtrl(f.id);
            return false;
        }
    }
    return true;
}

// A number typed beyond float's range reads as infinity, and a record may
// already hold NaN or infinity (an erased head's EEPROM); either in a head
// would turn its calibrated settings into nonsense. A file may keep what the
// record held, so that a head can be saved as it was read.
bool RVX_Config::NumbersAreFinite(const char* notDone, bool typedOnly) {
    // What the read-back would store, judged without storing it.
    HeadRecord candidate = m_pHead->m_record;
    ReadBack(candidate);
    // The read-back packs the checked rows to the front: entry n came from
    // the n-th checked row, which is where the user sees it.
    std::vector<int> checkedRows;
    for (int row = 0; row < kMultiCalRows; ++row)
        if (IsDlgButtonChecked(kMultiCalCheck[row]) == BST_CHECKED)
            checkedRows.push_back(row);
    for (RecordFloat f : NonFiniteFloats(candidate)) {
        int id = IDC_AVG_STEP;
        switch (f.kind) {
        case RecordFloat::AvgStep:
            break;
        case RecordFloat::PhotoToMw:
            id = kPhotoIds[f.index];
            break;
        case RecordFloat::MwToIndex:
            id = kIndexIds[f.index];
            break;
        case RecordFloat::TempCoeff:
            id = kTempIds[f.index];
            break;
        case RecordFloat::MultiCalFactor:
            f.index = checkedRows.at(static_cast<std::size_t>(f.index));
            id = kMultiCalFactor[f.index];
            break;
        }
        if (typedOnly && !Edited(id))
            continue;
        ShowMessage("%s is not a valid number. %s", RecordFloatName(f).c_str(), notDone);
        GotoDlgCtrl(id);
        return false;
    }
    return true;
}

void RVX_Config::OnBnClickedSave() {
    if (m_pHead == nullptr || !IdentityFits() || !NumbersAreFinite("Nothing was saved.", true))
        return;
    CFileDialog dlg(false, "dsc", m_pHead->m_strSerial.c_str(),
                    OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kFilter, this);
    dlg.m_ofn.lpstrTitle = "Save RVX Configuration";
    if (dlg.DoModal() != IDOK)
        return;
    // The record goes to a temporary file beside the chosen one, which is
    // replaced only once the new bytes are safely written: a failed save
    // leaves an existing file as it was.
    platform::FileReplacement file;
    if (!file.Open(dlg.GetPathName())) {
        ShowMessage("File could not be opened.");
        return;
    }
    ControlsToRecord();
    if (!file.Commit(RecordBytes(m_pHead->m_record), kHeadRecordSize))
        ShowMessage("File could not be written.");
}

void RVX_Config::OnBnClickedOpen() {
    if (m_pHead == nullptr)
        return;
    CFileDialog dlg(true, nullptr, nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, kFilter, this);
    dlg.m_ofn.lpstrTitle = "Open RVX Configuration";
    if (dlg.DoModal() != IDOK)
        return;
    uint8_t image[kHeadRecordSize];
    std::size_t got = 0;
    if (!platform::ReadFileStart(dlg.GetPathName(), image, sizeof image, got)) {
        ShowMessage("File not found.");
        return;
    }
    // A short file replaces only the leading bytes; nothing goes to the head
    // until Burn.
    CopyIntoRecord(m_pHead->m_record, image, got);
    SetHeadTexts(*m_pHead);
    RecordToControls();
}

void RVX_Config::OnBnClickedBurn() {
    if (m_pHead == nullptr || !IdentityFits() || !NumbersAreFinite("Nothing was burned.", false))
        return;
    CStopwatch stopwatch;
    ControlsToRecord();
    stopwatch.Restart();
    if (m_pHead->WriteRecord())
        ShowMessage("Burn Complete in %0.2f ms", static_cast<double>(stopwatch.ElapsedMs()));
    else
        ShowMessage("Burn command never acknowledged.");
}

void RVX_Config::OnBnClickedToday() {
    const std::tm today = platform::LocalTimeNow();
    SetDlgItemInt(IDC_CAL_MONTH, today.tm_mon + 1, TRUE);
    SetDlgItemInt(IDC_CAL_DAY, today.tm_mday, TRUE);
    SetDlgItemInt(IDC_CAL_YEAR, today.tm_year + 1900 - 2000, TRUE);
}
