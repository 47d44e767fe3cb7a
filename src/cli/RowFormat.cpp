#include "RowFormat.h"

#include <cstdio>

#include "CodePage.h"

namespace velkaro {

namespace {

constexpr const char* kJsonKeys[kColumnCount] = {"filmName", "url",       "language", "fps",
                                                 "cdCount",  "dateAdded", "uploader", "format"};

}  // namespace

std::string Utf8TabField(std::string_view utf8) {
  std::string out;
  for (char c : utf8) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Utf8JsonString(std::string_view utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string TabField(std::string_view text) { return Utf8TabField(Cp1254ToUtf8(text)); }

std::string JsonString(std::string_view text) { return Utf8JsonString(Cp1254ToUtf8(text)); }

std::string RowLine(const TResultRow& row, bool json) {
  std::string line;
  if (json) {
    line = "{\"icon\":" + std::to_string(static_cast<int>(row.Icon));
    for (int column = 0; column < kColumnCount; ++column) {
      line += ",\"" + std::string(kJsonKeys[column]) + "\":" + JsonString(row.Column(column));
    }
    return line + "}";
  }
  line = std::to_string(static_cast<int>(row.Icon));
  for (int column = 0; column < kColumnCount; ++column) line += "\t" + TabField(row.Column(column));
  return line;
}

}  // namespace velkaro
