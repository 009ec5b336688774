#include "formats/image.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "base/bands.h"
#include "base/file.h"
#include "base/input_file.h"
#include "base/nrutil.h"
#include "base/output_file.h"

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

long long TBuff(long long NbCol, int taille) {
    return 4 * ((NbCol * taille + 3) / 4);
}

namespace {

// Whether the header can describe the file: at most 2^32 - 1 bytes. Dividing keeps the test
// itself from overflowing (row * NbLig may pass 2^63).
bool describable(long long row, int NbLig, std::uint32_t offbits) {
    return row <= (0xFFFFFFFFLL - offbits) / NbLig;
}

}  // namespace

bool fits_bmp(int NbCol, int NbLig) {
    return NbCol > 0 && NbLig > 0 && describable(TBuff(NbCol, 1), NbLig, 1078);
}

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
    if (!describable(row, NbLig, offbits)) return -1;
    const long long image = row * NbLig;

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

    // Written beside its name and put in place whole: a failed write leaves any earlier file
    // of that name as it was.
    PendingOutput out;
    File file = begin_output(out, Nom);
    if (!file) return -1;
    std::FILE* f = file.get();
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
    if (!close_output(file)) ok = false;
    return ok && put_in_place(out) ? 0 : -1;
}

namespace {

// Stored rows are read in pieces of about this size.
constexpr std::size_t kRowPieceBytes = std::size_t{8} << 20;

struct FreeDeleter {
    void operator()(unsigned char* p) const { std::free(p); }
};

// Length of an open stream in bytes, or -1 when it cannot be measured (a pipe, say).
long long stream_length(std::FILE* f) {
    if (std::fseek(f, 0, SEEK_END) != 0) return -1;
    return std::ftell(f);
}

bool is_grey_ramp(const unsigned char entries[256 * 4]) {
    for (int i = 0; i < 256; ++i) {
        const unsigned char* e = entries + 4 * i;  // B, G, R, O; O is not part of the colour
        if (e[0] != i || e[1] != i || e[2] != i) return false;
    }
    return true;
}

}  // namespace

unsigned char** ChargeBMP(const char* Name, int* NbCol, int* NbLig, int* Type, Color32** ColorMAP,
                          int threads) {
    // A band that failed: 1 a read, kNoMemory its buffer.
    constexpr char kNoMemory = 2;
    // ENOMEM tells storage that ran out from a file that is refused.
    errno = 0;
    // The table is the caller's from here on, whatever happens next.
    Color32* palette = nullptr;
    if (ColorMAP != nullptr && *ColorMAP != nullptr) {
        palette = static_cast<Color32*>(std::calloc(256, sizeof(Color32)));
        *ColorMAP = palette;
        if (palette == nullptr) {
            errno = ENOMEM;
            return nullptr;
        }
    }

    // Closed on every path out. Only a regular file is read: a pipe or a device could block or
    // never end.
    InputFault fault = InputFault::none;
    const File file = open_input_file(Name, fault);
    if (!file) return nullptr;
    std::FILE* f = file.get();

    unsigned char raw[kBmpHeaderBytes];
    if (std::fread(raw, 1, kBmpHeaderBytes, f) != kBmpHeaderBytes) return nullptr;
    const BMP_Header h = unpack_bmp_header(raw);
    if (h.BfType != 0x4D42) return nullptr;

    int taille = 0;
    int type = 0;
    if (h.BiBitCount == 8 && h.BfOffBits == 1078) {
        taille = 1;
    } else if (h.BiBitCount == 24 && h.BfOffBits == 54) {
        taille = 3;
        type = 2;
    } else {
        return nullptr;
    }
    if (Type != nullptr) *Type = type;
    // Only plain rows are understood; any compressed or bit-field layout would be read as
    // noise.
    if (h.BiCompression != 0) return nullptr;

    // A negative height stores the top line first. Sizes in pixels, widened so that
    // negating -2^31 is defined; a grid's line count and line length must fit an int.
    const long long width = h.BiWidth;
    const long long height = h.BiHeight;
    const bool top_down = height < 0;
    const long long lines = top_down ? -height : height;
    if (width <= 0 || lines <= 0 || lines > 0x7FFFFFFFLL) return nullptr;
    if (width * taille > 0x7FFFFFFFLL) return nullptr;

    // The file must hold every stored row before anything is allocated: a header may claim
    // any size at all. row <= 3 * (2^31 - 1), so the division below cannot overflow.
    const long long row = TBuff(width, taille);
    const long long length = stream_length(f);
    if (length < h.BfOffBits) return nullptr;
    if (lines > (length - h.BfOffBits) / row) return nullptr;
    if (std::fseek(f, kBmpHeaderBytes, SEEK_SET) != 0) return nullptr;

    if (NbCol != nullptr) *NbCol = static_cast<int>(width);
    if (NbLig != nullptr) *NbLig = static_cast<int>(lines);

    if (taille == 1) {
        unsigned char entries[256 * 4];
        if (std::fread(entries, 4, 256, f) != 256) return nullptr;
        if (!is_grey_ramp(entries)) type = 1;
        if (Type != nullptr) *Type = type;
        if (palette != nullptr) {
            for (int i = 0; i < 256; ++i) {
                palette[i] = Color32{entries[4 * i], entries[4 * i + 1], entries[4 * i + 2],
                                     entries[4 * i + 3]};
            }
        }
    }

    // Storage that runs out is a null result like any other refusal, never an exception.
    const std::size_t stored_row = static_cast<std::size_t>(row);
    const int nb_lig = static_cast<int>(lines);
    // Every line is read before the grid is handed out: it needs no clearing.
    unsigned char** grid = ucmatrice_unset(static_cast<int>(width * taille), nb_lig);
    if (grid == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    const std::size_t used = static_cast<std::size_t>(width * taille);
    // Bands of stored rows read at their own places in the file, one thread each, in pieces of
    // up to kRowPieceBytes, each row then copied to its line: a read is mostly the system's copy
    // into pages touched for the first time, which goes on several cores side by side.
    const int bands = band_count(threads, nb_lig, static_cast<int>(width * taille));
    const std::size_t piece_rows = std::max<std::size_t>(1, kRowPieceBytes / stored_row);
    std::vector<char> band_failed(static_cast<std::size_t>(bands), 0);
    for_bands(bands, 0, nb_lig, [&](int band, int first, int last) {
        const std::size_t most = std::min(piece_rows, static_cast<std::size_t>(last - first));
        std::unique_ptr<unsigned char, FreeDeleter> piece(
            static_cast<unsigned char*>(std::malloc(most * stored_row)));
        char& failed = band_failed[static_cast<std::size_t>(band)];
        failed = piece ? 0 : kNoMemory;
        for (int stored = first; stored < last && !failed;) {
            const std::size_t rows = std::min(most, static_cast<std::size_t>(last - stored));
            const std::size_t bytes = rows * stored_row;
            const long long at =
                h.BfOffBits + static_cast<long long>(stored) * static_cast<long long>(stored_row);
            failed = read_at(::fileno(f), piece.get(), bytes, at) != bytes;
            for (std::size_t r = 0; r < rows && !failed; ++r, ++stored) {
                const int line = top_down ? stored : nb_lig - 1 - stored;
                std::memcpy(grid[line], piece.get() + r * stored_row, used);
            }
        }
    });
    if (std::any_of(band_failed.begin(), band_failed.end(), [](char b) { return b != 0; })) {
        const bool memory =
            std::find(band_failed.begin(), band_failed.end(), kNoMemory) != band_failed.end();
        frucmatrice(grid, nb_lig);
        errno = memory ? ENOMEM : EIO;
        return nullptr;
    }
    return grid;
}
