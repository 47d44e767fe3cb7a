#pragma once

#include "SearchCommand.h"
#include "VideoFacts.h"

// A film's video turned into the advanced search's choices.

namespace velkaro {

// Where a frame rate that is none of the dialog's items goes: the dialog
// keeps "Hepsi" and says the rate; the command line filters by it.
enum class TOffListFps { All, Custom };

// Film name (code page 1254), CD choice from the part count and FPS choice
// from the probed rate; the videos are remembered. Nothing else changes.
void FillFromVideo(const TVideoFacts& facts, TOffListFps offList, TSearchChoices& choices);

}  // namespace velkaro
