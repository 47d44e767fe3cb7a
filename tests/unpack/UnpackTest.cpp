#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ArchiveReader.h"
#include "HostileArchives.h"
#include "PartMatch.h"
#include "sitesim/ArchiveWriter.h"

namespace velkaro {
namespace {

using sim::TArchiveEntry;
using sim::TArchiveFormat;
using sim::TEntryKind;
using sim::WriteArchive;

const std::string kSrt = "1\r\n00:00:01,000 --> 00:00:02,000\r\nMerhaba\r\n";

std::vector<std::string> Names(const TUnpacked& unpacked) {
  std::vector<std::string> names;
  for (const auto& candidate : unpacked.Candidates) names.push_back(candidate.Name);
  return names;
}

class UnpackFormats : public testing::TestWithParam<TArchiveFormat> {};

TEST_P(UnpackFormats, SubtitlesInsideAreTheCandidatesInNameOrder) {
  const std::string bytes = WriteArchive(GetParam(), {
                                                         {"Film.CD2.SRT", "second"},
                                                         {"readme.nfo", "not a subtitle"},
                                                         {"subs/deep/Film.CD1.srt", kSrt},
                                                     });
  const TUnpacked unpacked = UnpackBytes(bytes);
  EXPECT_EQ(unpacked.Outcome, TUnpackOutcome::Unpacked);
  EXPECT_EQ(Names(unpacked), (std::vector<std::string>{"Film.CD1.srt", "Film.CD2.SRT"}));
  ASSERT_EQ(unpacked.Candidates.size(), 2u);
  EXPECT_EQ(unpacked.Candidates[0].Content, kSrt);
  EXPECT_EQ(unpacked.Candidates[1].Content, "second");
  EXPECT_TRUE(unpacked.Refused.empty());
}

TEST_P(UnpackFormats, UnsafeEntriesAreRefusedAndNeverCandidates) {
  const std::string bytes = WriteArchive(GetParam(), {
                                                         {"../../evil.srt", "climb"},
                                                         {"/abs/evil.srt", "absolute"},
                                                         {"good.srt", kSrt},
                                                         {"link.srt", "", TEntryKind::Symlink, "/etc/passwd"},
                                                     });
  const TUnpacked unpacked = UnpackBytes(bytes);
  EXPECT_EQ(unpacked.Outcome, TUnpackOutcome::Unpacked);
  EXPECT_EQ(Names(unpacked), std::vector<std::string>{"good.srt"});
  EXPECT_EQ(unpacked.Refused.size(), 3u);
}

TEST_P(UnpackFormats, AnArchiveWithoutSubtitlesHasNoCandidates) {
  const TUnpacked unpacked = UnpackBytes(WriteArchive(GetParam(), {{"film.nfo", "info"}}));
  EXPECT_EQ(unpacked.Outcome, TUnpackOutcome::Unpacked);
  EXPECT_TRUE(unpacked.Candidates.empty());
}

INSTANTIATE_TEST_SUITE_P(Writers, UnpackFormats,
                         testing::Values(TArchiveFormat::Zip, TArchiveFormat::SevenZip, TArchiveFormat::TarGz));

TEST(Unpack, TarLinksAndFifosAreRefused) {
  const std::string bytes = WriteArchive(TArchiveFormat::TarGz, {
                                                                    {"a.srt", kSrt},
                                                                    {"b.srt", "", TEntryKind::Hardlink, "a.srt"},
                                                                    {"c.srt", "", TEntryKind::Fifo},
                                                                    {"dir/../../d.srt", kSrt},
                                                                });
  const TUnpacked unpacked = UnpackBytes(bytes);
  EXPECT_EQ(Names(unpacked), std::vector<std::string>{"a.srt"});
  EXPECT_EQ(unpacked.Refused, (std::vector<std::string>{"b.srt", "c.srt", "dir/../../d.srt"}));
}

TEST(Unpack, PlainTextsAndEmptyInputAreNoArchives) {
  for (const std::string& text : {kSrt, std::string("{1}{1}25\r\n{10}{20}Merhaba\r\n"), std::string(),
                                 std::string("#mtree\n./a.srt type=file contents=/etc/passwd\n"),
                                 std::string("\xFF\xFE" "1\0\r\0\n\0", 8)}) {
    EXPECT_EQ(UnpackBytes(text).Outcome, TUnpackOutcome::NotArchive) << text;
  }
}

// Text that deflate cannot shrink much, so that a cut or a flipped byte lands in the data.
std::string MixedText(std::size_t size) {
  std::string text;
  std::uint32_t state = 12345;
  while (text.size() < size) {
    state = state * 1103515245u + 12345u;
    text += static_cast<char>('a' + (state >> 16) % 26);
  }
  return text;
}

TEST(Unpack, CorruptArchivesAreUnreadable) {
  for (const auto format : {TArchiveFormat::Zip, TArchiveFormat::SevenZip}) {
    SCOPED_TRACE(static_cast<int>(format));
    const std::string archive = WriteArchive(format, {{"a.srt", MixedText(20000)}});
    std::string flipped = archive;
    flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x55);
    EXPECT_EQ(UnpackBytes(archive.substr(0, archive.size() / 2)).Outcome, TUnpackOutcome::Unreadable);
    EXPECT_EQ(UnpackBytes(flipped).Outcome, TUnpackOutcome::Unreadable);
  }
}

// libarchive's gzip reader neither finds a tar in a cut stream nor checks the CRC.
TEST(Unpack, ACutTarGzGivesNoCandidates) {
  const std::string archive = WriteArchive(TArchiveFormat::TarGz, {{"a.srt", MixedText(20000)}});
  EXPECT_TRUE(UnpackBytes(archive.substr(0, archive.size() / 2)).Candidates.empty());
}

TEST(Unpack, AceArchivesAreNotRead) {
  const std::string ace = std::string("\0\0\0\0\0\0\0**ACE**", 14) + kSrt;
  EXPECT_NE(UnpackBytes(ace).Outcome, TUnpackOutcome::Unpacked);
}

TEST(Unpack, ZerosOverTheRatioCapStop) {
  const std::string bomb = WriteArchive(TArchiveFormat::Zip, {{"bomb.srt", std::string(std::size_t{65} << 20, '\0')}});
  const TUnpacked unpacked = UnpackBytes(bomb);
  EXPECT_EQ(unpacked.Outcome, TUnpackOutcome::TooDense);
  EXPECT_TRUE(unpacked.Candidates.empty());
}

TEST(Unpack, UnpackedTotalOverTheSizeCapStops) {
  const std::string stored = WriteArchive(TArchiveFormat::ZipStored, {{"a.srt", std::string(600, 'a')},
                                                                      {"b.srt", std::string(600, 'b')}});
  EXPECT_EQ(UnpackBytes(stored, {1000, 1000}).Outcome, TUnpackOutcome::TooLarge);
  EXPECT_EQ(UnpackBytes(stored, {1200, 1000}).Outcome, TUnpackOutcome::Unpacked);
}

// Skipping an entry of a compressed tar inflates it all the same.
TEST(Unpack, EntriesNotTakenCountTowardsTheCaps) {
  const std::string hidden = WriteArchive(TArchiveFormat::TarGz, {{"film.nfo", std::string(std::size_t{65} << 20, '\0')},
                                                                  {"a.srt", kSrt}});
  EXPECT_NE(UnpackBytes(hidden).Outcome, TUnpackOutcome::Unpacked);
  const std::string stored = WriteArchive(TArchiveFormat::ZipStored, {{"a.nfo", std::string(600, 'a')},
                                                                      {"b.srt", std::string(600, 'b')}});
  EXPECT_EQ(UnpackBytes(stored, {1000, 1000}).Outcome, TUnpackOutcome::TooLarge);
}

TEST(Unpack, StoredRarIsRead) {
  const std::string rar =
      test::TRar4Archive().File("Film.CD2.srt", "two").File("subs\\Film.CD1.srt", kSrt).File("..\\evil.srt", "x").Bytes();
  const TUnpacked unpacked = UnpackBytes(rar);
  EXPECT_EQ(unpacked.Outcome, TUnpackOutcome::Unpacked);
  ASSERT_EQ(Names(unpacked), (std::vector<std::string>{"Film.CD1.srt", "Film.CD2.srt"}));
  EXPECT_EQ(unpacked.Candidates[0].Content, kSrt);
  EXPECT_EQ(unpacked.Refused.size(), 1u);
  // The same archive cut short is no good.
  EXPECT_EQ(UnpackBytes(rar.substr(0, rar.size() - 20)).Outcome, TUnpackOutcome::Unreadable);
}

struct TPartCase {
  const char* Name;
  std::optional<int> Part;
};

class PartInName : public testing::TestWithParam<TPartCase> {};

TEST_P(PartInName, IsRead) { EXPECT_EQ(PartNumberInName(GetParam().Name), GetParam().Part) << GetParam().Name; }

INSTANTIATE_TEST_SUITE_P(
    Names, PartInName,
    testing::Values(TPartCase{"Film.cd1.srt", 1}, TPartCase{"Film CD 2.srt", 2}, TPartCase{"film-cd-2.sub", 2},
                    TPartCase{"Film.part2.srt", 2}, TPartCase{"Film Part 2.srt", 2}, TPartCase{"Film.Disc_1.srt", 1},
                    TPartCase{"matrix1.srt", 1}, TPartCase{"matrix_2.srt", 2}, TPartCase{"Film.2001.srt", std::nullopt},
                    TPartCase{"Film.srt", std::nullopt}, TPartCase{"abcd1x.srt", std::nullopt},
                    TPartCase{"dir/Film.CD2.srt", 2}));

std::vector<TCandidate> Candidates(std::initializer_list<const char*> names) {
  std::vector<TCandidate> candidates;
  for (const char* name : names) candidates.push_back({name, {}});
  return candidates;
}

std::vector<std::string> Chosen(const std::vector<TCandidate>& candidates, std::size_t parts) {
  std::vector<std::string> names;
  for (const auto& index : MatchParts(candidates, parts)) names.push_back(index ? candidates[*index].Name : "-");
  return names;
}

TEST(MatchParts, EachPartGetsTheCandidateCarryingItsNumber) {
  EXPECT_EQ(Chosen(Candidates({"a CD2.srt", "b cd1.srt"}), 2), (std::vector<std::string>{"b cd1.srt", "a CD2.srt"}));
  EXPECT_EQ(Chosen(Candidates({"x.part2.srt", "y.part1.srt", "z.srt"}), 2),
            (std::vector<std::string>{"y.part1.srt", "x.part2.srt"}));
}

TEST(MatchParts, UnmarkedCandidatesFillTheRestInNameOrder) {
  EXPECT_EQ(Chosen(Candidates({"alpha.srt", "beta.srt"}), 2), (std::vector<std::string>{"alpha.srt", "beta.srt"}));
  EXPECT_EQ(Chosen(Candidates({"alpha.srt", "film.cd1.srt"}), 2),
            (std::vector<std::string>{"film.cd1.srt", "alpha.srt"}));
  EXPECT_EQ(Chosen(Candidates({"only.srt"}), 3), (std::vector<std::string>{"only.srt", "-", "-"}));
}

TEST(MatchParts, OneVideoTakesTheOneMarkedFirstElseTheFirst) {
  EXPECT_EQ(Chosen(Candidates({"a.cd2.srt", "b.cd1.srt"}), 1), std::vector<std::string>{"b.cd1.srt"});
  EXPECT_EQ(Chosen(Candidates({"a.srt", "b.srt"}), 1), std::vector<std::string>{"a.srt"});
  EXPECT_EQ(Chosen(Candidates({}), 1), std::vector<std::string>{"-"});
}

TEST(MatchParts, PlainTextsOnlyWhenNothingElse) {
  EXPECT_EQ(Chosen(Candidates({"a readme.txt", "film.srt"}), 1), std::vector<std::string>{"film.srt"});
  EXPECT_EQ(Chosen(Candidates({"film.txt"}), 1), std::vector<std::string>{"film.txt"});
}

}  // namespace
}  // namespace velkaro
