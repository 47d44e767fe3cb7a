#pragma once

#include "../HtmlParser.h"
#include "../SubtitleInfo.h"

namespace velkaro {

class TSearchThread;

}  // namespace velkaro
