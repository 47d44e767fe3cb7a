#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "ProgramSettings.h"
#include "TestSupport.h"

namespace velkaro {
namespace {

struct TConnectionsCase {
  const char* File;
  int Expected;
};

class ConnectionsSetting : public testing::TestWithParam<TConnectionsCase> {};

TEST_P(ConnectionsSetting, ReadFromTheVelkaroSection) {
  const test::TTempDir dir;
  const auto path = dir.Path() / kProgramSettingsFileName;
  std::ofstream(path, std::ios::binary) << GetParam().File;
  EXPECT_EQ(ReadConnections(path), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ConnectionsSetting,
    testing::Values(TConnectionsCase{"[velkaro]\nconnections=3\n", 3},
                    TConnectionsCase{"[velkaro]\r\nconnections = 16 \r\n", 16},
                    TConnectionsCase{"[Velkaro]\nConnections=1\n", 1},
                    TConnectionsCase{"\xEF\xBB\xBF[velkaro]\nconnections=2\n", 2},
                    TConnectionsCase{"[velkaro]\nconnections=2\nconnections=9\n", 9},
                    TConnectionsCase{"garbage line\n[velkaro]\nconnections=4\n", 4},
                    TConnectionsCase{"[velkaro]\nconnections=0\n", kDefaultConnections},
                    TConnectionsCase{"[velkaro]\nconnections=17\n", kDefaultConnections},
                    TConnectionsCase{"[velkaro]\nconnections=-3\n", kDefaultConnections},
                    TConnectionsCase{"[velkaro]\nconnections=4x\n", kDefaultConnections},
                    TConnectionsCase{"[velkaro]\nconnections=\n", kDefaultConnections},
                    TConnectionsCase{"[other]\nconnections=3\n", kDefaultConnections},
                    TConnectionsCase{"connections=3\n", kDefaultConnections},
                    TConnectionsCase{"", kDefaultConnections}));

TEST(ConnectionsSettingFile, MissingFileGivesTheDefault) {
  const test::TTempDir dir;
  EXPECT_EQ(ReadConnections(dir.Path() / kProgramSettingsFileName), kDefaultConnections);
  EXPECT_EQ(ReadConnections(dir.Path()), kDefaultConnections);  // a folder, not a file
}

}  // namespace
}  // namespace velkaro
