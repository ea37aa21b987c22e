#include "platform/Printing.h"

namespace platform {
namespace {
PrinterService* g_service = nullptr;
}

void InstallPrinterService(PrinterService* service) {
    g_service = service;
}

PrinterService* GetPrinterService() {
    return g_service;
}

} // namespace platform
