#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>

#include <unistd.h>

// Small test videos made on the spot with the ffmpeg command; none is kept
// in the tree.

namespace velkaro::test {

struct TVideoSpec {
  std::string Rate;           // ffmpeg's rate: "24000/1001", "25"
  const char* Codec = "mpeg4";
  double Seconds = 1;
};

inline std::string ShellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

inline void RunFfmpeg(const std::string& arguments, const std::filesystem::path& out) {
  const std::string command =
      "ffmpeg -nostdin -v error -y " + arguments + " " + ShellQuoted(out.string()) + " </dev/null";
  if (std::system(command.c_str()) != 0 || !std::filesystem::exists(out)) {
    throw std::runtime_error("ffmpeg could not make " + out.string());
  }
}

// A file made from ffmpeg's own sources alone depends on nothing but its
// arguments and container, so each is made once per machine and copied: every
// test case runs in a process of its own, and many make the same films.
inline void MakeFromSources(const std::string& arguments, const std::filesystem::path& out) {
  const std::string key = arguments + " " + out.extension().string();
  const std::filesystem::path cache = std::filesystem::temp_directory_path() / "velkaro-test-media";
  const std::filesystem::path made = cache / (std::to_string(std::hash<std::string>{}(key)) + out.extension().string());
  if (!std::filesystem::exists(made)) {
    std::filesystem::create_directories(cache);
    // Made under a name of its own and renamed, so that a test running at the same time never sees half a file.
    const std::filesystem::path part = made.string() + "." + std::to_string(::getpid()) + out.extension().string();
    RunFfmpeg(arguments, part);
    std::filesystem::rename(part, made);
  }
  std::filesystem::copy_file(made, out, std::filesystem::copy_options::overwrite_existing);
}

// A test picture at a low resolution; the container follows the extension.
inline std::filesystem::path MakeVideo(const std::filesystem::path& file, const TVideoSpec& video) {
  MakeFromSources("-f lavfi -i testsrc=size=64x48:rate=" + video.Rate + " -t " + std::to_string(video.Seconds) +
                      " -c:v " + video.Codec,
                  file);
  return file;
}

// Sound only: a film's soundtrack is no video.
inline std::filesystem::path MakeAudioOnly(const std::filesystem::path& file) {
  MakeFromSources("-f lavfi -i sine=frequency=440:duration=1", file);
  return file;
}

inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

inline std::string ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace velkaro::test
