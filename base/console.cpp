#include "base/console.h"

#include <cstdarg>
#include <cstdio>
#include <iostream>
#include <vector>

#include "base/key_wait.h"
#include "base/scan.h"

Console stdio_console() {
    Console c;
    c.in = &std::cin;
    c.out = &std::cout;
    c.key_wait = terminal_key_wait;
    return c;
}

void vprint(Console& c, const char* fmt, va_list args) {
    char small[256];
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(small, sizeof small, fmt, args);
    if (n >= 0 && static_cast<std::size_t>(n) < sizeof small) {
        c.out->write(small, n);
    } else if (n >= 0) {
        std::vector<char> big(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(big.data(), big.size(), fmt, again);
        c.out->write(big.data(), n);
    }
    va_end(again);
}

void print(Console& c, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    vprint(c, fmt, args);
    va_end(args);
}

namespace {

// Moves to the next non-blank character, reading further lines as needed. False at the end of
// the input.
bool next_item(Console& c) {
    for (;;) {
        if (c.has_line) {
            const char* b = c.line.data();
            const char* p = skip_space(b + c.pos, b + c.line.size());
            c.pos = static_cast<std::size_t>(p - b);
            if (c.pos < c.line.size()) return true;
        }
        c.out->flush();  // the question must be visible before the program blocks
        if (!std::getline(*c.in, c.line)) {
            c.has_line = false;
            return false;
        }
        c.pos = 0;
        c.has_line = true;
    }
}

template <typename T, typename Scan>
Answer read_with(Console& c, T& value, Scan scan) {
    if (!next_item(c)) return Answer::end_of_input;
    const char* b = c.line.data();
    const char* p = b + c.pos;
    if (!scan(p, b + c.line.size(), value)) return Answer::not_a_number;
    c.pos = static_cast<std::size_t>(p - b);
    return Answer::ok;
}

}  // namespace

Answer read_word(Console& c, std::string& word) {
    return read_with(c, word, scan_word);
}
Answer read_int(Console& c, int& value) {
    return read_with(c, value, scan_int);
}
Answer read_real(Console& c, double& value) {
    return read_with(c, value, scan_real);
}

void discard_line(Console& c) {
    c.has_line = false;
    c.pos = 0;
}

void wait_key(Console& c) {
    c.out->flush();
    if (c.key_wait) c.key_wait();
}
