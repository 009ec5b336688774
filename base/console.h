// The console layer: every question, answer, message and key wait of the program goes through
// a Console, so that a test can script a dialogue and read the transcript.
//
// Answers are read like formatted input: a word, an integer or a real, separated by any white
// space, several on one line if the user likes. A failed numeric read leaves the text unread;
// the caller discards the rest of the line and asks again.
#pragma once

#include <cstdarg>
#include <functional>
#include <iosfwd>
#include <string>

struct Console {
    std::istream* in = nullptr;
    std::ostream* out = nullptr;
    std::function<void()> key_wait;  // waits for one key press; the key is discarded

    std::string line;  // the input line being read, without its line end
    std::size_t pos = 0;
    bool has_line = false;
};

// The program's own console: standard input and output, and the terminal's key.
Console stdio_console();

enum class Answer { ok, not_a_number, end_of_input };

void print(Console& c, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void vprint(Console& c, const char* fmt, va_list args);
Answer read_word(Console& c, std::string& word);
Answer read_int(Console& c, int& value);
Answer read_real(Console& c, double& value);
void discard_line(Console& c);  // drops what is left of the current input line
void wait_key(Console& c);      // flushes the output, then waits for one key
