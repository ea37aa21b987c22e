// Replacing a file so that a failed save never leaves it half written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Replaces the file at `path` with the `size` bytes at `data`: they go to a
// temporary file beside it, reach the disk and are renamed over the old file,
// so a failure at any point leaves the old file as it was and no temporary
// behind. An existing file keeps its permission bits; a link is followed and
// its target replaced; a file we may not write is left alone. Only when the
// folder refuses the temporary but the file itself may be written is the file
// rewritten in place. `regularOnly` also refuses an existing target that is not
// a regular file. False when the file could not be replaced.
bool WriteFileAtomically(const std::string& path, const uint8_t* data, std::size_t size,
                         bool regularOnly = false);

} // namespace platform
