#include "app/StartUp.h"

#include "platform/Clock.h"
#include "platform/FileImage.h"
#include "platform/Format.h"
#include "platform/Shell.h"
#include "resources/dialogs/Dialog146Ids.h"

#include <cstdarg>
#include <string>
#include <vector>

using namespace ids146;

namespace {

constexpr uint32_t kBaud = 115200;
constexpr uint32_t kReadTimeoutMs = 1000;
constexpr uint32_t kListerWaitMs = 250;
constexpr uint32_t kReopenDelayMs = 500;

// The prefix that turns a port name into a device name.
constexpr char kDevicePrefix[] = "\\\\.\\";

// A port name is a path at most this long. With only the first kMaxBoards
// lines read, a comlist.txt of any size costs no more than ten such lines.
constexpr std::size_t kMaxPortNameBytes = 4096;

} // namespace

CStartUp::CStartUp(CDialog* parent)
    : CDialog(IDD, parent), m_nTicks(0), m_bNoHeads(0), m_nBoards(0), m_nCurrent(0) {
    m_fontStatus.CreateFont(20, 0, 0, 0, 400, 0, 0, 0, 0 /* ANSI_CHARSET */, 0, 0, 0,
                            0x20 /* FF_SWISS | DEFAULT_PITCH */, "Microsoft Sans Serif");
    MapCommand(platform::ui::IDABORT, BN_CLICKED, &CStartUp::OnBnClickedExit);
    MapCommand(IDC_RETRY, BN_CLICKED, &CStartUp::OnBnClickedRetry);
}

CStartUp::~CStartUp() = default;

void CStartUp::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_LOGO, m_staticLogo);
    DDX_Control(pDX, IDCANCEL, m_btnCancel);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
    DDX_Control(pDX, IDC_REPORT, m_listReport);
}

void CStartUp::Report(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = platform::VFormat(format, args);
    va_end(args);
    if (text.empty()) // the C library could not format it: no line rather than a blank one
        return;
    m_listReport.InsertString(0, text.c_str());
}

BOOL CStartUp::OnInitDialog() {
    CDialog::OnInitDialog();

    m_nTicks = 0;
    m_nBoards = 0;
    m_pBoards.reset();
    m_bNoHeads = 0;

    m_bmpLogo.LoadBitmap(IDB_LOGO);
    m_staticLogo.SetBitmap(m_bmpLogo.Image());

    CWnd retry;
    retry.Attach(GetDlgItem(IDC_RETRY));
    retry.EnableWindow(FALSE);

    CWnd results;
    results.Attach(GetDlgItem(IDC_RESULTS));
    results.SetFont(&m_fontStatus, TRUE);
    SetDlgItemText(IDC_RESULTS, "");

    m_progress.SetRange(0, 100);
    ReadPortList();
    if (m_nBoards == 0) {
        Report("No Lumiflex Controllers found on USB.");
        return TRUE;
    }
    QueryBoards();
    return TRUE;
}

void CStartUp::ReadPortList() {
    const intptr_t started =
        platform::ShellExecute("ComList.exe", nullptr, ".", platform::SW_HIDE_WINDOW);
    if (started <= 32) {
        Report("No Lumiflex Controllers Found (ComList utility: %d)", static_cast<int>(started));
        return;
    }
    // The lister has this long to write its file; it is not waited for.
    platform::Sleep(kListerWaitMs);

    // Only a regular file is read; a pipe or device in its place, a read error
    // or an overlong line gives no port names.
    std::vector<std::string> names;
    platform::ReadFileLines("comlist.txt", static_cast<std::size_t>(kMaxBoards), kMaxPortNameBytes,
                            names);
    m_nBoards = static_cast<int>(names.size());
    if (m_nBoards == 0)
        return;
    m_pBoards = std::make_unique<CControlBoard[]>(static_cast<std::size_t>(m_nBoards));
    for (int i = 0; i < m_nBoards; ++i)
        m_pBoards[i].m_strPort = kDevicePrefix + names[static_cast<std::size_t>(i)];
}

void CStartUp::QueryBoards() {
    if (m_nBoards > 1)
        Report("%d Lumiflex Controllers found.", m_nBoards);
    else
        Report("%d Lumiflex Controller found.", m_nBoards);

    bool anyWithoutHeads = false;
    for (int k = 1; k <= m_nBoards; ++k) {
        CControlBoard& board = m_pBoards[k - 1];
        Report("Opening Lumiflex %d", k);

        const int firstOpen = board.Open(board.m_strPort.c_str(), kBaud, kReadTimeoutMs);
        if (firstOpen != 0) {
            platform::Sleep(kReopenDelayMs);
            const int secondOpen = board.Open(board.m_strPort.c_str(), kBaud, kReadTimeoutMs);
            if (secondOpen != 0) {
                Report("Lumiflex connection failed (%s, error %d:%d).", board.m_strPort.c_str(),
                       secondOpen, static_cast<int>(board.m_nLastError));
                return;
            }
        }

        const bool firstRead = board.ReadBoardInfo();
        if (!firstRead && !board.ReadBoardInfo()) {
            Report("Failed to get controller configuration.");
            return;
        }

        // The one path through both second tries reports in lower case.
        const char* found = (firstOpen != 0 && !firstRead)
                                ? "Found controller %s, version %s, rvxs %d."
                                : "Found controller %s, version %s, RVXs %d.";
        Report(found, board.m_strBoardSerial.c_str(), board.m_strFirmwareVersion.c_str(),
               static_cast<int>(board.m_nHeadCount));

        m_progress.SetPos(k * 100 / m_nBoards);

        if (board.m_nHeadCount == 0) {
            Report("Controller %d has no optical heads.", k);
            anyWithoutHeads = true;
        }
    }

    if (!anyWithoutHeads) {
        SetTimer(IDT_CLOSE_STARTUP, kCloseDelayMs);
    } else {
        m_bNoHeads = 1;
        SetDlgItemText(IDC_RESULTS, "No RVXs are Attached.");
    }
}

void CStartUp::OnTimer(uintptr_t id) {
    if (id == IDT_CLOSE_STARTUP) {
        KillTimer(IDT_CLOSE_STARTUP);
        EndDialog(0);
    }
}

void CStartUp::OnBnClickedExit() {
    EndDialog(kExitApplication);
}

// The button stays hidden and disabled; there is no repeat search behind it.
void CStartUp::OnBnClickedRetry() {}
