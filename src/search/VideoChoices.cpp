#include "VideoChoices.h"

#include <string>

#include "CodePage.h"

namespace velkaro {

namespace {

void FillCd(int parts, TSearchChoices& choices) {
  if (parts <= 0) return;
  if (const auto item = CdItemFor(parts)) {
    choices.Cd = *item;
    return;
  }
  choices.Cd = TCdChoice::Custom;
  choices.CustomCd = std::to_string(parts);
}

void FillFps(const std::string& fps, TSearchChoices& choices) {
  if (const auto item = FpsItemFor(fps)) {
    choices.Fps = *item;
  } else if (fps.empty()) {
    choices.Fps = TFpsChoice::All;
  } else {
    choices.Fps = TFpsChoice::Custom;
    choices.CustomFps = fps;
  }
}

}  // namespace

void FillFromVideo(const TVideoFacts& facts, TVideoFilters filters, TSearchChoices& choices) {
  choices.Film = Utf8ToCp1254(facts.Title);
  if (filters == TVideoFilters::CdAndFps) {
    FillCd(facts.PartCount, choices);
    FillFps(facts.Fps, choices);
  }
  choices.Videos = facts.Videos;
}

}  // namespace velkaro
