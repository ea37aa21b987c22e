#include "platform/ui/qt/QtPrinter.h"

#include "platform/ui/qt/Cp1252.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace platform::ui::qt {

QtPrinterDevice::QtPrinterDevice(std::unique_ptr<QPrinter> printer)
    : m_printer(std::move(printer)) {}

QtPrinterDevice::~QtPrinterDevice() {
    if (m_painter && m_painter->isActive())
        m_painter->end();
}

int QtPrinterDevice::StartDoc(const std::string& docName) {
    if (m_inDoc || !m_printer->isValid())
        return -1;
    m_printer->setDocName(FromCp1252(docName));
    m_inDoc = true;
    m_inPage = false;
    m_failed = false;
    m_pages = 0;
    return 1;
}

// Painting starts with the first page rather than with the document: Qt
// submits whatever a started painter produced, at least one blank page, and
// a document without pages must print nothing.
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

int QtPrinterDevice::EndDoc() {
    if (!m_inDoc)
        return -1;
    m_inDoc = false;
    m_inPage = false;
    bool ok = !m_failed;
    if (m_painter) {
        ok = m_painter->end() && ok;
        m_painter.reset();
    }
    return ok ? 1 : -1;
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
    return std::make_unique<QtPrinterDevice>(std::move(printer));
}

} // namespace platform::ui::qt
