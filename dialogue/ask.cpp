#include "dialogue/ask.h"

#include "base/console.h"
#include "base/pixel_size.h"
#include "dialogue/run_end.h"

namespace {

[[noreturn]] void input_ended(Console& c) {
    print(c, "\n\n\tNo more answers on the standard input: the run stops\n");
    throw RunEnd(1, false);
}

template <typename T, typename Read, typename Accept>
T ask(Console& c, const std::function<void()>& show, Read read, Accept accept) {
    for (;;) {
        show();
        T value{};
        switch (read(c, value)) {
            case Answer::ok:
                if (accept(value)) return value;
                break;
            case Answer::not_a_number:
                discard_line(c);
                break;
            case Answer::end_of_input:
                input_ended(c);
        }
    }
}

}  // namespace

int ask_int(Console& c, const std::function<void()>& show, const std::function<bool(int)>& accept) {
    return ask<int>(c, show, read_int, [&](int v) { return !accept || accept(v); });
}

double ask_real(Console& c, const std::function<void()>& show) {
    return ask<double>(c, show, read_real, [](double) { return true; });
}

double ask_pixel_size(Console& c, const char* question) {
    return ask<double>(
        c, [&] { print(c, "%s", question); }, read_real,
        [&](double v) {
            if (pixel_size_in_range(v)) return true;
            if (!valid_pixel_size(v))
                print(c, "\n\tThe pixel size is a number of metres above 0");
            else
                print(c, "\n\tThe pixel size is a number of metres %s", kPixelSizeRange);
            return false;
        });
}

std::string ask_word(Console& c, const std::function<void()>& show,
                     const std::function<bool(const std::string&)>& accept) {
    return ask<std::string>(c, show, read_word,
                            [&](const std::string& w) { return !accept || accept(w); });
}

int ask_image_type(Console& c, const std::function<bool(int)>& accept) {
    print(c, "\n\tImage type:");
    return ask_int(
        c, [&] { print(c, "\n\t\t0 ====> raster\n\t\t1 ====> bitmap\n\t\t2 ====> ascii\n\t\t"); },
        [&](int v) { return v >= 0 && v <= 2 && (!accept || accept(v)); });
}
