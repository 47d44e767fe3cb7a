// velkaro-cli run as a program against the stand-in sites: each test copies
// the built binary into a fresh folder with its settings and a proxy file
// pointing at the stand-ins, as a user's portable folder would hold them.

#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "CodePage.h"
#include "FileContent.h"
#include "SearchSession.h"
#include "TestSupport.h"
#include "TextHelpers.h"
#include "sitesim/Html.h"
#include "sitesim/SimServer.h"

namespace velkaro {
namespace {

using test::TCliRun;

// Backslash, tab and a line break around Turkish letters: the row must still
// come out as one line. Searched for by "Sekme", which no other film holds.
const std::string kOddFilm = "Ters\\B\xF6l\xFC\tSekme\r\n\xDE\xF0\xDD\xFD";
// The tokenizer makes a space of the line break before the row is made.
const std::string kOddFilmField = "Ters\\\\Bölü\\tSekme Şğİı";
const std::string kOddFilmJson = "\"filmName\":\"Ters\\\\Bölü\\u0009Sekme Şğİı\"";
// Every site lists the film once.
constexpr std::size_t kOddFilmRows = 5;

sim::TCatalogue CatalogueWithOddFilm() {
  sim::TCatalogue catalogue = sim::TCatalogue::Standard();
  catalogue.AddFilm({kOddFilm, 2010});
  catalogue.AddSubtitle({0, 0, "Turkish", "25", 1, "SubRip", {2010, 3, 4}, "\xE7\xFDnar", "ters.bolu.tr.srt"});
  return catalogue;
}

std::vector<std::string> OutputLines(const std::string& text) {
  std::vector<std::string> lines;
  for (const auto& line : SplitText(text, "\n")) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

class CommandLine : public testing::Test {
 protected:
  void SetUp() override {
    Sim.Start();
    Cli.UseProxy(Sim.Port());
  }

  TCliRun Run(const std::vector<std::string>& args) const { return Cli.Run(args); }

  // The address of the first row `search` prints for `film` on `site`.
  std::string FirstRowUrl(const std::string& site, const std::string& film) const {
    const TCliRun found = Run({"search", "--sites", site, film});
    EXPECT_EQ(found.Status, 0) << found.Err;
    const auto rows = OutputLines(found.Out);
    return rows.empty() ? std::string() : SplitText(rows.front(), "\t").at(2);
  }

  // An empty folder for downloads.
  std::filesystem::path OutFolder() const {
    const auto out = Cli.Path() / "out";
    std::filesystem::create_directory(out);
    return out;
  }

  test::TCliFolder Cli;
  sim::TSimServer Sim{CatalogueWithOddFilm()};
};

TEST_F(CommandLine, PlainRowsStayOneLineEach) {
  const TCliRun run = Run({"search", "Sekme"});
  ASSERT_EQ(run.Status, 0) << run.Err;
  const auto rows = OutputLines(run.Out);
  ASSERT_EQ(rows.size(), kOddFilmRows) << run.Out;
  for (const auto& row : rows) {
    const auto fields = SplitText(row, "\t");
    ASSERT_EQ(fields.size(), 9u) << row;
    EXPECT_EQ(fields[1], kOddFilmField) << row;
  }
  EXPECT_EQ(OutputLines(run.Err).back(), Tr(kSearchClean));
}

TEST_F(CommandLine, JsonRowsKeepUtf8AndEscapeTheRest) {
  const TCliRun run = Run({"search", "--json", "Sekme"});
  ASSERT_EQ(run.Status, 0) << run.Err;
  const auto rows = OutputLines(run.Out);
  ASSERT_EQ(rows.size(), kOddFilmRows) << run.Out;
  for (const auto& row : rows) {
    EXPECT_TRUE(row.starts_with("{\"icon\":") && row.ends_with("}")) << row;
    EXPECT_NE(row.find(kOddFilmJson), std::string::npos) << row;
    EXPECT_NE(row.find("\"uploader\":\"çınar\""), std::string::npos) << row;
  }
}

TEST_F(CommandLine, FailedSiteExitsWithOne) {
  Sim.AddFault(SiteId::SubDb, sim::TFault::ErrorStatus());
  const TCliRun run = Run({"search", "Matrix"});
  EXPECT_EQ(run.Status, 1) << run.Err;
  // The other sites' rows still come.
  EXPECT_FALSE(run.Out.empty());
  EXPECT_NE(OutputLines(run.Err).back(), Tr(kSearchClean));
}

TEST_F(CommandLine, BadUsageExitsWithTwo) {
  const std::vector<std::vector<std::string>> usages = {
      {},
      {"find", "Matrix"},
      {"search"},
      {"search", "Matrix", "Heat"},
      {"search", "--cd", "two", "Matrix"},
      {"search", "--sites", "Nowhere", "Matrix"},
      {"search", "Matrix", "--lang"},
      {"download"},
      {"download", "--film", "Matrix"},
  };
  for (const auto& args : usages) {
    const TCliRun run = Run(args);
    const std::string shown = args.empty() ? "(none)" : args.front() + " ...";
    EXPECT_EQ(run.Status, 2) << shown;
    EXPECT_TRUE(run.Out.empty()) << shown;
    EXPECT_TRUE(run.Err.starts_with("usage:")) << shown;
  }
  EXPECT_TRUE(Sim.Requests().empty());
}

// The option overrides the settings file; the rows do not depend on either.
TEST_F(CommandLine, ConnectionsFromOneToSixteen) {
  for (const char* bad : {"0", "17", "six", ""}) {
    const TCliRun run = Run({"search", "--connections", bad, "Matrix"});
    EXPECT_EQ(run.Status, 2) << bad;
    EXPECT_TRUE(run.Err.starts_with("usage:")) << bad;
  }
  EXPECT_TRUE(Sim.Requests().empty());

  std::ofstream(Cli.Path() / "velkaro.ini") << "[velkaro]\nconnections=16\n";
  const TCliRun fromFile = Run({"search", "--sites", "ExtraTitles,DivxSubtitles", "Matrix"});
  const TCliRun oneByOne = Run({"search", "--connections", "1", "--sites", "ExtraTitles,DivxSubtitles", "Matrix"});
  EXPECT_EQ(fromFile.Status, 0) << fromFile.Err;
  EXPECT_EQ(oneByOne.Status, 0) << oneByOne.Err;
  EXPECT_FALSE(oneByOne.Out.empty());
  // Each site's rows come in page order; the two sites' rows may interleave.
  const auto siteRows = [](const std::string& out, const std::string& host) {
    std::vector<std::string> rows;
    for (const auto& line : OutputLines(out)) {
      if (Contains(line, host)) rows.push_back(line);
    }
    return rows;
  };
  for (const char* host : {"extratitles", "divxsubtitles"}) {
    EXPECT_FALSE(siteRows(oneByOne.Out, host).empty()) << host;
    EXPECT_EQ(siteRows(fromFile.Out, host), siteRows(oneByOne.Out, host)) << host;
  }
}

TEST_F(CommandLine, RowForTheBrowserExitsWithThree) {
  const std::string url = FirstRowUrl("Podnapisi", "Sekme");
  ASSERT_FALSE(url.empty());
  const auto out = OutFolder();
  Sim.ClearRequests();
  const TCliRun run = Run({"download", "--url", url, "--film", "Sekme", "--out", out.string()});
  EXPECT_EQ(run.Status, 3) << run.Err;
  EXPECT_EQ(run.Out, url + "\n");
  EXPECT_TRUE(std::filesystem::is_empty(out));
  EXPECT_TRUE(Sim.Requests().empty());
}

TEST_F(CommandLine, VerboseDownloadTellsItsRequestAndWhereTheFileWent) {
  const std::string url = FirstRowUrl("ExtraTitles", "Matrix");
  ASSERT_FALSE(url.empty());
  const auto out = OutFolder();

  const TCliRun run = Run({"download", "--verbose", "--url", url, "--film", "Matrix", "--out", out.string()});
  ASSERT_EQ(run.Status, 0) << run.Err;
  const auto lines = OutputLines(run.Err);
  ASSERT_GE(lines.size(), 3u) << run.Err;
  EXPECT_TRUE(lines[0].starts_with("[download] GET " + url + " -> 200, ")) << run.Err;
  EXPECT_EQ(lines[2], "[download] saved as " + OutputLines(run.Out).at(0));
  // Without it, the same messages and no diagnostics.
  const TCliRun quiet = Run({"download", "--url", url, "--film", "Matrix", "--out", out.string()});
  EXPECT_EQ(OutputLines(quiet.Err), std::vector<std::string>(lines.begin() + 3, lines.end()));
}

// The messages follow the locale; the rows, being data, do not.
TEST_F(CommandLine, SpeaksTheLanguageTheLocaleAsksFor) {
  struct TCase {
    const char* Language;
    const char* Status;
    const char* NotFound;
  };
  const TCase cases[] = {
      {"en_GB.UTF-8", "Search finished, no errors.", "/nowhere/Film.2001.avi: not found."},
      {"tr_TR.UTF-8", "Arama hatasız tamamlandı.", "/nowhere/Film.2001.avi: bulunamadı."},
      {"C", "Arama hatasız tamamlandı.", "/nowhere/Film.2001.avi: bulunamadı."},
  };
  std::string rows;
  for (const auto& [language, status, notFound] : cases) {
    SCOPED_TRACE(language);
    Cli.Environment.clear();
    for (char** variable = environ; *variable != nullptr; ++variable) {
      const std::string_view text(*variable);
      if (!text.starts_with("LANG") && !text.starts_with("LC_")) Cli.Environment.emplace_back(text);
    }
    Cli.Environment.push_back(std::string("LANG=") + language);
    const TCliRun search = Run({"search", "--sites", "ExtraTitles", "Matrix"});
    EXPECT_TRUE(search.Err.ends_with(std::string(status) + "\n")) << search.Err;
    if (rows.empty()) rows = search.Out;
    EXPECT_EQ(search.Out, rows);
    EXPECT_TRUE(Run({"get", "/nowhere/Film.2001.avi"}).Err.starts_with(notFound));
  }
}

// A failed site, a page whose layout is not recognised and a search stopped
// by Ctrl+C each say why they ended, before the final status line.
TEST_F(CommandLine, VerboseSearchTellsWhyEachSiteEnded) {
  Sim.AddFault(SiteId::SubDb, sim::TFault::ErrorStatus(500));
  Sim.AddFault(SiteId::Podnapisi, sim::TFault::ReplaceBody(sim::GzipMember("<html><body>no pager</body></html>")));
  auto gate = std::make_shared<sim::TGate>();
  Sim.AddFault(SiteId::ExtraTitles, sim::TFault::Hold(gate));
  const pid_t child = Cli.Spawn({"search", "--verbose", "--sites", "ExtraTitles,SubDb,Podnapisi", "Matrix"});
  // Stopped once the two other sites have ended.
  const auto ended = [&] {
    const std::string err = ReadFileContent(Cli.ErrFile()).value_or("");
    return Contains(err, "[SubDb] HTTP") && Contains(err, "[Podnapisi] page layout");
  };
  for (int i = 0; i < 3000 && !ended(); ++i) usleep(10000);
  kill(child, SIGINT);
  const TCliRun run = Cli.Wait(child);
  gate->Open();
  EXPECT_EQ(run.Status, 130);
  const auto lines = OutputLines(run.Err);
  const auto has = [&](const std::string& text) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line == text; });
  };
  EXPECT_TRUE(has("[SubDb] HTTP 500 on page 1 (0 records)")) << run.Err;
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.starts_with("[Podnapisi] page layout not recognised: token ") &&
           line.ends_with(" missing in the page count of page 1 (0 records before it)");
  })) << run.Err;
  EXPECT_TRUE(has("[ExtraTitles] stopped")) << run.Err;
  EXPECT_TRUE(lines.back().starts_with("Aramada hatalar oluştu: ")) << run.Err;

  // Without --verbose the same search says nothing but the status.
  Sim.ClearFaults();
  const TCliRun quiet = Run({"search", "--sites", "SubDb", "Matrix"});
  EXPECT_EQ(OutputLines(quiet.Err), std::vector<std::string>{Tr(kSearchClean)});
}

}  // namespace
}  // namespace velkaro
