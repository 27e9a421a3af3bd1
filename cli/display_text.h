// Text for a terminal: what an archive's names and the program's messages look like on
// one line, and how many columns they take. Control characters from an archive never
// reach the terminal (they could move the cursor or change its state); East Asian wide
// characters count two columns, so that the list's columns line up.
#pragma once

#include <cstddef>
#include <string>

#include "platform/text.h"

namespace quillory::cli {

// The text as UTF-8 for one line: every control character (C0, DEL, C1, and the
// bidirectional controls) becomes "?",
// except that line ends become one space each, so a message of several lines reads as
// one.
std::string OneLine(WStringView text);
// The same, appended to *out.
void AppendOneLine(WStringView text, std::string* out);

// Columns one code point takes on a terminal: 0 for combining marks and zero-width
// characters, 2 for East Asian wide and full-width ones, else 1.
int CodePointWidth(char32_t c);

// Columns the UTF-8 text takes (text from OneLine: no control characters).
std::size_t DisplayWidth(std::string_view utf8);

// The longest prefix of the UTF-8 text that fits in the given columns.
std::string_view FitToWidth(std::string_view utf8, std::size_t columns);

}  // namespace quillory::cli
