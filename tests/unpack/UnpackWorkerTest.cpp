// Downloads unpacked by the worker program under kernel limits: what it
// answers, and what ends it.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "ArchiveReader.h"
#include "HostileArchives.h"
#include "TestSupport.h"
#include "UnpackProcess.h"
#include "UnpackWire.h"
#include "VideoFixtures.h"
#include "sitesim/ArchiveWriter.h"

namespace velkaro {
namespace {

using sim::TArchiveFormat;
using sim::WriteArchive;

const std::string kSrt = "1\r\n00:00:01,000 --> 00:00:02,000\r\nMerhaba\r\n";

class UnpackWorker : public testing::Test {
 protected:
  std::filesystem::path File(const std::string& name, const std::string& bytes) const {
    test::WriteBytes(Dir.Path() / name, bytes);
    return Dir.Path() / name;
  }

  test::TTempDir Dir;
};

TEST_F(UnpackWorker, AnswersAsTheReaderDoesInProcess) {
  const std::string bytes = WriteArchive(TArchiveFormat::SevenZip, {{"x/Film.smi", "<SAMI>"}, {"../up.srt", "x"}});
  const TUnpacked unpacked = UnpackInWorker(File("Film.7z", bytes));
  EXPECT_EQ(EncodeUnpacked(unpacked), EncodeUnpacked(UnpackBytes(bytes)));
  ASSERT_EQ(unpacked.Candidates.size(), 1u);
  EXPECT_EQ(unpacked.Candidates[0].Name, "Film.smi");
  EXPECT_EQ(unpacked.Refused, std::vector<std::string>{"../up.srt"});

  EXPECT_EQ(UnpackInWorker(File("plain.srt", kSrt)).Outcome, TUnpackOutcome::NotArchive);
  EXPECT_EQ(UnpackInWorker(Dir.Path() / "gone.zip").Outcome, TUnpackOutcome::Unreadable);
  EXPECT_EQ(UnpackInWorker(File("a.zip", bytes), {}, {}, Dir.Path() / "no-such-worker").Outcome,
            TUnpackOutcome::WorkerFailed);
}

// An .xz of a few dozen bytes whose dictionary is 768 MiB: in-process it is
// allocated and the text read; the worker's address space is too small for it.
TEST_F(UnpackWorker, MemoryBeyondTheLimitStopsTheWorker) {
  const std::string xz = test::XzWithDictionary(kSrt, 35);
  ASSERT_LT(xz.size(), 100u);
  const TUnpacked inProcess = UnpackBytes(xz, {}, "Film.srt.xz");
  ASSERT_EQ(inProcess.Outcome, TUnpackOutcome::Unpacked);
  EXPECT_EQ(inProcess.Candidates.at(0).Content, kSrt);

  EXPECT_EQ(UnpackInWorker(File("Film.srt.xz", xz)).Outcome, TUnpackOutcome::LimitExceeded);
  TWorkerLimits roomy;
  roomy.MemoryMib = 1024;
  EXPECT_EQ(UnpackInWorker(File("Film.srt.xz", xz), roomy).Outcome, TUnpackOutcome::Unpacked);
}

// The worker's own buffers count too: an entry bigger than its memory ends it
// even where the caps would let it through.
TEST_F(UnpackWorker, AnEntryBeyondTheMemoryLimitStopsTheWorker) {
  const auto file = File("big.zip", WriteArchive(TArchiveFormat::Zip, {{"a.srt", std::string(std::size_t{96} << 20, 'a')}}));
  TWorkerLimits limits;
  limits.Caps = {std::uint64_t{1} << 30, std::uint64_t{1} << 30};
  limits.MemoryMib = 64;
  EXPECT_EQ(UnpackInWorker(file, limits).Outcome, TUnpackOutcome::LimitExceeded);
}

// A download that never ends (a fifo whose writer never closes): the wall
// time ends the worker, or the caller's stop does, at once.
TEST_F(UnpackWorker, WallTimeAndStopEndAWorkerThatNeverFinishes) {
  const auto fifo = Dir.Path() / "endless.zip";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int writer = ::open(fifo.c_str(), O_RDWR);
  ASSERT_GE(writer, 0);
  const std::string zip = WriteArchive(TArchiveFormat::Zip, {{"a.srt", kSrt}});
  ASSERT_EQ(::write(writer, zip.data(), zip.size() / 2), static_cast<ssize_t>(zip.size() / 2));

  TWorkerLimits limits;
  limits.WallTime = std::chrono::milliseconds(300);
  EXPECT_EQ(UnpackInWorker(fifo, limits).Outcome, TUnpackOutcome::LimitExceeded);

  int asked = 0;
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(UnpackInWorker(fifo, {}, [&] { return ++asked > 3; }).Outcome, TUnpackOutcome::Stopped);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  ::close(writer);
}

struct THostileCase {
  const char* Name;
  const char* File;
  std::string (*Bytes)();
};

// Families of archives that take far more to open than their size: each ends
// within the worker's limits with its outcome, and nothing is taken.
class HostileDownloads : public UnpackWorker, public testing::WithParamInterface<THostileCase> {};

TEST_P(HostileDownloads, EndWithinTheLimits) {
  const auto archive = File(GetParam().File, GetParam().Bytes());
  const auto started = std::chrono::steady_clock::now();
  const TUnpacked unpacked = UnpackInWorker(archive);
  EXPECT_TRUE(unpacked.Candidates.empty());
  EXPECT_NE(unpacked.Outcome, TUnpackOutcome::Unpacked);
  EXPECT_NE(unpacked.Outcome, TUnpackOutcome::WorkerFailed);
  EXPECT_LT(std::chrono::steady_clock::now() - started, TWorkerLimits{}.WallTime + std::chrono::seconds(2));
}

INSTANTIATE_TEST_SUITE_P(
    Families, HostileDownloads,
    testing::Values(
        THostileCase{"XzHugeDictionary", "Film.srt.xz", [] { return test::XzWithDictionary(kSrt, 39); }},
        THostileCase{"RarLargePpmdModel", "Film.rar", test::RarWithLargePpmdModel},
        THostileCase{"NestedGzip", "Film.srt.gz", [] { return test::NestedGzip(std::size_t{128} << 20, 3); }},
        THostileCase{"SevenZipOfZeros", "Film.7z",
                     [] { return WriteArchive(TArchiveFormat::SevenZip, {{"a.srt", std::string(std::size_t{96} << 20, '\0')}}); }}),
    [](const testing::TestParamInfo<THostileCase>& param) { return std::string(param.param.Name); });

TEST(UnpackWire, RoundTripsAndRefusesWhatItDidNotWrite) {
  const TUnpacked unpacked{TUnpackOutcome::Unpacked, {{"a.srt", kSrt}, {"b.sub", ""}}, {"../x"}};
  const std::string bytes = EncodeUnpacked(unpacked);
  const auto back = DecodeUnpacked(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(EncodeUnpacked(*back), bytes);
  for (std::size_t size = 0; size < bytes.size(); ++size) EXPECT_FALSE(DecodeUnpacked(bytes.substr(0, size))) << size;
  EXPECT_FALSE(DecodeUnpacked(bytes + "x"));
  std::string outOfRange = bytes;
  outOfRange[4] = 99;
  EXPECT_FALSE(DecodeUnpacked(outOfRange));
}

}  // namespace
}  // namespace velkaro
