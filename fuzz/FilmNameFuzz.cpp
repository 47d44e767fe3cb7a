#include <cstddef>
#include <cstdint>
#include <string>

#include "FilmName.h"

// Any path: a title without blanks at its ends, a year in range, parts counted from one.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path(reinterpret_cast<const char*>(data), size);
  const velkaro::TFilmName film = velkaro::GuessFilmName(path);
  if (!film.Title.empty() && (film.Title.front() == ' ' || film.Title.back() == ' ')) __builtin_trap();
  if (film.Year && (*film.Year < 1900 || *film.Year > 2099)) __builtin_trap();
  if (film.CdNumber && *film.CdNumber < 0) __builtin_trap();
  return 0;
}
