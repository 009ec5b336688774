// Questions that insist: each shows its text (a question or a menu), reads the answer and shows
// it again until the answer is accepted. An answer that is not a number drops the rest of its
// line before the text is shown again. The end of the input ends the run (status 1).
#pragma once

#include <functional>
#include <string>

struct Console;

int ask_int(Console& c, const std::function<void()>& show,
            const std::function<bool(int)>& accept = nullptr);
double ask_real(Console& c, const std::function<void()>& show);
std::string ask_word(Console& c, const std::function<void()>& show,
                     const std::function<bool(const std::string&)>& accept = nullptr);

// The side of a pixel in metres, asked with `question` until it is a finite number above 0;
// each refusal says so on a line of its own.
double ask_pixel_size(Console& c, const char* question);

// "Image type:" and the type menu (0 raw, 1 BMP, 2 ASCII grid), asked until the answer is one
// of them and accept, when given, takes it.
int ask_image_type(Console& c, const std::function<bool(int)>& accept = nullptr);
