#include "platform/ui/HeadlessPrinter.h"

namespace platform::ui {

class PrintRecorder::Device : public platform::PrinterDevice {
public:
    explicit Device(PrintRecorder& owner) : m_owner(owner) { ++m_owner.m_open; }
    ~Device() override { --m_owner.m_open; }

    int StartDoc(const std::string& docName) override {
        if (m_doc >= 0) {
            Log("StartDoc");
            return -1;
        }
        if (m_owner.m_startDocFailure != 0)
            return m_owner.m_startDocFailure;
        if (m_owner.Fails(Stage::StartDoc))
            return -1;
        m_owner.m_docs.push_back(Document{docName, {}, false, false, false, {}});
        m_doc = static_cast<int>(m_owner.m_docs.size()) - 1;
        return m_doc + 1;
    }
    int StartPage() override {
        Log("StartPage");
        if (m_doc < 0 || m_inPage || m_owner.Fails(Stage::StartPage))
            return -1;
        Doc().pages.emplace_back();
        m_inPage = true;
        return 1;
    }
    int EndPage() override {
        Log("EndPage");
        if (m_doc < 0 || !m_inPage || m_owner.Fails(Stage::EndPage))
            return -1;
        Doc().pages.back().ended = true;
        m_inPage = false;
        return 1;
    }
    int EndDoc() override {
        Log("EndDoc");
        if (m_doc < 0)
            return -1;
        Doc().ended = true;
        Doc().refused = m_owner.Fails(Stage::EndDoc);
        const bool refused = Doc().refused;
        m_doc = -1;
        m_inPage = false;
        return refused ? -1 : 1;
    }
    int AbortDoc() override {
        Log("AbortDoc");
        if (m_doc < 0)
            return -1;
        Doc().aborted = true;
        m_doc = -1;
        m_inPage = false;
        return 1;
    }
    int SetMapMode(int mode) override {
        Log("SetMapMode " + std::to_string(mode));
        if (mode != platform::MM_TEXT && mode != platform::MM_LOENGLISH)
            return 0;
        int old = m_mapMode;
        m_mapMode = mode;
        return old;
    }
    int SelectStockFont(int stockId) override {
        Log("SelectFont " + std::to_string(stockId));
        if (stockId != platform::SYSTEM_FONT && stockId != platform::DEVICE_DEFAULT_FONT)
            return 0;
        int old = m_font;
        m_font = stockId;
        return old;
    }
    bool TextOut(int x, int y, const std::string& text) override {
        if (m_doc < 0 || !m_inPage) {
            Log("TextOut outside a page");
            return false;
        }
        Log("TextOut");
        Doc().pages.back().texts.push_back(Text{x, y, text, m_mapMode, m_font});
        return true;
    }

private:
    Document& Doc() { return m_owner.m_docs[static_cast<size_t>(m_doc)]; }
    void Log(std::string call) {
        if (m_doc >= 0)
            Doc().calls.push_back(std::move(call));
        else
            m_owner.m_outside.push_back(std::move(call));
    }

    PrintRecorder& m_owner;
    int m_doc = -1; // index of the open document in m_owner.m_docs
    bool m_inPage = false;
    int m_mapMode = platform::MM_TEXT;
    int m_font = platform::SYSTEM_FONT;
};

PrintRecorder::PrintRecorder() : m_previous(platform::GetPrinterService()) {
    platform::InstallPrinterService(this);
}

PrintRecorder::~PrintRecorder() {
    platform::InstallPrinterService(m_previous);
}

void PrintRecorder::FailAt(Stage stage, int nth) {
    m_untilFailure[static_cast<int>(stage)] = nth > 0 ? nth - 1 : -1;
}

bool PrintRecorder::Fails(Stage stage) {
    int& left = m_untilFailure[static_cast<int>(stage)];
    if (left < 0)
        return false;
    return left-- == 0;
}

std::unique_ptr<platform::PrinterDevice> PrintRecorder::DefaultPrinter() {
    if (!m_hasDefault)
        return nullptr;
    ++m_made;
    return std::make_unique<Device>(*this);
}

} // namespace platform::ui
