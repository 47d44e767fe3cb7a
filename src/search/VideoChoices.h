#pragma once

#include "SearchCommand.h"
#include "VideoFacts.h"

// A film's video turned into the advanced search's choices.

namespace velkaro {

// What the videos' part count and frame rate do to a search.
enum class TVideoFilters {
  // The window: nothing; they go into each row's score, and the dialog
  // shows them beside filters left at "Hepsi".
  None,
  // The command line's search: they filter, a rate off the dialog's list as
  // a custom one.
  CdAndFps,
};

// Film name (code page 1254), and with filters the CD choice from the part
// count and the FPS choice from the probed rate; the videos are remembered.
// Nothing else changes.
void FillFromVideo(const TVideoFacts& facts, TVideoFilters filters, TSearchChoices& choices);

}  // namespace velkaro
