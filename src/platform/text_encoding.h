#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quiremark::platform {

// Text files may come from Windows machines in Windows-1252 or be written as
// UTF-8; a UTF-8 byte order mark is dropped. Valid UTF-8 stays as it is,
// anything else is read as Windows-1252. The result is always UTF-8.
std::string DecodeText(std::string_view bytes);

bool IsValidUtf8(std::string_view bytes);

// The code points of a UTF-8 text; each byte that begins no valid sequence
// gives U+FFFD.
std::u32string DecodeUtf8(std::string_view utf8);

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

// Windows-1252 bytes of a UTF-8 text; empty optional when a character has no
// Windows-1252 code (or the input is not valid UTF-8).
std::optional<std::string> EncodeWindows1252(std::string_view utf8);

// Bytes for a text file the program writes: single-byte Windows-1252 where every
// character fits, otherwise the UTF-8 text unchanged, so nothing is lost.
std::string EncodeForFile(std::string_view utf8);

// UTF-16LE bytes (without their byte order mark) as UTF-8.
std::string DecodeUtf16Le(std::string_view bytes);
// And back: the UTF-16LE bytes of a UTF-8 text (no byte order mark).
std::string EncodeUtf16Le(std::string_view utf8);

// The number of characters (not bytes) of a UTF-8 text, and its first n characters.
std::size_t CharCount(std::string_view utf8);
std::string FirstChars(std::string_view utf8, std::size_t n);

// The text without the given characters at either end (blanks by default).
std::string Trim(std::string_view text, std::string_view chars = " ");

// Letter case folded for comparisons that ignore case the way Windows does
// (ASCII and the Latin letters of Windows-1252, e.g. Å/å, Ö/ö). The folded
// text has as many bytes as the text: every character folds to one of the
// same UTF-8 length, and bytes that are no UTF-8 stay as they are.
std::string FoldCase(std::string_view utf8);

// Compares two names ignoring case: <0, 0 or >0.
int CompareIgnoringCase(std::string_view a, std::string_view b);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace quiremark::platform
