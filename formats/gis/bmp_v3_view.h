// GDAL 3.6 decodes BMP files whose info header has 40 bytes (and the OS/2 kinds) but refuses the
// 108 and 124-byte headers (versions 4 and 5) that many programs write by default. The first 40
// bytes of those headers are laid out as version 3; the rest (masks, colour space) does not
// change how the pixels are stored, except that bit-field masks sit inside the header instead of
// after it. A view of the file with a version-3 header rebuilt in memory, followed by the
// palette and the pixels read in place from the file (GDAL's /vsisparse/), lets GDAL's own BMP
// driver decode every kind it knows (1 to 32 bits, RLE, palettes of any length).
#pragma once

#include <string>

// Owns the in-memory files of a view; they go when the object goes.
struct BmpView {
    std::string path;  // what to give GDAL; "" when the file needs no view
    std::string header_file, sparse_file;
    BmpView() = default;
    BmpView(const BmpView&) = delete;
    BmpView& operator=(const BmpView&) = delete;
    ~BmpView();
};

// Fills view.path when `path` is a BMP file with a version 4 or 5 info header; leaves it ""
// otherwise (any other file, or a header it cannot make sense of, which GDAL then refuses).
void make_bmp_v3_view(const std::string& path, BmpView& view);
