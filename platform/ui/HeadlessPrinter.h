// The printer for headless tests: installs itself as the printer service and
// records every document printed on its default printer (pages, texts with
// their logical positions, mapping mode and font) instead of printing.
//
//   PrintRecorder printer;               // installed until it goes
//   dlg.UserClick(1043);                 // a handler prints
//   ASSERT_EQ(printer.Documents().size(), 1u);
//   auto& page = printer.Documents()[0].pages[0];
//   EXPECT_EQ(page.texts[0].y, -15);
//   printer.FailAt(PrintRecorder::Stage::StartPage); // the next page will not start
#pragma once

#include "platform/Printing.h"

#include <memory>
#include <string>
#include <vector>

namespace platform::ui {

class PrintRecorder : public platform::PrinterService {
public:
    struct Text {
        int x = 0, y = 0; // logical units of mapMode
        std::string text;
        int mapMode = 0;
        int font = 0; // stock font id selected when drawn
    };
    struct Page {
        std::vector<Text> texts;
        bool ended = false; // EndPage was called
    };
    struct Document {
        std::string name;
        std::vector<Page> pages;
        bool ended = false;   // EndDoc was called
        bool refused = false; // ... and failed: the spooler did not take it
        bool aborted = false; // AbortDoc was called
        // Every call on the device context while the document was open, in
        // order: "StartPage", "EndPage", "EndDoc", "AbortDoc", "SetMapMode 4",
        // "SelectFont 14", "TextOut" (texts are in pages), "TextOut outside
        // a page" for a text drawn with no page open. A call that was made
        // to fail is listed as well.
        std::vector<std::string> calls;
    };

    // The calls whose failure can be scripted.
    enum class Stage { StartDoc, StartPage, EndPage, EndDoc };

    PrintRecorder(); // installs itself; the destructor restores the service before it
    ~PrintRecorder() override;
    PrintRecorder(const PrintRecorder&) = delete;
    PrintRecorder& operator=(const PrintRecorder&) = delete;

    // Scripting: no default printer at all; StartDoc of the next documents
    // fails with this result (0: succeeds).
    void SetHasDefaultPrinter(bool has) { m_hasDefault = has; }
    void SetStartDocResult(int failure) { m_startDocFailure = failure; }
    // The nth call (1: the next one) at `stage` from now on, counted over
    // all contexts, fails with -1, once. A failed StartDoc opens no
    // document, a failed StartPage no page, a failed EndPage leaves its page
    // open; a failed EndDoc closes the document as refused.
    void FailAt(Stage stage, int nth = 1);

    const std::vector<Document>& Documents() const { return m_docs; }
    int ContextsMade() const { return m_made; }
    int ContextsOpen() const { return m_open; } // made and not yet deleted
    // Calls made on a context outside any document (SetMapMode before
    // StartDoc, a second EndDoc, ...), in the same form as Document::calls.
    const std::vector<std::string>& CallsOutsideDocuments() const { return m_outside; }

    std::unique_ptr<platform::PrinterDevice> DefaultPrinter() override;

private:
    class Device;
    friend class Device;
    platform::PrinterService* m_previous = nullptr;
    bool m_hasDefault = true;
    int m_startDocFailure = 0;
    // Per stage, how many more calls succeed before the scripted failure;
    // negative: none is scripted.
    int m_untilFailure[4] = {-1, -1, -1, -1};
    bool Fails(Stage stage);
    int m_made = 0;
    int m_open = 0;
    std::vector<Document> m_docs;
    std::vector<std::string> m_outside;
};

} // namespace platform::ui
