#include "app/HeadBinding.h"

#include <algorithm>
#include <cstddef>

HeadBinding BindHeads(const ConfigRecord& record, std::vector<std::string> reportedSerials,
                      bool simulated) {
    HeadBinding b;
    b.controllerSerials = std::move(reportedSerials);
    const size_t controllers = b.controllerSerials.size();
    const size_t heads = std::min<size_t>(2 * controllers, ConfigRecord::kMaxHeads);

    if (simulated)
        for (size_t j = 0; 2 * j < heads; ++j)
            b.controllerSerials[j] = BoardSerialText(record.heads[2 * j]);

    b.headSerials.reserve(heads);
    for (size_t i = 0; i < heads; ++i)
        b.headSerials.push_back(controllers == 1 ? b.controllerSerials[0]
                                                 : BoardSerialText(record.heads[i]));

    b.controllerOf.assign(heads, HeadBinding::kNoController);
    for (size_t i = 0; i < heads; ++i) {
        const auto& serials = b.controllerSerials;
        const auto found = std::find(serials.begin(), serials.end(), b.headSerials[i]);
        if (found != serials.end())
            b.controllerOf[i] = static_cast<int>(found - serials.begin());
    }
    return b;
}
