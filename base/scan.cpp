#include "base/scan.h"

#include <cctype>
#include <charconv>

namespace {
bool is_space(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}
}  // namespace

const char* skip_space(const char* p, const char* end) {
    while (p != end && is_space(*p)) ++p;
    return p;
}

bool scan_int(const char*& p, const char* end, int& value) {
    const char* q = skip_space(p, end);
    const char* digits = q;
    if (digits != end && *digits == '+') ++digits;  // from_chars takes '-' but not '+'
    int v = 0;
    auto [next, ec] = std::from_chars(digits, end, v);
    if (ec != std::errc() || (digits != q && *digits == '-')) return false;
    value = v;
    p = next;
    return true;
}

bool scan_real(const char*& p, const char* end, double& value) {
    const char* q = skip_space(p, end);
    const char* digits = q;
    if (digits != end && *digits == '+') ++digits;
    double v = 0.0;
    auto [next, ec] = std::from_chars(digits, end, v, std::chars_format::general);
    if (ec != std::errc() || (digits != q && *digits == '-')) return false;
    value = v;
    p = next;
    return true;
}

bool scan_word(const char*& p, const char* end, std::string& word) {
    const char* q = skip_space(p, end);
    const char* w = q;
    while (w != end && !is_space(*w)) ++w;
    if (w == q) return false;
    word.assign(q, w);
    p = w;
    return true;
}
