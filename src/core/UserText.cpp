#include "UserText.h"

#include <atomic>
#include <vector>

#include "CodePage.h"

namespace velkaro {
namespace {

std::atomic<TLanguage> Language{TLanguage::Turkish};

}  // namespace

void SetLanguage(TLanguage language) { Language.store(language, std::memory_order_relaxed); }

TLanguage CurrentLanguage() { return Language.load(std::memory_order_relaxed); }

const char* Tr(const char* turkish) { return turkish; }

std::string Tr1254(const char* turkish) { return Utf8ToCp1254(Tr(turkish)); }

std::string FillIn(std::string_view text, std::initializer_list<std::string_view> arguments) {
  const std::vector<std::string_view> values(arguments);
  std::string filled;
  filled.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool marker = text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9';
    const std::size_t index = marker ? static_cast<std::size_t>(text[i + 1] - '1') : values.size();
    if (index < values.size()) {
      filled += values[index];
      ++i;
    } else {
      filled += text[i];
    }
  }
  return filled;
}

}  // namespace velkaro
