// Which cells of a band read by value are network, background or outside the image.
//
// The band is read once: each cell becomes a class byte in the grid (the first 253 distinct
// valid values each a class of their own, later values one "other" class, NoData a class), the
// pixels of every class are counted, and once the whole band is known the classes are mapped
// to network, background or outside through one table of 256 bytes.
//
// The rule (the default, without --value):
// - NoData is a cell equal to the band's NoData value, a NaN, or a cell the band's mask (a mask
//   band or an alpha band) marks invalid. NoData is never network.
// - When every valid cell holds one value and there is NoData, that value is the network and
//   NoData its background ("1 on NoData 0", "1.0 on NaN"): a stream raster that keeps only its
//   streams.
// - Otherwise the most frequent valid value is the background and every other valid value is
//   network ("1 on 0", "stream ids on 0", "0 on 255", a palette drawing by its indices). When
//   the most frequent class is "other" there is no background to name: refused.
// With --value V the network is the cells equal to V, compared as numbers (V on an integer band
// must be a whole number in its range).
// Either way NoData is outside the image when some valid cell is background, and background
// when every valid cell is network (NoData then surrounds the streams, it does not clip them).
// A network of more than half the valid cells is refused: it is the background taken for the
// network, and would be ordered as one block.
#pragma once

#include <array>
#include <string>
#include <vector>

inline constexpr int kValueClasses = 253;           // class bytes 0..252: one value each
inline constexpr unsigned char kOtherClass = 253;   // a valid value beyond the first 253
inline constexpr unsigned char kNoDataClass = 254;  // NoData, NaN, masked
inline constexpr unsigned char kUnassigned = 255;   // in the readers' value tables only

struct ValueClasses {
    std::vector<double> values;           // values[c]: the value of class c
    std::array<long long, 256> counts{};  // cells per class byte
    long long valid() const;              // cells that are not NoData
};

struct NetworkChoice {
    std::array<unsigned char, 256> remap{};  // class byte -> network byte, 255 or outside byte
    unsigned char network_byte = 0;          // the byte of the network pixels in the grid
    int outside = -1;                        // byte of the outside cells, or -1: none
    long long network_pixels = 0;
    std::string network_text;  // "value 1", "values 3, 7, ... (12 values)"
};

// Applies the rule above. asked: the --value, or null for the default rule; preferred_byte: the
// network byte to use with --value, and by the rule when the network is not one whole value
// from 0 to 254 (which then keeps its own). On refusal returns
// false with fault saying why, the values found with their cells, and the option to use.
bool choose_network(const ValueClasses& classes, const double* asked, unsigned char preferred_byte,
                    NetworkChoice& choice, std::string& fault);

// "255 (240102 cells), 0 (11042 cells), NoData (310 cells)": the most frequent first, at most
// eight, then how many other values there are.
std::string values_found(const ValueClasses& classes);

// A value as a user would type it: whole numbers without a decimal point, others to 17 digits.
std::string value_text(double v);
