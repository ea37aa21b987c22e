// Whole-file images: the leading bytes of a file read without waiting on
// anything that is not a plain file, and a file replaced so that a failure
// at any point leaves the old one as it was. No messages: callers report.
#pragma once

#include "platform/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Reads at most `max` bytes from the start of the regular file `path` into
// `buffer` (never more, whatever the file's size); `got` is how many came. A
// folder, a pipe or a device counts as a file that cannot be opened, so
// opening never blocks. False when it cannot be opened or a read fails (then
// `got` is 0 and the caller should use nothing of `buffer`).
bool ReadFileStart(const std::string& path, uint8_t* buffer, std::size_t max, std::size_t& got);

// What ReadBoundedFile made of a file.
enum class BoundedRead {
    kRead,     // `bytes` holds the whole file
    kFailed,   // it cannot be opened, or a read failed
    kTooLarge, // it holds more than the bound
};

// Reads the whole regular file `path` into `bytes`, opened as ReadFileStart
// opens it, when it holds at most `maxBytes`. Its size is judged from the open
// file before anything is read, so a larger file is refused at once whatever
// its size, and no byte past `maxBytes` is ever read (a file that grows while
// it is read is refused as well). Unless kRead, `bytes` is empty: a file cut
// short by an error is not taken for the whole.
BoundedRead ReadBoundedFile(const std::string& path, std::size_t maxBytes,
                            std::vector<uint8_t>& bytes);

// Opens the regular file `path` for reading as ReadFileStart does, for a
// caller that reads it in its own way. Refused (an empty holder) when it is
// missing or anything but a regular file; never blocks.
UniqueFd OpenRegularFile(const std::string& path);

// Reads the first lines of the regular file `path`, opened as ReadFileStart
// opens it, into `lines`: at most `maxLines` of them, each without its LF and
// without a CR right before that LF. A last line without LF counts when it
// holds anything. Reading stops at the last line wanted, so at most about
// maxLines * (maxLineBytes + 2) bytes are read whatever the file's size.
// False, with `lines` empty, when the file cannot be opened, a read fails or
// one of the lines taken is longer than `maxLineBytes`.
bool ReadFileLines(const std::string& path, std::size_t maxLines, std::size_t maxLineBytes,
                   std::vector<std::string>& lines);

// Writes all `size` bytes to `fd`, going on after short writes and EINTR.
// False when a write fails or writes nothing (a full disk): the caller then
// holds a file cut short and must not take it for a whole one.
bool WriteAll(int fd, const uint8_t* data, std::size_t size);

// A file replaced in two steps: Open makes a temporary file beside the target
// (the question "can it be written?" is answered before anything changes),
// Commit writes the new content there, makes it reach the disk and renames it
// over the target. A replacement that is not committed, or fails, removes its
// temporary file and leaves the target untouched. An existing target keeps
// its permission bits; a link is followed and the file it leads to replaced.
// Only when the folder refuses new files but the target may be written is
// the target rewritten in place (then a failure midway can cut it short).
class FileReplacement {
public:
    FileReplacement() = default;
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // False when the target can be neither replaced nor written.
    bool Open(const std::string& path);
    // Writes exactly `size` bytes as the file's whole content. False on any
    // failure; the target then keeps its old content (except in place, above).
    bool Commit(const uint8_t* data, std::size_t size);

private:
    void Discard();

    int m_fd = -1;
    bool m_inPlace = false;
    std::string m_target; // the file replaced (links resolved)
    std::string m_temp;   // empty in place or when nothing is open
    int m_mode = -1;      // permission bits of the old file; -1: a new file keeps the temporary's
};

} // namespace platform
