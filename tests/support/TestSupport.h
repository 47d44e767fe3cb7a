#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "UserPrompt.h"

namespace velkaro::test {

// Answers message boxes in code and remembers what they said.
struct TRecordingPrompt final : IUserPrompt {
  void ShowError(std::string_view text) override {
    Errors.emplace_back(text);
    if (WhileErrorShown) WhileErrorShown();
  }
  void ShowInformation(std::string_view text) override { Informations.emplace_back(text); }
  void ShowInformationWithDetails(std::string_view text, std::string_view details) override {
    Informations.emplace_back(text);
    Details.emplace_back(details);
  }
  bool Confirm(std::string_view question, TButtons) override {
    Questions.emplace_back(question);
    return Answer;
  }

  std::vector<std::string> Errors;
  std::vector<std::string> Informations;
  std::vector<std::string> Details;  // of the informations that had them
  std::vector<std::string> Questions;
  bool Answer = true;
  // What runs while an error box is up: a modal box's own event loop.
  std::function<void()> WhileErrorShown;
};

// A fresh folder standing in for the program's folder, removed afterwards.
class TTempDir {
 public:
  TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velkaro-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    Path_ = pattern;
  }
  ~TTempDir() {
    std::error_code ignored;
    std::filesystem::permissions(Path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(Path_, ignored);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Path() const { return Path_; }

 private:
  std::filesystem::path Path_;
};

// The names in `dir`, sorted.
inline std::vector<std::string> FileNames(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace velkaro::test
