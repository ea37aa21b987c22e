// The seven text cells of one report row, as both reports show them on screen
// and print them on paper. An empty cell is a value the report has none for
// (no step on the first point, no accuracy against a zero reading).
#pragma once

#include "calibration/Printer.h"
#include "platform/ui/Afx.h"

#include <array>
#include <string>
#include <vector>

constexpr int kReportColumns = 7;
using ReportRow = std::array<std::string, kReportColumns>;

// Appends the rows to the list, in order.
void ShowReportRows(CListCtrl& list, const std::vector<ReportRow>& rows);
// Prints a row's non-empty cells one inch apart from 1 inch, on `line`.
void PrintReportRow(CPrinter& dc, const ReportRow& cells, int line);
