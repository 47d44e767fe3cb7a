#include <gtest/gtest.h>

#include "Diagnostics.h"
#include "FileContent.h"
#include "TestSupport.h"
#include "TextHelpers.h"

namespace velkaro {
namespace {

TEST(Diagnostics, FileGetsOneStampedLineAWriteAndKeepsWhatWasThere) {
  test::TTempDir dir;
  const auto file = dir.Path() / "velkaro.log";
  ASSERT_TRUE(ReplaceFileContent(file, "earlier\n"));
  {
    const auto log = DiagnosticsToFile(file);
    ASSERT_TRUE(log);
    log->Write("[SubDb] finished with 4 records");
    log->Write("[ExtraTitles] stopped");
  }
  const auto lines = SplitText(ReadFileContent(file).value_or(""), "\n");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "earlier");
  // "YYYY-MM-DD HH:MM:SS " and the line.
  EXPECT_EQ(lines[1].substr(19), " [SubDb] finished with 4 records");
  EXPECT_EQ(lines[1][4], '-');
  EXPECT_EQ(lines[2].substr(19), " [ExtraTitles] stopped");
  // A log that cannot be opened is no log, and no failure.
  EXPECT_FALSE(DiagnosticsToFile(dir.Path() / "missing" / "velkaro.log"));
}

}  // namespace
}  // namespace velkaro
