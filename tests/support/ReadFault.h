#pragma once
// One file whose reads fail part of the way through, as on a failing disk:
// the first `goodBytes` bytes come, then read() fails with EIO. The file
// stays a regular file, so it passes every check made before reading. Only
// test executables built with tests/support/ReadFault.cpp (see
// lumi_test_read_faults) can use it: that file puts a read() of its own in
// front of the C library's. (An optimised, fortified build may read through
// __read_chk instead, past it; Failed() then says so.)
#include <cstddef>
#include <string>

namespace testing_support {

class ReadFault {
public:
    // The file must exist; it is recognised by its inode, whatever name it is
    // opened by. One ReadFault at a time.
    ReadFault(const std::string& path, std::size_t goodBytes);
    ~ReadFault();
    ReadFault(const ReadFault&) = delete;
    ReadFault& operator=(const ReadFault&) = delete;

    // Whether a read has failed yet: a test that saw none proved nothing.
    bool Failed() const;
};

} // namespace testing_support
