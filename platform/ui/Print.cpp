#include "platform/ui/Print.h"

#include <array>

namespace platform::ui {
namespace {

// One shared object per stock font, as GDI keeps them.
CGdiObject* StockObject(int id) {
    static std::array<CGdiObject, 2> fonts{CGdiObject(SYSTEM_FONT),
                                           CGdiObject(DEVICE_DEFAULT_FONT)};
    for (auto& f : fonts)
        if (f.StockId() == id)
            return &f;
    return nullptr;
}

} // namespace

CDC::~CDC() = default;

bool CDC::Attach(std::unique_ptr<PrinterDevice> device) {
    if (m_device || !device)
        return false;
    m_device = std::move(device);
    return true;
}

std::unique_ptr<PrinterDevice> CDC::Detach() {
    return std::move(m_device);
}

bool CDC::DeleteDC() {
    if (!m_device)
        return false;
    m_device.reset();
    return true;
}

int CDC::StartDoc(const DOCINFO* info) {
    if (!m_device || !info)
        return -1;
    return m_device->StartDoc(info->lpszDocName ? info->lpszDocName : "");
}

int CDC::StartPage() {
    return m_device ? m_device->StartPage() : -1;
}

int CDC::EndPage() {
    return m_device ? m_device->EndPage() : -1;
}

int CDC::EndDoc() {
    return m_device ? m_device->EndDoc() : -1;
}

int CDC::AbortDoc() {
    return m_device ? m_device->AbortDoc() : -1;
}

int CDC::SetMapMode(int mode) {
    return m_device ? m_device->SetMapMode(mode) : 0;
}

CGdiObject* CDC::SelectStockObject(int stockId) {
    if (!m_device || !StockObject(stockId))
        return nullptr;
    return StockObject(m_device->SelectStockFont(stockId));
}

CGdiObject* CDC::SelectObject(CGdiObject* object) {
    return object ? SelectStockObject(object->StockId()) : nullptr;
}

bool CDC::TextOut(int x, int y, const std::string& text) {
    return m_device && m_device->TextOut(x, y, text);
}

CPrintDialog::CPrintDialog(bool printSetupOnly, unsigned flags, CWnd*)
    : m_setupOnly(printSetupOnly), m_flags(flags) {}

bool CPrintDialog::GetDefaults() {
    m_hDC.reset();
    PrinterService* service = GetPrinterService();
    if (m_setupOnly || !service)
        return false;
    m_hDC = service->DefaultPrinter();
    return m_hDC != nullptr;
}

} // namespace platform::ui
