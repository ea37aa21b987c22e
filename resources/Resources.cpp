#include "resources/Resources.h"

extern "C" {
extern const uint8_t lumi_res_logo_bmp[];
extern const uint8_t lumi_res_logo_bmp_end[];
extern const uint8_t lumi_res_instrument_bmp[];
extern const uint8_t lumi_res_instrument_bmp_end[];
extern const uint8_t lumi_res_head_bmp[];
extern const uint8_t lumi_res_head_bmp_end[];
extern const uint8_t lumi_res_icon_png[];
extern const uint8_t lumi_res_icon_png_end[];
}

namespace resources {

namespace {

std::shared_ptr<const platform::Image> Decode(const uint8_t* begin, const uint8_t* end) {
    return std::shared_ptr<const platform::Image>(
        platform::DecodeBmp(begin, static_cast<std::size_t>(end - begin)));
}

} // namespace

std::shared_ptr<const platform::Image> Bitmap(int id) {
    // Function-local statics: decoded once, thread-safe.
    switch (id) {
    case IDB_LOGO: {
        static const auto logo = Decode(lumi_res_logo_bmp, lumi_res_logo_bmp_end);
        return logo;
    }
    case IDB_INSTRUMENT: {
        static const auto instrument = Decode(lumi_res_instrument_bmp, lumi_res_instrument_bmp_end);
        return instrument;
    }
    case IDB_HEAD: {
        static const auto head = Decode(lumi_res_head_bmp, lumi_res_head_bmp_end);
        return head;
    }
    default:
        return nullptr;
    }
}

std::span<const uint8_t> IconPng(int id) {
    if (id != IDI_APPLICATION_ICON)
        return {};
    return {lumi_res_icon_png, static_cast<std::size_t>(lumi_res_icon_png_end - lumi_res_icon_png)};
}

std::string String(int id) {
    return id == IDS_ABOUTBOX ? "&About Sorvane..." : "";
}

} // namespace resources

bool CBitmap::LoadBitmap(int id) {
    m_image = resources::Bitmap(id);
    return m_image != nullptr;
}
