#include "HtmlParser.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <unordered_map>

namespace velkaro {

namespace {

// Named references and the code each stands for; every key carries its "&" and ";".
const std::unordered_map<std::string_view, int>& EntityTable() {
  static const std::unordered_map<std::string_view, int> table = [] {
    static constexpr const char* kLatin1Names[] = {
        "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",
        "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",
        "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12",
        "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
        "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde",
        "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",
        "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",
        "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
        "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
        "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};
    static_assert(std::size(kLatin1Names) == 96);
    static std::vector<std::string> keys;  // owns the texts the views point at
    keys.reserve(100);
    std::unordered_map<std::string_view, int> map;
    auto add = [&](std::string name, int code) {
      keys.push_back("&" + std::move(name) + ";");
      map.emplace(keys.back(), code);
    };
    add("quot", 34);
    add("amp", 38);
    add("lt", 60);
    add("gt", 62);
    for (int i = 0; i < 96; ++i) add(kLatin1Names[i], 160 + i);
    return map;
  }();
  return table;
}

// Numbers 0..31 and 160 show as a space; every other number is its own byte.
char CharacterFor(int code) {
  if (code < 32 || code == 160) return ' ';
  return static_cast<char>(static_cast<unsigned char>(code));
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// At most three characters: decimal with an optional sign, or hexadecimal
// after "$" (an "x" counts as "$").
std::optional<int> ReadShortNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 3) return std::nullopt;
  if (digits.front() == '$' || digits.front() == 'x' || digits.front() == 'X') {
    if (digits.size() == 1) return std::nullopt;
    int value = 0;
    for (char c : digits.substr(1)) {
      const int d = HexDigit(c);
      if (d < 0) return std::nullopt;
      value = value * 16 + d;
    }
    return value;
  }
  auto value = ParseInt(digits);
  if (!value) return std::nullopt;
  return *value;
}

// `ref` runs from "&" through its terminator (";" or a space). nullopt: keep it as written.
std::optional<char> DecodeReference(std::string_view ref) {
  if (ref.size() > 2 && ref[1] == '#') {
    const auto number = ReadShortNumber(ref.substr(2, ref.size() - 3));
    // Numbers outside the 256-entry table stay as written.
    if (!number || *number < 0 || *number > 255) return std::nullopt;
    return CharacterFor(*number);
  }
  const auto& table = EntityTable();
  const auto hit = table.find(ref);
  if (hit == table.end()) return std::nullopt;
  return CharacterFor(hit->second);
}

// Line feeds become spaces and runs of spaces collapse to one.
void CollapseSpaces(std::string_view raw, std::string& out) {
  out.clear();
  for (char c : raw) {
    if (c == '\n') c = ' ';
    if (c == ' ' && !out.empty() && out.back() == ' ') continue;
    out += c;
  }
}

// Decodes into `out`, which has room for text.size() bytes (decoding never
// lengthens); returns the decoded length.
std::size_t DecodeInto(std::string_view text, char* out) {
  char* const begin = out;
  auto append = [&out](std::string_view piece) {
    std::copy(piece.begin(), piece.end(), out);
    out += piece.size();
  };
  bool inReference = false;
  std::size_t start = 0;
  for (std::size_t p = 0; p < text.size(); ++p) {
    const char c = text[p];
    if (c == '&') {
      // A new "&" abandons an unfinished reference, which stays as written.
      if (inReference) append(text.substr(start, p - start));
      inReference = true;
      start = p;
      continue;
    }
    if (!inReference) {
      *out++ = c;
      continue;
    }
    if (c == ';' || c == ' ') {
      const auto ref = text.substr(start, p - start + 1);
      if (const auto decoded = DecodeReference(ref)) {
        *out++ = *decoded;
      } else {
        append(ref);
      }
      inReference = false;
    }
  }
  if (inReference) append(text.substr(start));
  return static_cast<std::size_t>(out - begin);
}

constexpr std::size_t kFirstArenaBlock = std::size_t{64} << 10;
constexpr std::size_t kLargestArenaBlock = std::size_t{32} << 20;

}  // namespace

TMissingToken::TMissingToken(std::ptrdiff_t index)
    : std::out_of_range("token index out of range: " + std::to_string(index)), Index_(index) {}

std::string DecodeReferences(std::string_view text) {
  std::string out(text.size(), '\0');
  out.resize(DecodeInto(text, out.data()));
  return out;
}

void* TTextArena::Allocate(std::size_t size, std::size_t align) {
  auto padding = [&] { return (align - reinterpret_cast<std::uintptr_t>(Next_) % align) % align; };
  if (Next_ == nullptr || padding() + size > Left_) {
    const std::size_t grown = Blocks_.empty() ? kFirstArenaBlock : std::min(Blocks_.back().size() * 2, kLargestArenaBlock);
    Blocks_.emplace_back(std::max(grown, size + align));
    Next_ = Blocks_.back().data();
    Left_ = Blocks_.back().size();
  }
  const std::size_t pad = padding();
  void* result = Next_ + pad;
  Next_ += pad + size;
  Left_ -= pad + size;
  return result;
}

std::string_view TTextArena::Copy(std::string_view text) {
  if (text.empty()) return {};
  auto* out = static_cast<char*>(Allocate(text.size()));
  std::copy(text.begin(), text.end(), out);
  return {out, text.size()};
}

void TTokenChars::Append(std::string_view page, std::size_t begin, std::size_t end) {
  if (begin == end) return;
  if (Spilled_) {
    Spill_.append(page.substr(begin, end - begin));
  } else if (Begin_ == End_) {
    Begin_ = begin;
    End_ = end;
  } else if (begin == End_) {
    End_ = end;
  } else {
    Spill_.assign(page.substr(Begin_, End_ - Begin_)).append(page.substr(begin, end - begin));
    Spilled_ = true;
  }
}

void TTokenChars::Clear() {
  Begin_ = End_ = 0;
  Spilled_ = false;
  Spill_.clear();
}

std::string_view TTokenChars::Take(std::string_view page, TTextArena& arena) {
  const std::string_view chars = Spilled_ ? arena.Copy(Spill_) : page.substr(Begin_, End_ - Begin_);
  Clear();
  return chars;
}

std::string_view THTMLParser::Upper(std::string_view text) {
  const bool hasLower = std::any_of(text.begin(), text.end(), [](char c) { return c >= 'a' && c <= 'z'; });
  if (!hasLower) return text;
  auto* out = static_cast<char*>(Arena_.Allocate(text.size()));
  std::transform(text.begin(), text.end(), out, [](char c) { return UpperAscii(c); });
  return {out, text.size()};
}

THTMLTag THTMLParser::MakeTag(std::string_view raw) {
  THTMLTag tag;
  tag.Raw = raw;
  const auto space = raw.find(' ');
  tag.Name = Upper(raw.substr(0, space));
  if (space == std::string_view::npos) return tag;

  ParamScratch_.clear();
  const std::string_view rest = raw.substr(space);
  std::size_t i = 0;
  while (i < rest.size()) {
    const std::size_t begin = i;
    bool quoted = false;
    for (; i < rest.size() && (quoted || rest[i] != ' '); ++i) {
      if (rest[i] == '"') quoted = !quoted;
    }
    const auto attribute = rest.substr(begin, i - begin);
    if (i < rest.size()) ++i;  // the one separating space
    if (attribute.empty()) continue;

    THTMLParam param;
    param.Raw = attribute;
    const auto eq = attribute.find('=');
    param.Name = Upper(attribute.substr(0, eq));
    if (eq != std::string_view::npos) {
      std::string_view value = attribute.substr(eq + 1);
      if (value.size() > 1 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
      param.Value = value;
    }
    ParamScratch_.push_back(param);
  }
  if (!ParamScratch_.empty()) {
    auto* params = static_cast<THTMLParam*>(
        Arena_.Allocate(ParamScratch_.size() * sizeof(THTMLParam), alignof(THTMLParam)));
    std::uninitialized_copy(ParamScratch_.begin(), ParamScratch_.end(), params);
    tag.Params = {params, ParamScratch_.size()};
  }
  return tag;
}

THTMLText THTMLParser::MakeText(std::string_view raw) {
  THTMLText text;
  text.Raw = raw;
  const bool plain = raw.find_first_of("\n&") == std::string_view::npos && raw.find("  ") == std::string_view::npos;
  if (plain) {
    text.Text = raw;
    return text;
  }
  CollapseSpaces(raw, Scratch_);
  auto* out = static_cast<char*>(Arena_.Allocate(Scratch_.size()));
  const std::size_t length = DecodeInto(Scratch_, out);
  Arena_.ShrinkLast(Scratch_.size() - length);
  text.Text = {out, length};
  return text;
}

void THTMLParser::SetLines(TLines lines) {
  // Tokens already made point into the old lines.
  if (!Tokens_.empty()) Retired_.push_back(std::move(Lines_));
  Lines_ = std::make_unique<TLines>(std::move(lines));
}

const THTMLToken& THTMLParser::Item(std::ptrdiff_t index) const {
  if (!Has(index)) throw TMissingToken(index);
  return Tokens_[static_cast<std::size_t>(index)];
}

void THTMLParser::FlushText(std::string_view page) {
  if (InsideTag_ || TextChars_.Empty()) return;
  Tokens_.emplace_back(MakeText(TextChars_.Take(page, Arena_)));
}

void THTMLParser::FinishTag(std::string_view page) {
  InsideTag_ = false;
  Tokens_.emplace_back(MakeTag(TagChars_.Take(page, Arena_)));
}

void THTMLParser::Parse() {
  const std::string_view page = Lines_->Joined();
  // Every tag ends at a ">" (or the end) and at most one text precedes each.
  const auto closers = static_cast<std::size_t>(std::count(page.begin(), page.end(), '>'));
  Tokens_.reserve(Tokens_.size() + 2 * closers + 2);

  TextChars_.Clear();
  TagChars_.Clear();
  InsideTag_ = false;
  for (std::size_t line = 0; line < Lines_->size(); ++line) {
    std::size_t pos = Lines_->Start(line);
    // Each line is followed by its "\n" in the buffer.
    const std::size_t lineEnd = (line + 1 < Lines_->size() ? Lines_->Start(line + 1) : page.size()) - 1;
    while (pos < lineEnd) {
      std::size_t mark = pos;
      while (mark < lineEnd && page[mark] != '<' && page[mark] != '>') ++mark;
      (InsideTag_ ? TagChars_ : TextChars_).Append(page, pos, mark);
      if (mark == lineEnd) break;
      if (page[mark] == '<') {
        FlushText(page);
        InsideTag_ = true;
      } else {
        FinishTag(page);  // a ">" outside any tag still makes an empty tag
      }
      pos = mark + 1;
    }
    // Inside a tag lines join with nothing between them; a text keeps the line end.
    if (!InsideTag_ && !TextChars_.Empty()) TextChars_.Append(page, lineEnd, lineEnd + 1);
  }
  if (InsideTag_ && !TagChars_.Empty()) FinishTag(page);
  FlushText(page);
}

}  // namespace velkaro
