#include "platform/ui/Headless.h"

#include <algorithm>

namespace platform::ui {

HeadlessBackend::HeadlessBackend() : m_previous(GetBackend()) {
    InstallBackend(this);
}

HeadlessBackend::~HeadlessBackend() {
    // A dialog left open must not call into this backend after it is gone.
    std::vector<CDialog*> open = m_open;
    for (auto it = open.rbegin(); it != open.rend(); ++it)
        (*it)->DestroyWindow();
    InstallBackend(m_previous);
}

// ---- clock

bool HeadlessBackend::NextDue(uint64_t limit, CDialog*& dlg, uintptr_t& id) {
    bool found = false;
    uint64_t bestDue = 0, bestOrder = 0;
    for (auto& [d, timers] : m_timers) {
        if (!d->IsOpen())
            continue;
        for (auto& [tid, t] : timers) {
            if (t.due > limit)
                continue;
            if (!found || t.due < bestDue || (t.due == bestDue && t.order < bestOrder)) {
                found = true;
                bestDue = t.due;
                bestOrder = t.order;
                dlg = d;
                id = tid;
            }
        }
    }
    return found;
}

void HeadlessBackend::Advance(uint64_t ms) {
    const uint64_t target = m_now.load() + ms;
    for (;;) {
        RunPosted();
        CDialog* dlg = nullptr;
        uintptr_t id = 0;
        if (!NextDue(target, dlg, id))
            break;
        Timer& t = m_timers[dlg][id];
        m_now.store(std::max(m_now.load(), t.due));
        // Before the handler, which may set or kill it. A timer that fell
        // behind by several periods (the UI thread was held) fires once,
        // then keeps to its period, as a window timer does.
        do
            t.due += t.period;
        while (t.period > 0 && t.due <= m_now.load());
        dlg->DispatchTimer(id);
    }
    // A script inside a handler may have run the clock further already.
    m_now.store(std::max(m_now.load(), target));
}

void HeadlessBackend::Hold(uint64_t ms) {
    m_now.store(m_now.load() + ms);
}

uint64_t HeadlessBackend::DueTime(const CDialog& dlg, uintptr_t id) const {
    auto it = m_timers.find(const_cast<CDialog*>(&dlg));
    if (it == m_timers.end())
        return 0;
    auto t = it->second.find(id);
    return t == it->second.end() ? 0 : t->second.due;
}

// ---- modal runs

void HeadlessBackend::OnModal(int templateId, Interaction interact, int endCode) {
    m_scripts[templateId].push_back(Script{std::move(interact), endCode});
}

size_t HeadlessBackend::PendingScripts() const {
    size_t n = 0;
    for (const auto& [id, q] : m_scripts)
        n += q.size();
    return n;
}

void HeadlessBackend::CreateDialog(CDialog& dlg) {
    m_open.push_back(&dlg);
}

void HeadlessBackend::DestroyDialog(CDialog& dlg) {
    std::erase(m_open, &dlg);
    m_timers.erase(&dlg);
}

void HeadlessBackend::RunModal(CDialog& dlg) {
    auto it = m_scripts.find(dlg.TemplateId());
    if (it == m_scripts.end() || it->second.empty()) {
        ++m_unscripted;
        dlg.EndDialog(IDCANCEL);
        m_runs.push_back(Run{dlg.TemplateId(), dlg.Result(), false});
        return;
    }
    Script script = std::move(it->second.front());
    it->second.pop_front();
    PaintWindow(dlg);
    if (script.interact)
        script.interact(dlg);
    if (!dlg.IsEnded())
        dlg.EndDialog(script.endCode);
    m_runs.push_back(Run{dlg.TemplateId(), dlg.Result(), true});
}

void HeadlessBackend::PaintWindow(CDialog& dlg) {
    if (!dlg.IsOpen() || dlg.IsEnded())
        return;
    dlg.DispatchPaint();
    Paint paint{dlg.TemplateId(), m_now.load(), {}};
    for (const auto& c : dlg.Controls())
        if (c->Kind() == ControlKind::Bitmap && c->IsVisible() && c->Bitmap())
            paint.images.push_back(DrawnImage{c->Id(), c->Bitmap()});
    m_paints.push_back(std::move(paint));
}

void HeadlessBackend::EndModal(CDialog&) {}
void HeadlessBackend::ControlCreated(CDialog&, Control&) {}
void HeadlessBackend::ControlChanged(Control&, Aspect) {}
void HeadlessBackend::DialogChanged(CDialog&, DialogAspect) {}

void HeadlessBackend::SetTimer(CDialog& dlg, uintptr_t id, unsigned periodMs) {
    m_timers[&dlg][id] = Timer{m_now.load() + periodMs, periodMs, m_order++};
}

void HeadlessBackend::KillTimer(CDialog& dlg, uintptr_t id) {
    auto it = m_timers.find(&dlg);
    if (it != m_timers.end())
        it->second.erase(id);
}

// ---- boxes

void HeadlessBackend::AnswerBox(int answer, std::function<void(const Box&)> whileShown) {
    std::lock_guard<std::mutex> lock(m_boxMutex);
    m_boxAnswers.push_back(BoxAnswer{answer, std::move(whileShown)});
}

int HeadlessBackend::MessageBox(CDialog* owner, const std::string& text, const std::string& caption,
                                unsigned flags) {
    Box box;
    box.text = text;
    box.caption = caption;
    box.flags = flags;
    box.uiThread = IsUiThread();
    box.time = m_now.load();
    box.ownerTemplate = owner ? owner->TemplateId() : 0;
    std::function<void(const Box&)> whileShown;
    {
        std::lock_guard<std::mutex> lock(m_boxMutex);
        if (!m_boxAnswers.empty()) {
            box.answer = m_boxAnswers.front().answer;
            whileShown = std::move(m_boxAnswers.front().whileShown);
            m_boxAnswers.pop_front();
        } else {
            // Unscripted: OK for a plain box, Cancel for a question.
            box.answer = platform::EscapeAnswer(flags);
        }
        m_boxes.push_back(box);
    }
    if (whileShown)
        whileShown(box);
    return box.answer;
}

std::vector<HeadlessBackend::Box> HeadlessBackend::Boxes() const {
    std::lock_guard<std::mutex> lock(m_boxMutex);
    return m_boxes;
}

std::vector<std::string> HeadlessBackend::BoxTexts() const {
    std::lock_guard<std::mutex> lock(m_boxMutex);
    std::vector<std::string> texts;
    for (const Box& b : m_boxes)
        texts.push_back(b.text);
    return texts;
}

size_t HeadlessBackend::BoxCount() const {
    std::lock_guard<std::mutex> lock(m_boxMutex);
    return m_boxes.size();
}

HeadlessBackend::Box HeadlessBackend::LastBox() const {
    std::lock_guard<std::mutex> lock(m_boxMutex);
    return m_boxes.empty() ? Box{} : m_boxes.back();
}

void HeadlessBackend::ClearBoxes() {
    std::lock_guard<std::mutex> lock(m_boxMutex);
    m_boxes.clear();
}

// ---- file dialogs

void HeadlessBackend::AnswerFile(const std::string& path) {
    m_fileAnswers.push_back({true, path});
}

void HeadlessBackend::CancelFile() {
    m_fileAnswers.push_back({false, {}});
}

bool HeadlessBackend::FileDialog(CDialog*, const FileDialogRequest& request, std::string& path) {
    m_fileRequests.push_back(request);
    if (m_fileAnswers.empty())
        return false;
    auto [ok, answer] = m_fileAnswers.front();
    m_fileAnswers.pop_front();
    if (ok)
        path = answer;
    return ok;
}

// ---- posted tasks

void HeadlessBackend::PostToUiThread(std::function<void()> task) {
    std::lock_guard<std::mutex> lock(m_postMutex);
    m_posted.push_back(std::move(task));
}

void HeadlessBackend::RunPosted() {
    std::vector<std::function<void()>> tasks;
    {
        std::lock_guard<std::mutex> lock(m_postMutex);
        tasks.swap(m_posted);
    }
    for (auto& t : tasks)
        t();
}

} // namespace platform::ui
