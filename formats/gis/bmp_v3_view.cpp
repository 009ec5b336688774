#include "formats/gis/bmp_v3_view.h"

#include <cpl_conv.h>
#include <cpl_minixml.h>
#include <cpl_vsi.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kFileHeader = 14;
constexpr int kV3Info = 40;

std::uint32_t le32(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
void put_le32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

struct VsiCloser {
    void operator()(VSILFILE* f) const { VSIFCloseL(f); }
};

void add_region(CPLXMLNode* root, const std::string& file, std::uint64_t dest, std::uint64_t source,
                std::uint64_t length) {
    CPLXMLNode* r = CPLCreateXMLNode(root, CXT_Element, "SubfileRegion");
    CPLXMLNode* name = CPLCreateXMLElementAndValue(r, "Filename", file.c_str());
    CPLCreateXMLNode(CPLCreateXMLNode(name, CXT_Attribute, "relative"), CXT_Text, "0");
    CPLCreateXMLElementAndValue(r, "DestinationOffset", std::to_string(dest).c_str());
    CPLCreateXMLElementAndValue(r, "SourceOffset", std::to_string(source).c_str());
    CPLCreateXMLElementAndValue(r, "RegionLength", std::to_string(length).c_str());
}

}  // namespace

BmpView::~BmpView() {
    if (!sparse_file.empty()) VSIUnlink(sparse_file.c_str());
    if (!header_file.empty()) VSIUnlink(header_file.c_str());
}

void make_bmp_v3_view(const std::string& path, BmpView& view) {
    std::unique_ptr<VSILFILE, VsiCloser> f(VSIFOpenL(path.c_str(), "rb"));
    if (!f) return;
    unsigned char h[kFileHeader + 124] = {};
    if (VSIFReadL(h, 1, sizeof h, f.get()) != sizeof h || h[0] != 'B' || h[1] != 'M') return;
    const std::uint32_t info = le32(h + kFileHeader);
    if (info != 108 && info != 124) return;
    VSIFSeekL(f.get(), 0, SEEK_END);
    const std::uint64_t size = VSIFTellL(f.get());
    const std::uint32_t pixels_at = le32(h + 10);
    const int bits = h[kFileHeader + 14] | h[kFileHeader + 15] << 8;
    const std::uint32_t compression = le32(h + kFileHeader + 16);
    const std::uint32_t colours = le32(h + kFileHeader + 32);
    const std::uint64_t palette_at = kFileHeader + info;
    const std::uint64_t entries = bits <= 8 ? (colours ? colours : 1u << bits) : colours;
    if (entries > 256 || palette_at + 4 * entries > pixels_at || pixels_at >= size) return;

    // Version-3 header, the bit-field masks after it when there are some, then the palette.
    std::vector<unsigned char> head(h, h + kFileHeader + kV3Info);
    put_le32(head.data() + kFileHeader, kV3Info);
    if (compression == 3) head.insert(head.end(), h + kFileHeader + 40, h + kFileHeader + 52);
    std::vector<unsigned char> palette(4 * entries);
    VSIFSeekL(f.get(), palette_at, SEEK_SET);
    if (VSIFReadL(palette.data(), 1, palette.size(), f.get()) != palette.size()) return;
    head.insert(head.end(), palette.begin(), palette.end());
    const std::uint64_t pixel_bytes = size - pixels_at;
    put_le32(head.data() + 10, static_cast<std::uint32_t>(head.size()));
    put_le32(head.data() + 2, static_cast<std::uint32_t>(head.size() + pixel_bytes));

    char tag[64];
    std::snprintf(tag, sizeof tag, "/vsimem/bmp_v3_view_%p", static_cast<void*>(&view));
    view.header_file = std::string(tag) + ".head";
    VSILFILE* mem = VSIFOpenL(view.header_file.c_str(), "wb");
    if (!mem) return;
    const bool written = VSIFWriteL(head.data(), 1, head.size(), mem) == head.size();
    VSIFCloseL(mem);
    if (!written) return;

    CPLXMLNode* root = CPLCreateXMLNode(nullptr, CXT_Element, "VSISparseFile");
    CPLCreateXMLElementAndValue(root, "Length", std::to_string(head.size() + pixel_bytes).c_str());
    add_region(root, view.header_file, 0, 0, head.size());
    add_region(root, path, head.size(), pixels_at, pixel_bytes);
    char* xml = CPLSerializeXMLTree(root);
    CPLDestroyXMLNode(root);
    view.sparse_file = std::string(tag) + ".xml";
    mem = VSIFOpenL(view.sparse_file.c_str(), "wb");
    const std::size_t xml_len = xml ? std::strlen(xml) : 0;
    const bool ok = mem && xml && VSIFWriteL(xml, 1, xml_len, mem) == xml_len;
    if (mem) VSIFCloseL(mem);
    CPLFree(xml);
    if (ok) view.path = "/vsisparse/" + view.sparse_file;
}
