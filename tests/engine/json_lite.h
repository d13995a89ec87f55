#pragma once

#include <cctype>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/text_encoding.h"

namespace quiremark::testing {

// Just enough JSON to read what qpdf --json prints, for checking PDFs in tests.
struct Json {
  enum class Type { Null, Bool, Number, String, Array, Object };
  Type type = Type::Null;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<Json> items;
  std::map<std::string, Json> members;

  const Json& operator[](const std::string& key) const {
    const auto it = members.find(key);
    if (it == members.end()) throw std::out_of_range("no member " + key);
    return it->second;
  }
  const Json& operator[](size_t index) const { return items.at(index); }
  bool has(const std::string& key) const { return members.count(key) != 0; }

  static Json Parse(const std::string& text) {
    size_t at = 0;
    Json value = ParseValue(text, at);
    return value;
  }

 private:
  static void SkipBlanks(const std::string& s, size_t& at) {
    while (at < s.size() && std::isspace(static_cast<unsigned char>(s[at]))) ++at;
  }
  static void Expect(const std::string& s, size_t& at, char c) {
    SkipBlanks(s, at);
    if (at >= s.size() || s[at] != c) throw std::runtime_error(std::string("JSON: expected ") + c);
    ++at;
  }
  static std::string ParseString(const std::string& s, size_t& at) {
    Expect(s, at, '"');
    std::string out;
    while (at < s.size() && s[at] != '"') {
      char c = s[at++];
      if (c != '\\') {
        out += c;
        continue;
      }
      c = s.at(at++);
      switch (c) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          unsigned cp = std::stoul(s.substr(at, 4), nullptr, 16);
          at += 4;
          if (cp >= 0xD800 && cp < 0xDC00 && s.compare(at, 2, "\\u") == 0) {
            const unsigned low = std::stoul(s.substr(at + 2, 4), nullptr, 16);
            at += 6;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          platform::AppendUtf8(out, cp);
          break;
        }
        default: out += c;
      }
    }
    Expect(s, at, '"');
    return out;
  }
  static Json ParseValue(const std::string& s, size_t& at) {
    SkipBlanks(s, at);
    Json v;
    if (at >= s.size()) throw std::runtime_error("JSON: unexpected end");
    const char c = s[at];
    if (c == '{') {
      v.type = Type::Object;
      ++at;
      SkipBlanks(s, at);
      if (s[at] == '}') return ++at, v;
      for (;;) {
        std::string key = ParseString(s, at);
        Expect(s, at, ':');
        v.members[key] = ParseValue(s, at);
        SkipBlanks(s, at);
        if (s[at++] == '}') return v;
      }
    }
    if (c == '[') {
      v.type = Type::Array;
      ++at;
      SkipBlanks(s, at);
      if (s[at] == ']') return ++at, v;
      for (;;) {
        v.items.push_back(ParseValue(s, at));
        SkipBlanks(s, at);
        if (s[at++] == ']') return v;
      }
    }
    if (c == '"') {
      v.type = Type::String;
      v.text = ParseString(s, at);
      return v;
    }
    if (s.compare(at, 4, "true") == 0 || s.compare(at, 5, "false") == 0) {
      v.type = Type::Bool;
      v.boolean = s[at] == 't';
      at += v.boolean ? 4 : 5;
      return v;
    }
    if (s.compare(at, 4, "null") == 0) {
      at += 4;
      return v;
    }
    v.type = Type::Number;
    size_t used = 0;
    v.number = std::stod(s.substr(at, 40), &used);
    at += used;
    return v;
  }
};

}  // namespace quiremark::testing
