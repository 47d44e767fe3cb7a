#pragma once

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string_view>

// A download's target is written under a name of its own beside it and moved
// over it only once complete, so a failed or stopped download never harms a
// file the user already had there.

namespace velkaro {

class TDownloadFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An open file descriptor, closed when it goes.
class TFileDescriptor {
 public:
  TFileDescriptor() = default;
  explicit TFileDescriptor(int fd) : Fd_(fd) {}
  ~TFileDescriptor();
  TFileDescriptor(TFileDescriptor&& other) noexcept;
  TFileDescriptor& operator=(TFileDescriptor&& other) noexcept;

  int Get() const { return Fd_; }
  bool IsOpen() const { return Fd_ >= 0; }
  // Closes now; false when the system reports that written bytes were lost.
  bool Close();

 private:
  int Fd_ = -1;
};

class TPartialFile {
 public:
  // Creates a new, empty file "<target>.part" (or ".part1", ".part2"... when
  // that name is taken) in the target's folder; TDownloadFileError when it cannot.
  explicit TPartialFile(std::filesystem::path target);
  // Removes the file unless it was moved over the target.
  ~TPartialFile();
  TPartialFile(const TPartialFile&) = delete;
  TPartialFile& operator=(const TPartialFile&) = delete;

  // TDownloadFileError when the bytes cannot be written.
  void Write(std::string_view bytes);
  // Closes the file; it is complete from now on. TDownloadFileError when bytes were lost.
  void Finish();
  bool Finished() const { return Finished_; }
  // Replaces the target by the finished file in one rename.
  void MoveIntoPlace();
  // Moves the finished file to the target only while no file has that name,
  // checked and moved in one step; false, with nothing moved, when one has.
  bool MoveIntoPlaceUnlessTaken();

  const std::filesystem::path& Path() const { return Path_; }
  const std::filesystem::path& Target() const { return Target_; }

 private:
  std::filesystem::path Target_;
  std::filesystem::path Path_;
  TFileDescriptor File_;
  bool Finished_ = false;
  bool Moved_ = false;
};

// Renames `from` to `to` only while no file has that name, checked and moved
// in one step where the file system can; false, with nothing moved, when one
// has. TDownloadFileError for any other failure.
bool RenameUnlessTaken(const std::filesystem::path& from, const std::filesystem::path& to);

// Creates `file`, or empties it, for writing; TDownloadFileError when it cannot.
TFileDescriptor CreateTruncated(const std::filesystem::path& file);
// Writes all of `bytes`; TDownloadFileError naming `file` when it cannot.
void WriteAll(const TFileDescriptor& out, std::string_view bytes, const std::filesystem::path& file);

// Copies `from` into `to` in full; TDownloadFileError when it cannot.
// `beforeEachChunk` may throw to stop a long copy.
void CopyInto(const std::filesystem::path& from, TPartialFile& to,
              const std::function<void()>& beforeEachChunk = {});

}  // namespace velkaro
