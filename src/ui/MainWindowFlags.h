#pragma once

namespace velkaro {

// The main window's live state that the advanced search dialog writes into
// lines 8 and 9 of the settings file when it closes.
struct TMainWindowFlags {
  bool Grid = false;
  bool DialogAtStart = false;
};

}  // namespace velkaro
