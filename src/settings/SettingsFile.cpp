#include "SettingsFile.h"

#include <vector>

#include "FileContent.h"
#include "TextHelpers.h"

namespace velkaro {

namespace {

constexpr std::string_view kLineBreak = "\r\n";

// A whole number, or one with a decimal separator ("." or ",").
std::optional<double> ReadNumber(std::string_view text) {
  std::string normalised(text);
  ReplaceText(normalised, ",", ".");
  if (normalised.empty()) return std::nullopt;
  std::size_t digits = 0;
  std::size_t points = 0;
  for (std::size_t i = 0; i < normalised.size(); ++i) {
    const char c = normalised[i];
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '.') {
      ++points;
    } else if (!(i == 0 && (c == '-' || c == '+'))) {
      return std::nullopt;
    }
  }
  if (digits == 0 || points > 1) return std::nullopt;
  // Only zero or not matters, and a line of a thousand digits overflows a double.
  return normalised.find_first_of("123456789") == std::string::npos ? 0.0 : 1.0;
}

}  // namespace

std::string BooleanText(bool value) { return value ? "-1" : "0"; }

std::optional<bool> ReadBoolean(std::string_view text) {
  if (const auto number = ReadNumber(text)) return *number != 0.0;
  const std::string word = LowerAscii(text);
  if (word == "true") return true;
  if (word == "false") return false;
  return std::nullopt;
}

std::optional<TLines> TSettingsFile::ReadLines() const {
  const auto content = ReadFileContent(Path_);
  if (!content) return std::nullopt;
  return SplitLines(*content);
}

bool TSettingsFile::WriteLines(const std::vector<std::string>& lines) const {
  std::string content;
  for (const auto& line : lines) content.append(line).append(kLineBreak);
  return ReplaceFileContent(Path_, content);
}

bool TSettingsFile::WriteAll(const TSettings& settings) const {
  std::vector<std::string> lines;
  for (bool ticked : settings.Dialog.Sites) lines.push_back(BooleanText(ticked));
  lines.push_back(std::to_string(settings.Dialog.LanguageIndex));
  lines.push_back(settings.Dialog.Film);
  lines.push_back(settings.Dialog.MaxText);
  lines.push_back(BooleanText(settings.Grid));
  lines.push_back(BooleanText(settings.DialogAtStart));
  return WriteLines(lines);
}

bool TSettingsFile::RewriteFlag(TSettingsLine line, bool value) const {
  const auto lines = ReadLines();
  if (!lines || lines->size() <= static_cast<std::size_t>(line)) return false;
  std::vector<std::string> rewritten;
  for (std::size_t i = 0; i < lines->size(); ++i) {
    rewritten.emplace_back(i == static_cast<std::size_t>(line) ? BooleanText(value) : std::string((*lines)[i]));
  }
  return WriteLines(rewritten);
}

std::optional<bool> TSettingsFile::ReadFlag(TSettingsLine line) const {
  const auto lines = ReadLines();
  if (!lines || lines->size() <= static_cast<std::size_t>(line)) return std::nullopt;
  return ReadBoolean((*lines)[static_cast<std::size_t>(line)]);
}

bool TSettingsFile::ReadDialog(const TDialogApply& apply) const {
  const auto lines = ReadLines();
  if (!lines) return false;
  auto line = [&](TSettingsLine index) -> std::optional<std::string> {
    const auto at = static_cast<std::size_t>(index);
    if (at >= lines->size()) return std::nullopt;
    return std::string((*lines)[at]);
  };
  for (const SiteId site : SitesBy(&TSiteFacts::SettingsLine)) {
    const auto text = line(SettingsLineOf(site));
    const auto ticked = text ? ReadBoolean(*text) : std::nullopt;
    if (!ticked) return false;
    apply.Site(SettingsLineOf(site), *ticked);
  }
  const auto language = line(kLineLanguage);
  const auto index = language ? ParseInt(*language) : std::nullopt;
  if (!index) return false;
  apply.Language(*index);
  const auto film = line(kLineFilm);
  if (!film) return false;
  apply.Film(*film);
  const auto maximum = line(kLineMaximum);
  if (!maximum) return false;
  apply.Maximum(*maximum);
  return true;
}

}  // namespace velkaro
