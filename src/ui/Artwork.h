#pragma once

#include <QFont>
#include <QIcon>

#include "ResultRows.h"

namespace velkaro {

// The tool bar's pictures, in the order of its image list.
enum class TToolbarIcon : int {
  Settings = 0,
  Stop = 1,
  Search = 2,
  Download = 3,
  Properties = 4,
  Clear = 5,
  Sort = 6,
  FetchBest = 7,  // "En uygununu indir": beyond the first design's seven
};

inline constexpr int kToolbarIconCount = 8;
inline constexpr int kToolbarIconSize = 48;

QIcon ToolbarIcon(TToolbarIcon icon);
// The result list's icon for a row's site or address kind.
QIcon RowIcon(TRowIcon icon);
// The site box of the advanced search: green for a ticked site, grey otherwise.
QIcon TickIcon(bool green);
QIcon ProgramIcon();

// The dialogs' type: Arial 8 point where it is installed, a sans serif of
// the same size elsewhere.
QFont DialogFont();

}  // namespace velkaro
