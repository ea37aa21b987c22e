#pragma once
// Files of the program's working directory as the app tests and benchmarks lay
// them out: settings records and a stand-in port-listing program. Free of the
// test framework, so that benchmarks use them too.

#include "app/config/ConfigRecord.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace mainwindow_test {

struct HeadPlace {
    int channel;
    std::string boardSerial; // up to 8 characters; 8 leave no terminator
    int x, y;
};

inline ConfigRecord MakeConfig(int headCount, const std::vector<HeadPlace>& heads,
                               const char* title = "Lumiflex", bool password = false) {
    ConfigRecord r;
    std::memset(&r, 0, sizeof r);
    std::strncpy(r.title, title, sizeof r.title - 1);
    r.headCount = headCount;
    for (size_t i = 0; i < heads.size(); ++i) {
        r.heads[i].channel = heads[i].channel;
        std::memcpy(r.heads[i].boardSerial, heads[i].boardSerial.data(),
                    std::min<size_t>(8, heads[i].boardSerial.size()));
        r.heads[i].x = heads[i].x;
        r.heads[i].y = heads[i].y;
    }
    r.passwordProtect = password ? 1 : 0;
    return r;
}

// A port-listing program that writes these lines (LF-terminated) to
// comlist.txt. The list is laid out beforehand as well: the search reads it
// 250 ms after starting the lister, and a loaded machine may not have run the
// lister by then.
inline void WriteComList(const std::vector<std::string>& lines) {
    std::string body;
    for (const std::string& l : lines)
        body += l + "\n";
    for (const char* name : {"comlist.in", "comlist.txt"}) {
        std::ofstream f(name, std::ios::binary);
        f << body;
    }
    {
        std::ofstream f("ComList.exe", std::ios::binary);
        f << "#!/bin/sh\ncp comlist.in comlist.txt.new && mv comlist.txt.new comlist.txt\n";
    }
    chmod("ComList.exe", 0755);
}

} // namespace mainwindow_test
