#include "lib/image.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "lib/nrutil.h"

namespace {

void put16(unsigned char*& p, std::uint32_t v) {
    *p++ = static_cast<unsigned char>(v & 0xFF);
    *p++ = static_cast<unsigned char>((v >> 8) & 0xFF);
}
void put32(unsigned char*& p, std::uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p, v >> 16);
}
std::uint16_t get16(const unsigned char*& p) {
    std::uint16_t v = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    p += 2;
    return v;
}
std::uint32_t get32(const unsigned char*& p) {
    std::uint32_t lo = get16(p);
    std::uint32_t hi = get16(p);
    return lo | (hi << 16);
}

}  // namespace

void pack_bmp_header(const BMP_Header& h, unsigned char out[kBmpHeaderBytes]) {
    unsigned char* p = out;
    put16(p, h.BfType);
    put32(p, h.BfSize);
    put16(p, h.Res1);
    put16(p, h.Res2);
    put32(p, h.BfOffBits);
    put32(p, h.BiSize);
    put32(p, static_cast<std::uint32_t>(h.BiWidth));
    put32(p, static_cast<std::uint32_t>(h.BiHeight));
    put16(p, h.BiPlanes);
    put16(p, h.BiBitCount);
    put32(p, h.BiCompression);
    put32(p, h.BiSizeImage);
    put32(p, static_cast<std::uint32_t>(h.BiXPelsPerMeter));
    put32(p, static_cast<std::uint32_t>(h.BiYPelsPerMeter));
    put32(p, h.BiClrUsed);
    put32(p, h.BiClrImportant);
}

BMP_Header unpack_bmp_header(const unsigned char in[kBmpHeaderBytes]) {
    const unsigned char* p = in;
    BMP_Header h;
    h.BfType = get16(p);
    h.BfSize = get32(p);
    h.Res1 = get16(p);
    h.Res2 = get16(p);
    h.BfOffBits = get32(p);
    h.BiSize = get32(p);
    h.BiWidth = static_cast<std::int32_t>(get32(p));
    h.BiHeight = static_cast<std::int32_t>(get32(p));
    h.BiPlanes = get16(p);
    h.BiBitCount = get16(p);
    h.BiCompression = get32(p);
    h.BiSizeImage = get32(p);
    h.BiXPelsPerMeter = static_cast<std::int32_t>(get32(p));
    h.BiYPelsPerMeter = static_cast<std::int32_t>(get32(p));
    h.BiClrUsed = get32(p);
    h.BiClrImportant = get32(p);
    return h;
}

long long TBuff(long long NbCol, int taille) { return 4 * ((NbCol * taille + 3) / 4); }

int SauveBMP(const char* Nom, unsigned char** Buff, int NbCol, int NbLig, int Type,
             const Color32* ColorMAP) {
    Color32 palette[256];
    for (int i = 0; i < 256; ++i) {
        if (ColorMAP != nullptr) {
            palette[i] = ColorMAP[i];
        } else {
            auto v = static_cast<unsigned char>(i);
            palette[i] = Color32{v, v, v, 0};
        }
    }
    if (NbCol <= 0 || NbLig <= 0 || Buff == nullptr) return -1;
    const int taille = (Type == 2) ? 3 : 1;
    const std::uint32_t offbits = (Type == 2) ? 54 : 1078;
    const long long row = TBuff(NbCol, taille);
    const long long image = row * NbLig;
    if (image + offbits > 0xFFFFFFFFLL) return -1;  // the header cannot describe it

    BMP_Header h;
    h.BfType = 0x4D42;
    h.BfSize = static_cast<std::uint32_t>(offbits + image);
    h.BfOffBits = offbits;
    h.BiSize = 40;
    h.BiWidth = NbCol;
    h.BiHeight = NbLig;
    h.BiPlanes = 1;
    h.BiBitCount = static_cast<std::uint16_t>(Type == 2 ? 24 : 8);
    h.BiCompression = 0;
    h.BiSizeImage = static_cast<std::uint32_t>(image);
    h.BiXPelsPerMeter = 10000;
    h.BiYPelsPerMeter = 10000;

    std::FILE* f = std::fopen(Nom, "wb");
    if (f == nullptr) return -1;
    unsigned char header[kBmpHeaderBytes];
    pack_bmp_header(h, header);
    bool ok = std::fwrite(header, kBmpHeaderBytes, 1, f) == 1;
    if (ok && Type != 2) {
        unsigned char entries[256 * 4];
        for (int i = 0; i < 256; ++i) {
            entries[4 * i] = palette[i].B;
            entries[4 * i + 1] = palette[i].G;
            entries[4 * i + 2] = palette[i].R;
            entries[4 * i + 3] = palette[i].O;
        }
        ok = std::fwrite(entries, 4, 256, f) == 256;
    }
    if (ok) {
        std::vector<unsigned char> scratch(static_cast<std::size_t>(row), 0);
        const std::size_t used = static_cast<std::size_t>(NbCol) * taille;
        for (int i = NbLig - 1; i >= 0 && ok; --i) {
            std::memcpy(scratch.data(), Buff[i], used);
            ok = std::fwrite(scratch.data(), 1, scratch.size(), f) == scratch.size();
        }
    }
    // A row that could not be written, or a close that fails, is a failure too: the file
    // would not hold the image.
    if (std::fclose(f) != 0) ok = false;
    return ok ? 0 : -1;
}
