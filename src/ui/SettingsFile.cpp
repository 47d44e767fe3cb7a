#include "SettingsFile.h"

#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

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
  return std::stod(normalised);
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

std::optional<std::vector<std::string>> TSettingsFile::ReadLines() const {
  std::ifstream in(Path_, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  // A NUL does not end this file's text: settings lines are taken as written.
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    auto brk = content.find_first_of("\r\n", start);
    if (brk == std::string::npos) {
      lines.push_back(content.substr(start));
      break;
    }
    lines.push_back(content.substr(start, brk - start));
    start = brk + 1;
    if (content[brk] == '\r' && start < content.size() && content[start] == '\n') ++start;
  }
  return lines;
}

bool TSettingsFile::WriteLines(const std::vector<std::string>& lines) const {
  // Written beside the file and renamed over it, so a failed write never
  // leaves a half-written or empty settings file behind.
  std::filesystem::path temporary = Path_;
  temporary += ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    for (const auto& line : lines) out << line << kLineBreak;
    out.flush();
    if (!out) {
      out.close();
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, Path_, error);
  if (error) {
    std::filesystem::remove(temporary, error);
    return false;
  }
  return true;
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
  auto lines = ReadLines();
  if (!lines || lines->size() <= static_cast<std::size_t>(line)) return false;
  (*lines)[static_cast<std::size_t>(line)] = BooleanText(value);
  return WriteLines(*lines);
}

std::optional<bool> TSettingsFile::ReadFlag(TSettingsLine line) const {
  const auto lines = ReadLines();
  if (!lines || lines->size() <= static_cast<std::size_t>(line)) return std::nullopt;
  return ReadBoolean((*lines)[static_cast<std::size_t>(line)]);
}

bool TSettingsFile::ReadDialog(const TDialogApply& apply) const {
  const auto lines = ReadLines();
  if (!lines) return false;
  auto line = [&](TSettingsLine index) -> const std::string* {
    const auto at = static_cast<std::size_t>(index);
    return at < lines->size() ? &(*lines)[at] : nullptr;
  };
  for (const TSettingsLine site : {kLineExtraTitles, kLinePodnapisi, kLineDivxSubtitles, kLineDivxForever, kLineSubDb}) {
    const std::string* text = line(site);
    const auto ticked = text ? ReadBoolean(*text) : std::nullopt;
    if (!ticked) return false;
    apply.Site(site, *ticked);
  }
  const std::string* language = line(kLineLanguage);
  const auto index = language ? ParseInt(*language) : std::nullopt;
  if (!index) return false;
  apply.Language(*index);
  const std::string* film = line(kLineFilm);
  if (!film) return false;
  apply.Film(*film);
  const std::string* maximum = line(kLineMaximum);
  if (!maximum) return false;
  apply.Maximum(*maximum);
  return true;
}

}  // namespace velkaro
