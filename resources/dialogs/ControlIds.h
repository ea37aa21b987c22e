// How a template's ids header (DialogNNNIds.h) is written. Each header lists
// its template's control ids once, as `ID(name, value)` lines of an X-macro,
// and LUMI_CONTROL_IDS makes two things of that one list in the header's
// namespace: a named constant for each line (what the template, its dialog
// class and the tests write) and kControlIds, the same names and values as
// data. The template test walks kControlIds, so an id named in a header can
// never be missing from its template unnoticed, and no second list can fall
// behind the first.
#pragma once

namespace resources {

struct NamedControlId {
    const char* name; // the constant's name, e.g. "IDC_PATH"
    int id;
};

} // namespace resources

// clang-format off
#define LUMI_CONTROL_ID_CONSTANT(name, value) inline constexpr int name = value;
#define LUMI_CONTROL_ID_ENTRY(name, value) ::resources::NamedControlId{#name, name},

// Expands inside a header's namespace; `list` is the header's X-macro.
#define LUMI_CONTROL_IDS(list)                                                  \
    list(LUMI_CONTROL_ID_CONSTANT)                                              \
    inline constexpr ::resources::NamedControlId kControlIds[] = {              \
        list(LUMI_CONTROL_ID_ENTRY)                                             \
    };
// clang-format on
