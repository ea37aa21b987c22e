#pragma once
// A recorder for the message boxes the code under test shows, from any thread.
#include <mutex>
#include <string>
#include <vector>

#include "platform/MessageBox.h"

namespace testing_support {

struct Box {
    std::string text;
    std::string caption;
    unsigned flags;
};

// Installs itself as the message-box sink for its lifetime and records every box.
class BoxRecorder {
public:
    BoxRecorder() {
        platform::SetMessageBoxSink([this](const char* text, const char* caption, unsigned flags) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_boxes.push_back({text, caption, flags});
            return platform::IDOK;
        });
    }
    ~BoxRecorder() { platform::SetMessageBoxSink(nullptr); }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    std::vector<Box> Boxes() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_boxes;
    }
    size_t Count(const std::string& text) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        size_t n = 0;
        for (const Box& b : m_boxes)
            n += b.text == text;
        return n;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Box> m_boxes;
};

} // namespace testing_support
