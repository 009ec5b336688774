// Number and word scanning with the semantics of formatted input: leading white space of any
// kind is skipped, then the longest prefix that forms the item is taken. Each function advances
// p past what it took and leaves p where the item would have started when it fails.
#pragma once

#include <string>

const char* skip_space(const char* p, const char* end);
bool scan_int(const char*& p, const char* end, int& value);          // [+-]digits, fits an int
bool scan_real(const char*& p, const char* end, double& value);      // decimal or exponent form
bool scan_word(const char*& p, const char* end, std::string& word);  // a run of non-blanks
