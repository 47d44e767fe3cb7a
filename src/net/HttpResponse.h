#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velkaro {

// The header block of the last response, read line by line as it arrives:
// every status line (a 1xx answer, then the final one) starts it afresh, so
// only the final response remains.
class THttpResponse {
 public:
  void Clear();
  // Takes one raw header line; true when it is the blank line that ends a block.
  bool AddLine(std::string_view raw);

  // A header by case-insensitive name; empty when absent.
  std::string Find(std::string_view name) const;
  // -1 when the response states none, or no number.
  std::int64_t ContentLength() const;

  int Status() const { return Status_; }
  bool IsError() const { return Status_ >= 400; }
  bool IsInterim() const { return Status_ >= 100 && Status_ < 200; }
  // The status line, or "HTTP error <status>" without one.
  std::string ErrorMessage() const;

 private:
  void StartBlock(std::string_view statusLine);

  int Status_ = 0;
  std::string StatusLine_;
  std::vector<std::pair<std::string, std::string>> Headers_;
};

}  // namespace velkaro
