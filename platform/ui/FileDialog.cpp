#include "platform/ui/FileDialog.h"

#include "platform/ui/Backend.h"
#include "platform/ui/Dialog.h"

namespace platform::ui {

std::vector<FileFilter> ParseFilter(const char* filter) {
    std::vector<FileFilter> out;
    if (!filter)
        return out;
    std::vector<std::string> fields;
    std::string s(filter), field;
    for (char ch : s) {
        if (ch == '|') {
            if (field.empty())
                break; // "||" ends the list
            fields.push_back(field);
            field.clear();
        } else {
            field += ch;
        }
    }
    if (!field.empty())
        fields.push_back(field);
    for (size_t i = 0; i + 1 < fields.size(); i += 2)
        out.push_back(FileFilter{fields[i], fields[i + 1]});
    return out;
}

std::string ApplyDefaultExtension(const std::string& path, const std::string& ext) {
    if (ext.empty() || path.empty())
        return path;
    size_t slash = path.find_last_of('/');
    size_t name = slash == std::string::npos ? 0 : slash + 1;
    if (path.find('.', name) != std::string::npos)
        return path;
    return path + "." + ext;
}

CFileDialog::CFileDialog(bool openFileDialog, const char* defExt, const char* fileName,
                         unsigned flags, const char* filter, CDialog* parent)
    : m_parent(parent) {
    m_request.open = openFileDialog;
    m_request.defaultExt = defExt ? defExt : "";
    m_request.initialName = fileName ? fileName : "";
    m_request.filters = ParseFilter(filter);
    m_ofn.Flags = flags | OFN_EXPLORER;
}

int CFileDialog::DoModal() {
    Backend* b = GetBackend();
    if (!b)
        return IDCANCEL;
    m_request.title = m_ofn.lpstrTitle ? m_ofn.lpstrTitle : "";
    m_request.flags = m_ofn.Flags;
    std::string path;
    CDialog* owner = m_parent ? m_parent : ActiveDialog();
    if (!b->FileDialog(owner, m_request, path))
        return IDCANCEL;
    // Every backend's answer passes the one rule, typed names and scripted ones alike.
    m_path = ApplyDefaultExtension(path, m_request.defaultExt);
    return IDOK;
}

std::string CFileDialog::GetFileName() const {
    size_t slash = m_path.find_last_of('/');
    return slash == std::string::npos ? m_path : m_path.substr(slash + 1);
}

} // namespace platform::ui
