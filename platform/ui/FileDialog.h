// Open and save file dialogs. The dialog describes itself as a
// FileDialogRequest; the backend shows it (Qt) or answers from a script
// (headless).
#pragma once

#include <string>
#include <vector>

namespace platform::ui {

class CDialog;

// OPENFILENAME flags the dialogs use (Win32 values).
constexpr unsigned OFN_READONLY = 0x00000001;
constexpr unsigned OFN_OVERWRITEPROMPT = 0x00000002;
constexpr unsigned OFN_HIDEREADONLY = 0x00000004;
constexpr unsigned OFN_EXTENSIONDIFFERENT = 0x00000400;
constexpr unsigned OFN_PATHMUSTEXIST = 0x00000800;
constexpr unsigned OFN_FILEMUSTEXIST = 0x00001000;
constexpr unsigned OFN_EXPLORER = 0x00080000;

struct FileFilter {
    std::string name;    // "RVX Profiles (*.profile)"
    std::string pattern; // "*.profile" (several joined by ';')
};

// "Name (*.ext)|*.ext|All Files (*.*)|*.*||" -> pairs. A name without a
// pattern is dropped; parsing stops at the empty field ("||").
std::vector<FileFilter> ParseFilter(const char* filter);

// Appends ".ext" to a chosen name that has no extension (as the common
// dialog does with its default extension). Empty ext: name unchanged. The
// one rule for every backend: CFileDialog applies it to each answer, and a
// backend whose dialog confirms overwriting applies it first to the name typed.
std::string ApplyDefaultExtension(const std::string& path, const std::string& ext);

struct FileDialogRequest {
    bool open = true; // false: save
    std::string title;
    std::string defaultExt;  // without the dot; may be empty
    std::string initialName; // may be empty
    std::vector<FileFilter> filters;
    unsigned flags = 0; // OFN_*
    bool OverwritePrompt() const { return (flags & OFN_OVERWRITEPROMPT) != 0; }
    bool MustExist() const { return (flags & OFN_FILEMUSTEXIST) != 0; }
};

// The MFC-shaped front: construct, optionally set m_ofn.lpstrTitle, DoModal.
class CFileDialog {
public:
    CFileDialog(bool openFileDialog, const char* defExt = nullptr, const char* fileName = nullptr,
                unsigned flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                const char* filter = nullptr, CDialog* parent = nullptr);

    struct Ofn {
        const char* lpstrTitle = nullptr;
        unsigned Flags = 0;
    } m_ofn;

    int DoModal();                                     // IDOK or IDCANCEL
    std::string GetPathName() const { return m_path; } // with the default extension applied
    std::string GetFileName() const;                   // the last path component
    const FileDialogRequest& Request() const { return m_request; }

private:
    FileDialogRequest m_request;
    CDialog* m_parent;
    std::string m_path;
};

} // namespace platform::ui
