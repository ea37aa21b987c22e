#include "platform/ui/qt/QtPrinter.h"

#include "platform/ui/qt/Cp1252.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

namespace platform::ui::qt {

QtPrinterDevice::QtPrinterDevice(std::unique_ptr<QPrinter> printer,
                                 std::unique_ptr<CupsQueue> queue)
    : m_printer(std::move(printer)), m_queue(std::move(queue)) {}

QtPrinterDevice::~QtPrinterDevice() {
    if (m_inDoc)
        AbortDoc();
}

int QtPrinterDevice::StartDoc(const std::string& docName) {
    if (m_inDoc || !m_printer->isValid())
        return -1;
    if (m_queue) {
        if (!m_queue->AcceptingJobs())
            return -1;
        // No ".pdf" at the end: that would switch the printer from the queue
        // to Qt's plain PDF writer.
        auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                                     QStringLiteral("/lumi-print-XXXXXX"));
        if (!file->open())
            return -1;
        file->close(); // the print engine opens it by name
        m_printer->setOutputFileName(file->fileName());
        m_spoolFile = std::move(file);
    }
    m_docName = docName;
    m_printer->setDocName(FromCp1252(docName));
    m_inDoc = true;
    m_inPage = false;
    m_failed = false;
    m_pages = 0;
    return 1;
}

// Painting starts with the first page rather than with the document: a
// started painter produces at least one blank page, and a document without
// pages must print nothing.
int QtPrinterDevice::StartPage() {
    if (!m_inDoc || m_inPage || m_failed)
        return -1;
    if (m_pages == 0) {
        m_painter = std::make_unique<QPainter>();
        if (!m_painter->begin(m_printer.get())) {
            m_painter.reset();
            m_failed = true;
            return -1;
        }
        m_painter->setFont(FontFor(m_font));
    } else if (!m_printer->newPage()) {
        return -1;
    }
    ++m_pages;
    m_inPage = true;
    return 1;
}

int QtPrinterDevice::EndPage() {
    if (!m_inPage)
        return -1;
    m_inPage = false;
    return 1;
}

bool QtPrinterDevice::EndPainting() {
    if (!m_painter)
        return false;
    const bool ended = m_painter->end();
    m_painter.reset();
    return ended;
}

int QtPrinterDevice::EndDoc() {
    if (!m_inDoc)
        return -1;
    m_inDoc = false;
    m_inPage = false;
    const bool painted = m_pages != 0;
    const bool ended = EndPainting();
    bool ok = !m_failed && (ended || !painted);
    if (ok && painted && m_queue) {
        const QByteArray file = QFile::encodeName(m_spoolFile->fileName());
        ok = m_queue->Submit(file.toStdString(), FromCp1252(m_docName).toStdString(),
                             JobOptions()) > 0;
    }
    m_spoolFile.reset();
    return ok ? 1 : -1;
}

int QtPrinterDevice::AbortDoc() {
    if (!m_inDoc)
        return -1;
    m_inDoc = false;
    m_inPage = false;
    if (EndPainting() && !m_queue)
        QFile::remove(m_printer->outputFileName());
    m_spoolFile.reset();
    return 1;
}

// The job attributes Qt's own submission would give the same printer.
std::vector<std::pair<std::string, std::string>> QtPrinterDevice::JobOptions() const {
    const QPageLayout layout = m_printer->pageLayout();
    const bool portrait = layout.orientation() == QPageLayout::Portrait;
    std::vector<std::pair<std::string, std::string>> options{
        {"media", layout.pageSize().key().toStdString()}};
    switch (m_printer->duplex()) {
    case QPrinter::DuplexNone:
        options.emplace_back("sides", "one-sided");
        break;
    case QPrinter::DuplexAuto:
        options.emplace_back("sides", portrait ? "two-sided-long-edge" : "two-sided-short-edge");
        break;
    case QPrinter::DuplexLongSide:
        options.emplace_back("sides", "two-sided-long-edge");
        break;
    case QPrinter::DuplexShortSide:
        options.emplace_back("sides", "two-sided-short-edge");
        break;
    }
    if (!portrait)
        options.emplace_back("landscape", "");
    return options;
}

int QtPrinterDevice::SetMapMode(int mode) {
    if (mode != platform::MM_TEXT && mode != platform::MM_LOENGLISH)
        return 0;
    int old = m_mapMode;
    m_mapMode = mode;
    return old;
}

int QtPrinterDevice::SelectStockFont(int stockId) {
    if (stockId != platform::SYSTEM_FONT && stockId != platform::DEVICE_DEFAULT_FONT)
        return 0;
    int old = m_font;
    m_font = stockId;
    if (m_painter)
        m_painter->setFont(FontFor(m_font));
    return old;
}

QFont QtPrinterDevice::FontFor(int stockId) const {
    QFont f;
    if (stockId == platform::DEVICE_DEFAULT_FONT) {
        f.setFamily(QStringLiteral("DejaVu Sans Mono"));
        f.setStyleHint(QFont::TypeWriter);
        f.setFixedPitch(true);
        f.setPointSizeF(9.0);
    } else {
        f.setFamily(QStringLiteral("DejaVu Sans"));
        f.setStyleHint(QFont::SansSerif);
        f.setPointSizeF(10.0);
    }
    return f;
}

bool QtPrinterDevice::TextOut(int x, int y, const std::string& text) {
    if (!m_inPage || !m_painter || !m_painter->isActive())
        return false;
    double dx = x, dy = y;
    if (m_mapMode == platform::MM_LOENGLISH) {
        const double res = m_printer->resolution();
        dx = x * res / 100.0;
        dy = -y * res / 100.0;
    }
    // TextOut's point is the text's top-left corner; Qt draws at the baseline.
    const QFontMetricsF metrics(m_painter->font(), m_printer.get());
    m_painter->drawText(QPointF(dx, dy + metrics.ascent()), FromCp1252(text));
    return true;
}

std::unique_ptr<platform::PrinterDevice> QtPrinterService::DefaultPrinter() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    auto queue = std::make_unique<CupsQueue>(info.printerName().toStdString());
    return std::make_unique<QtPrinterDevice>(std::move(printer), std::move(queue));
}

} // namespace platform::ui::qt
