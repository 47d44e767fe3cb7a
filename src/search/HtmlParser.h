#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "BigAllocator.h"
#include "TextHelpers.h"

// A small forgiving tokenizer: "<" starts a tag and ">" ends one wherever they
// stand. The site adapters walk the flat token list by index.
//
// Every text a token holds lives in its parser: tokens and their views are
// valid as long as the parser that made them.

namespace velkaro {

struct THTMLParam {
  std::string_view Raw;
  std::string_view Name;   // before the first "=", ASCII upper-cased
  std::string_view Value;  // after the first "=", one pair of enclosing double quotes removed
};

struct THTMLTag {
  std::string_view Name;  // before the first space, ASCII upper-cased ("/A" for a closing tag)
  std::string_view Raw;   // everything between "<" and ">"
  std::span<const THTMLParam> Params;

  // Whether attribute `index` exists and is named `name`.
  bool ParamNamed(std::size_t index, std::string_view name) const {
    return index < Params.size() && Params[index].Name == name;
  }
};

struct THTMLText {
  std::string_view Text;  // decoded
  std::string_view Raw;   // as collected
};

// Thrown for a token index outside the list: how a page that ends too early
// ends a site's search.
class TMissingToken : public std::out_of_range {
 public:
  explicit TMissingToken(std::ptrdiff_t index);
  // The position asked for.
  std::ptrdiff_t Index() const { return Index_; }

 private:
  std::ptrdiff_t Index_;
};

class THTMLToken {
 public:
  explicit THTMLToken(THTMLTag tag) : Value_(tag) {}
  explicit THTMLToken(THTMLText text) : Value_(text) {}

  bool IsTag() const { return std::holds_alternative<THTMLTag>(Value_); }
  bool IsText() const { return std::holds_alternative<THTMLText>(Value_); }
  // nullptr when the token is of the other kind.
  const THTMLTag* AsTag() const { return std::get_if<THTMLTag>(&Value_); }
  const THTMLText* AsText() const { return std::get_if<THTMLText>(&Value_); }
  // A text token's Text, a tag's Name: what an untyped read yields.
  std::string_view TextOrName() const { return IsTag() ? AsTag()->Name : AsText()->Text; }
  // A tag named `name`, or nullptr.
  const THTMLTag* TagNamed(std::string_view name) const {
    const auto* tag = AsTag();
    return tag && tag->Name == name ? tag : nullptr;
  }

 private:
  std::variant<THTMLTag, THTMLText> Value_;
};

using THTMLTokens = std::vector<THTMLToken, TBigAllocator<THTMLToken>>;

// Bump storage for token texts: blocks never move, so views into them stay valid.
class TTextArena {
 public:
  // `size` writable bytes aligned for `align`.
  void* Allocate(std::size_t size, std::size_t align = 1);
  // Gives back the unused tail of the latest allocation.
  void ShrinkLast(std::size_t unused) {
    Next_ -= unused;
    Left_ += unused;
  }
  std::string_view Copy(std::string_view text);

 private:
  // Blocks grow geometrically so a big page needs few of them.
  std::vector<std::vector<char, TBigAllocator<char>>> Blocks_;
  char* Next_ = nullptr;
  std::size_t Left_ = 0;
};

// Characters collected for one token. Usually they stand together in the
// page's line buffer and the token can point there; only when something was
// left out between them (a line end inside a tag, a stray ">") are they copied.
class TTokenChars {
 public:
  void Append(std::string_view page, std::size_t begin, std::size_t end);
  bool Empty() const { return Begin_ == End_ && !Spilled_; }
  void Clear();
  // A view that lives as long as the page buffer or the arena.
  std::string_view Take(std::string_view page, TTextArena& arena);

 private:
  std::size_t Begin_ = 0;
  std::size_t End_ = 0;
  bool Spilled_ = false;
  std::string Spill_;
};

class THTMLParser {
 public:
  THTMLParser() = default;
  THTMLParser(THTMLParser&&) = default;
  THTMLParser& operator=(THTMLParser&&) = default;

  // Takes the lines, dropping any earlier ones (tokens made from them stay valid).
  void SetLines(TLines lines);
  // Splits a body into lines by the response line rule.
  void SetText(std::string_view body) { SetLines(SplitLines(body)); }
  const TLines& Lines() const { return *Lines_; }

  // Appends the tokens of Lines(); callers use a fresh parser per page.
  void Parse();

  std::size_t Count() const { return Tokens_.size(); }
  const THTMLTokens& Tokens() const { return Tokens_; }
  bool Has(std::ptrdiff_t index) const {
    return index >= 0 && static_cast<std::size_t>(index) < Tokens_.size();
  }
  // Bounds-checked: throws TMissingToken.
  const THTMLToken& Item(std::ptrdiff_t index) const;
  std::string_view TextOrName(std::ptrdiff_t index) const { return Item(index).TextOrName(); }

 private:
  void FlushText(std::string_view page);
  void FinishTag(std::string_view page);
  THTMLTag MakeTag(std::string_view raw);
  THTMLText MakeText(std::string_view raw);
  std::string_view Upper(std::string_view text);

  TTokenChars TextChars_;
  TTokenChars TagChars_;
  bool InsideTag_ = false;
  THTMLTokens Tokens_;
  // Heap-held so that views into it survive moving the parser.
  std::unique_ptr<TLines> Lines_ = std::make_unique<TLines>();
  std::vector<std::unique_ptr<TLines>> Retired_;
  TTextArena Arena_;
  std::string Scratch_;
  std::vector<THTMLParam> ParamScratch_;
};

// Character references decoded in one left-to-right pass.
std::string DecodeReferences(std::string_view text);

}  // namespace velkaro
