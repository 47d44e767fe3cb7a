#pragma once

#include <string>
#include <vector>

namespace velkaro {

class TSearchThread;

// Running searches and the error markers of the current search. Touched only
// on the user-interface thread.
struct TSearchRegistry {
  std::vector<std::string> Errors;
  std::vector<TSearchThread*> Threads;  // launch order; not owned
};

}  // namespace velkaro
