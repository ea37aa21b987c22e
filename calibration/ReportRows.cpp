#include "calibration/ReportRows.h"

void ShowReportRows(CListCtrl& list, const std::vector<ReportRow>& rows) {
    for (const auto& cells : rows) {
        const int row = list.InsertItem(list.GetItemCount(), cells[0].c_str());
        for (int c = 1; c < kReportColumns; ++c)
            list.SetItemText(row, c, cells[size_t(c)].c_str());
    }
}

void PrintReportRow(CPrinter& dc, const ReportRow& cells, int line) {
    for (int c = 0; c < kReportColumns; ++c)
        if (!cells[size_t(c)].empty())
            dc.PrintAt(1.0f + float(c), line, cells[size_t(c)]);
}
