// BMP codec: uncompressed 8-bit (256-entry palette) and 24-bit files.
//
// Grids are byte grids as made by ucmatrice: NbLig lines of NbCol x taille bytes, line 0 the top
// line of the picture. Neither function prints anything; both report through their result.
#pragma once

#include <cstdint>

// One palette entry, in file order.
struct Color32 {
    unsigned char B = 0;
    unsigned char G = 0;
    unsigned char R = 0;
    unsigned char O = 0;
};

// The 54-byte file header. In the file every field is little-endian and the fields follow each
// other without gaps; in memory it is packed and unpacked field by field.
struct BMP_Header {
    std::uint16_t BfType = 0;
    std::uint32_t BfSize = 0;
    std::uint16_t Res1 = 0;
    std::uint16_t Res2 = 0;
    std::uint32_t BfOffBits = 0;
    std::uint32_t BiSize = 0;
    std::int32_t BiWidth = 0;
    std::int32_t BiHeight = 0;  // positive: rows stored bottom-up; negative: top-down
    std::uint16_t BiPlanes = 0;
    std::uint16_t BiBitCount = 0;
    std::uint32_t BiCompression = 0;
    std::uint32_t BiSizeImage = 0;
    std::int32_t BiXPelsPerMeter = 0;
    std::int32_t BiYPelsPerMeter = 0;
    std::uint32_t BiClrUsed = 0;
    std::uint32_t BiClrImportant = 0;
};

constexpr int kBmpHeaderBytes = 54;

void pack_bmp_header(const BMP_Header& h, unsigned char out[kBmpHeaderBytes]);
BMP_Header unpack_bmp_header(const unsigned char in[kBmpHeaderBytes]);

// Length of a stored row: NbCol x taille bytes rounded up to a multiple of 4.
long long TBuff(long long NbCol, int taille);

// Whether an 8-bit file of NbCol x NbLig pixels stays within the 4 GiB that the header's sizes
// can describe.
bool fits_bmp(int NbCol, int NbLig);

// Pixel kinds (Type): 0 = 8 bits with the grey ramp, 1 = 8 bits with another palette,
// 2 = 24 bits (blue, green, red per pixel), no palette.
//
// SauveBMP writes Buff (NbLig lines) to Nom, replacing any file of that name only once the whole
// file is written (base/output_file.h): on failure an earlier file of that name stays as it was.
// ColorMAP points to 256 entries, or is null for the grey ramp (entry i = i, i, i, 0); Type 2
// writes no palette. Returns 0, or -1 when the file cannot be created or any of it cannot be
// written.
int SauveBMP(const char* Nom, unsigned char** Buff, int NbCol, int NbLig, int Type,
             const Color32* ColorMAP);

// ChargeBMP reads Name into a new grid (release it with frucmatrice) and sets *NbCol, *NbLig and
// *Type. *ColorMAP is a request: null on entry means no palette is wanted and it stays null;
// otherwise it is replaced by a new zero-filled 256-entry table (release it with std::free) that
// belongs to the caller whatever the result, filled from the file for 8 bits per pixel. Width and
// height are the header's full 32-bit values; a negative height means rows stored top-down, and
// line 0 is the top line of the picture either way. Returns null when the file cannot be opened,
// is not an uncompressed BMP file of a supported kind, has a width or height of 0 or less, is
// shorter than its header and rows need (checked before the grid is allocated), or when storage
// runs out, and for anything but a regular file (a pipe or a device could block or never end).
// Out-arguments set before a refusal keep their new values. Bands of rows are read on up to
// `threads` threads. errno is ENOMEM after a null result when, and only when, storage ran out.
unsigned char** ChargeBMP(const char* Name, int* NbCol, int* NbLig, int* Type, Color32** ColorMAP,
                          int threads = 1);
