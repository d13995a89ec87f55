#include "platform/text_encoding.h"

#include <array>
#include <cstdint>

namespace quiremark::platform {

namespace {

// Code points of the Windows-1252 bytes 0x80..0x9F; the five unassigned bytes
// map to the control character of the same number, as Windows does.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};


// Decodes one UTF-8 sequence at `pos`; false (pos unchanged) when it is not valid.
bool NextCodePoint(std::string_view text, std::size_t& pos, char32_t& cp) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  std::size_t length = 0;
  char32_t min = 0;
  if (lead < 0x80) {
    cp = lead;
    ++pos;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, cp = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, cp = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, cp = lead & 0x07, min = 0x10000;
  } else {
    return false;
  }
  if (pos + length > text.size()) return false;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (byte(pos + i) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  pos += length;
  return true;
}

char32_t LowerCodePoint(char32_t cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 32;
  if (cp < 0xC0) return cp;
  if (cp <= 0xDE && cp != 0xD7) return cp + 32;
  if (cp >= 0x100 && cp <= 0x137) return (cp % 2 == 0) ? cp + 1 : cp;
  if (cp >= 0x139 && cp <= 0x148) return (cp % 2 == 1) ? cp + 1 : cp;
  if (cp >= 0x14A && cp <= 0x177) return (cp % 2 == 0) ? cp + 1 : cp;
  if (cp == 0x178) return 0xFF;
  if (cp >= 0x179 && cp <= 0x17E) return (cp % 2 == 1) ? cp + 1 : cp;
  if (cp >= 0x391 && cp <= 0x3A9 && cp != 0x3A2) return cp + 32;
  if (cp >= 0x400 && cp <= 0x40F) return cp + 80;
  if (cp >= 0x410 && cp <= 0x42F) return cp + 32;
  return cp;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool IsValidUtf8(std::string_view bytes) {
  char32_t cp = 0;
  for (std::size_t pos = 0; pos < bytes.size();) {
    if (!NextCodePoint(bytes, pos, cp)) return false;
  }
  return true;
}

std::u32string DecodeUtf8(std::string_view utf8) {
  std::u32string out;
  char32_t cp = 0;
  for (std::size_t pos = 0; pos < utf8.size();) {
    if (NextCodePoint(utf8, pos, cp)) {
      out.push_back(cp);
    } else {
      out.push_back(0xFFFD);
      ++pos;
    }
  }
  return out;
}

std::string DecodeText(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  if (IsValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      AppendUtf8(out, (b < 0xA0) ? kHighControls[b - 0x80] : static_cast<char32_t>(b));
    }
  }
  return out;
}

std::optional<std::string> EncodeWindows1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  char32_t cp = 0;
  for (std::size_t pos = 0; pos < utf8.size();) {
    if (!NextCodePoint(utf8, pos, cp)) return std::nullopt;
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out += static_cast<char>(cp);
      continue;
    }
    std::size_t i = 0;
    while (i < kHighControls.size() && kHighControls[i] != cp) ++i;
    if (i == kHighControls.size()) return std::nullopt;
    out += static_cast<char>(0x80 + i);
  }
  return out;
}

std::string DecodeUtf16Le(std::string_view bytes) {
  std::string out;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto unit = [&](std::size_t at) {
      return static_cast<char32_t>(static_cast<unsigned char>(bytes[at]) |
                                   (static_cast<unsigned char>(bytes[at + 1]) << 8));
    };
    char32_t cp = unit(i);
    if (cp >= 0xD800 && cp < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;  // half a pair
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::size_t CharCount(std::string_view utf8) {
  std::size_t chars = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++chars;
  return chars;
}

std::string FirstChars(std::string_view utf8, std::size_t n) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) continue;
    if (chars++ == n) return std::string(utf8.substr(0, i));
  }
  return std::string(utf8);
}

std::string EncodeUtf16Le(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() * 2);
  const auto unit = [&](char32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>((u >> 8) & 0xFF);
  };
  for (const char32_t cp : DecodeUtf8(utf8)) {
    if (cp < 0x10000) {
      unit(cp);
    } else {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
  }
  return out;
}

std::string Trim(std::string_view text, std::string_view chars) {
  const auto first = text.find_first_not_of(chars);
  if (first == std::string_view::npos) return "";
  return std::string(text.substr(first, text.find_last_not_of(chars) - first + 1));
}

std::string EncodeForFile(std::string_view utf8) {
  auto single = EncodeWindows1252(utf8);
  return single ? *single : std::string(utf8);
}

std::string FoldCase(std::string_view utf8) {
  // ASCII, most of every file name, is folded in place in a copy; a scan
  // folds every name of a folder of thousands.
  std::string out(utf8);
  std::size_t ascii = 0;
  for (; ascii < out.size(); ++ascii) {
    const auto byte = static_cast<unsigned char>(out[ascii]);
    if (byte >= 0x80) break;
    if (byte >= 'A' && byte <= 'Z') out[ascii] = static_cast<char>(byte + 32);
  }
  if (ascii == out.size()) return out;
  out.resize(ascii);
  char32_t cp = 0;
  for (std::size_t pos = ascii; pos < utf8.size();) {
    if (const auto byte = static_cast<unsigned char>(utf8[pos]); byte < 0x80) {
      // ASCII, most of every file name: no decoding.
      out += static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + 32 : byte);
      ++pos;
    } else if (NextCodePoint(utf8, pos, cp)) {
      AppendUtf8(out, LowerCodePoint(cp));
    } else {
      out += utf8[pos++];
    }
  }
  return out;
}

int CompareIgnoringCase(std::string_view a, std::string_view b) {
  return FoldCase(a).compare(FoldCase(b));
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) { return CompareIgnoringCase(a, b) == 0; }

}  // namespace quiremark::platform
