#include "PartialFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <system_error>
#include <utility>

namespace velkaro {

namespace {

// Gives up on finding a free partial name after this many taken ones.
constexpr int kPartialNameTries = 100;
constexpr std::size_t kCopyChunk = 64 * 1024;

std::string SystemError(const std::string& what, const std::filesystem::path& file) {
  return what + " " + file.string() + ": " + std::strerror(errno);
}

std::filesystem::path PartialName(const std::filesystem::path& target, int attempt) {
  std::filesystem::path name = target;
  name += attempt == 0 ? std::string(".part") : ".part" + std::to_string(attempt);
  return name;
}

}  // namespace

TFileDescriptor::~TFileDescriptor() { Close(); }

TFileDescriptor::TFileDescriptor(TFileDescriptor&& other) noexcept : Fd_(std::exchange(other.Fd_, -1)) {}

TFileDescriptor& TFileDescriptor::operator=(TFileDescriptor&& other) noexcept {
  if (this != &other) {
    Close();
    Fd_ = std::exchange(other.Fd_, -1);
  }
  return *this;
}

bool TFileDescriptor::Close() {
  if (Fd_ < 0) return true;
  // Linux releases the descriptor even when close() fails; it is never retried.
  return ::close(std::exchange(Fd_, -1)) == 0;
}

TPartialFile::TPartialFile(std::filesystem::path target) : Target_(std::move(target)) {
  // O_EXCL: a file that already has the name, whoever made it, is left alone.
  for (int attempt = 0; attempt < kPartialNameTries; ++attempt) {
    Path_ = PartialName(Target_, attempt);
    const int fd = ::open(Path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      File_ = TFileDescriptor(fd);
      return;
    }
    if (errno != EEXIST) break;
  }
  const std::string reason = SystemError("cannot create", Path_);
  Path_.clear();
  throw TDownloadFileError(reason);
}

TPartialFile::~TPartialFile() {
  File_.Close();
  if (Moved_ || Path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove(Path_, ignored);
}

void TPartialFile::Write(std::string_view bytes) {
  if (Finished_) throw TDownloadFileError("write after finish: " + Path_.string());
  WriteAll(File_, bytes, Path_);
}

void TPartialFile::Finish() {
  if (Finished_) return;
  if (!File_.Close()) throw TDownloadFileError(SystemError("cannot close", Path_));
  Finished_ = true;
}

void TPartialFile::MoveIntoPlace() {
  if (!Finished_) throw TDownloadFileError("not complete: " + Path_.string());
  std::error_code error;
  std::filesystem::rename(Path_, Target_, error);
  if (error) throw TDownloadFileError("cannot replace " + Target_.string() + ": " + error.message());
  Moved_ = true;
}

bool TPartialFile::MoveIntoPlaceUnlessTaken() {
  if (!Finished_) throw TDownloadFileError("not complete: " + Path_.string());
  Moved_ = RenameUnlessTaken(Path_, Target_);
  return Moved_;
}

bool RenameUnlessTaken(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno == EEXIST) return false;
  // File systems without the flag: the check and the move become two steps.
  if (errno != EINVAL && errno != ENOSYS) throw TDownloadFileError(SystemError("cannot move to", to));
  std::error_code error;
  if (std::filesystem::exists(std::filesystem::symlink_status(to, error))) return false;
  std::filesystem::rename(from, to, error);
  if (error) throw TDownloadFileError("cannot replace " + to.string() + ": " + error.message());
  return true;
}

TFileDescriptor CreateTruncated(const std::filesystem::path& file) {
  TFileDescriptor out(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (!out.IsOpen()) throw TDownloadFileError(SystemError("cannot create", file));
  return out;
}

void WriteAll(const TFileDescriptor& out, std::string_view bytes, const std::filesystem::path& file) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(out.Get(), bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      throw TDownloadFileError(SystemError("cannot write", file));
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

void CopyInto(const std::filesystem::path& from, TPartialFile& to, const std::function<void()>& beforeEachChunk) {
  std::ifstream in(from, std::ios::binary);
  if (!in) throw TDownloadFileError("cannot open " + from.string());
  std::array<char, kCopyChunk> buffer{};
  while (in) {
    if (beforeEachChunk) beforeEachChunk();
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    to.Write(std::string_view(buffer.data(), static_cast<std::size_t>(in.gcount())));
  }
  if (in.bad()) throw TDownloadFileError("cannot read " + from.string());
}

}  // namespace velkaro
