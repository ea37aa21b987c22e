#include "platform/ui/qt/QtPrinter.h"

#include "platform/FileImage.h"
#include "platform/UniqueFd.h"
#include "platform/ui/qt/Cp1252.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace platform::ui::qt {

// The file a finished document is written to: every write and the close are
// checked, and a file not written whole is removed. A file that has not been
// kept is removed when its holder goes.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile() { Remove(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // A new file of our own in `folder`, readable by us only. An empty
    // folder (Qt's temporary folder when TMPDIR names none) takes no file:
    // the name would land in the root folder.
    bool CreateTemporary(const QString& folder) {
        if (folder.isEmpty())
            return false;
        QByteArray name = QFile::encodeName(folder + QStringLiteral("/lumi-print-XXXXXX"));
        m_fd.Reset(::mkostemp(name.data(), O_CLOEXEC));
        if (!m_fd.Valid())
            return false;
        m_path = name.toStdString();
        return true;
    }
    // The file `path`, created or emptied.
    bool Create(const QString& path) {
        const QByteArray name = QFile::encodeName(path);
        m_fd.Reset(
            ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOCTTY | O_CLOEXEC, 0666));
        if (!m_fd.Valid())
            return false;
        m_path = name.toStdString();
        return true;
    }
    // Writes `bytes` as the whole file and closes it; false (and the file
    // removed) when any write or the close fails.
    bool WriteAndClose(const QByteArray& bytes) {
        bool ok =
            m_fd.Valid() &&
            platform::WriteAll(m_fd.Get(), reinterpret_cast<const uint8_t*>(bytes.constData()),
                               static_cast<std::size_t>(bytes.size()));
        // A failed write-back may only show in close().
        ok = m_fd.Valid() && ::close(m_fd.Release()) == 0 && ok;
        if (!ok)
            Remove();
        return ok;
    }
    // The file stays when its holder goes.
    void Keep() { m_path.clear(); }
    void Remove() {
        m_fd.Reset();
        if (!m_path.empty())
            ::unlink(m_path.c_str());
        m_path.clear();
    }
    const std::string& Path() const { return m_path; }

private:
    platform::UniqueFd m_fd;
    std::string m_path; // empty: nothing to remove
};

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
        // Made now, so that a folder that takes no file fails the document
        // before anything is painted.
        auto file = std::make_unique<OutputFile>();
        if (!file->CreateTemporary(QDir::tempPath()))
            return -1;
        m_output = std::move(file);
    }
    m_docName = docName;
    m_printer->setDocName(FromCp1252(docName));
    m_inDoc = true;
    m_inPage = false;
    m_failed = false;
    m_pages = 0;
    return 1;
}

bool QtPrinterDevice::BeginPainting() {
    if (!m_queue) {
        auto file = std::make_unique<OutputFile>();
        if (!file->Create(m_printer->outputFileName()))
            return false;
        m_output = std::move(file);
    }
    m_pdf = std::make_unique<QBuffer>();
    if (!m_pdf->open(QIODevice::WriteOnly))
        return false;
    m_writer = std::make_unique<QPdfWriter>(m_pdf.get());
    m_writer->setPageLayout(m_printer->pageLayout());
    m_writer->setResolution(m_printer->resolution());
    m_writer->setTitle(m_printer->docName());
    m_writer->setCreator(m_printer->creator());
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_writer.get())) {
        m_painter.reset();
        return false;
    }
    m_painter->setFont(FontFor(m_font));
    return true;
}

// Painting starts with the first page rather than with the document: a
// started painter produces at least one blank page, and a document without
// pages must print nothing.
int QtPrinterDevice::StartPage() {
    if (!m_inDoc || m_inPage || m_failed)
        return -1;
    if (m_pages == 0) {
        if (!BeginPainting()) {
            Discard();
            m_failed = true;
            return -1;
        }
    } else if (!m_writer->newPage()) {
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
    m_writer.reset();
    return ended;
}

void QtPrinterDevice::Discard() {
    EndPainting();
    m_pdf.reset();
    m_output.reset(); // removes the file
}

int QtPrinterDevice::EndDoc() {
    if (!m_inDoc)
        return -1;
    m_inDoc = false;
    m_inPage = false;
    const bool painted = m_pages != 0;
    bool ok = !m_failed;
    if (ok && painted) {
        ok = EndPainting() && m_pdf && !m_pdf->data().isEmpty() &&
             m_output->WriteAndClose(m_pdf->data());
        if (ok && m_queue)
            ok = m_queue->Submit(m_output->Path(), FromCp1252(m_docName).toStdString(),
                                 JobOptions()) > 0;
        else if (ok)
            m_output->Keep();
    }
    Discard();
    return ok ? 1 : -1;
}

int QtPrinterDevice::AbortDoc() {
    if (!m_inDoc)
        return -1;
    m_inDoc = false;
    m_inPage = false;
    Discard();
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
        const double res = m_writer->resolution();
        dx = x * res / 100.0;
        dy = -y * res / 100.0;
    }
    // TextOut's point is the text's top-left corner; Qt draws at the baseline.
    const QFontMetricsF metrics(m_painter->font(), m_writer.get());
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
