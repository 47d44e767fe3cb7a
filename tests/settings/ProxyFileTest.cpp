#include <gtest/gtest.h>

#include <fstream>

#include "FileContent.h"
#include "ProxyFile.h"
#include "TestSupport.h"

namespace velkaro {
namespace {

class ProxyFile : public testing::Test {
 protected:
  void Write(const std::string& content) const { std::ofstream(File, std::ios::binary) << content; }

  test::TTempDir Dir;
  std::filesystem::path File = Dir.Path() / "proxy.txt";
};

TEST_F(ProxyFile, LaunchReading) {
  struct TCase {
    const char* Content;
    bool UseProxy;
    const char* Host;
    const char* Port;
  };
  const TCase cases[] = {
      {"1\r\n10.0.0.5:3128\r\n", true, "10.0.0.5", "3128"},
      {"1\n10.0.0.5:3128:extra", true, "10.0.0.5", "3128"},
      {"1\r\nhostonly\r\n", true, "hostonly", ""},
      {"1\r\n", true, "", ""},
      {"1 \r\n10.0.0.5:3128\r\n", false, "127.0.0.1", "8989"},
      {" 1\r\n10.0.0.5:3128\r\n", false, "127.0.0.1", "8989"},
      {"0\r\n10.0.0.5:3128\r\n", false, "127.0.0.1", "8989"},
      {"\r\n", false, "127.0.0.1", "8989"},
      // An empty file has no first line: nothing is set, and the launch reports the port.
      {"", false, "", ""},
  };
  for (const auto& c : cases) {
    Write(c.Content);
    const TLaunchProxy proxy = TProxyFile::Read(File).ForSearch();
    EXPECT_EQ(proxy.UseProxy, c.UseProxy) << c.Content;
    EXPECT_EQ(proxy.Host, c.Host) << c.Content;
    EXPECT_EQ(proxy.PortText, c.Port) << c.Content;
  }
  std::filesystem::remove(File);
  EXPECT_FALSE(TProxyFile::Read(File).ForSearch().UseProxy);
  EXPECT_EQ(TProxyFile::Read(File).ForSearch().PortText, "8989");
}

TEST_F(ProxyFile, StrictReadingForStartUpAndDownloads) {
  EXPECT_FALSE(TProxyFile::Read(File).ForTransfer().UseProxy);
  Write("1\r\nproxy.local:3128\r\n");
  const TProxySetting on = TProxyFile::Read(File).ForTransfer();
  EXPECT_TRUE(on.UseProxy);
  EXPECT_EQ(on.Host, "proxy.local");
  EXPECT_EQ(on.Port, 3128);
  // Only a first line of exactly "1" switches the proxy on.
  for (const char* off : {"0\r\nwhatever\r\n", "1 \r\nproxy.local:3128\r\n", " 1\r\nproxy.local:3128\r\n", "\r\n"}) {
    Write(off);
    EXPECT_FALSE(TProxyFile::Read(File).ForTransfer().UseProxy) << off;
  }
  for (const char* broken : {"", "1\r\n", "1\r\nhostonly\r\n", "1\r\nhost:port\r\n", "1\r\nhost:\r\n"}) {
    Write(broken);
    EXPECT_THROW(TProxyFile::Read(File).ForTransfer(), TProxyFileError) << broken;
  }
}

TEST_F(ProxyFile, DialogFilling) {
  EXPECT_FALSE(TProxyFile::Read(File).ForDialog().FileFound);

  Write("0\r\nh:1\r\n");
  auto fill = TProxyFile::Read(File).ForDialog();
  EXPECT_EQ(fill.Enabled, false);
  EXPECT_EQ(fill.Host, "h");
  EXPECT_EQ(fill.Port, "1");
  EXPECT_TRUE(fill.Error.empty());

  // A trailing blank is neither "0" nor "1": nothing is filled, no error.
  Write("1 \r\nh:1\r\n");
  fill = TProxyFile::Read(File).ForDialog();
  EXPECT_TRUE(fill.FileFound);
  EXPECT_FALSE(fill.Enabled.has_value());
  EXPECT_FALSE(fill.Host.has_value());
  EXPECT_TRUE(fill.Error.empty());

  // Without ":" filling stops after the host, with a reason to show.
  Write("1\r\nhostonly\r\n");
  fill = TProxyFile::Read(File).ForDialog();
  EXPECT_EQ(fill.Enabled, true);
  EXPECT_EQ(fill.Host, "hostonly");
  EXPECT_FALSE(fill.Port.has_value());
  EXPECT_FALSE(fill.Error.empty());

  Write("");
  EXPECT_FALSE(TProxyFile::Read(File).ForDialog().Error.empty());
}

TEST_F(ProxyFile, WritingFillsBlankFieldsWithDefaults) {
  ASSERT_TRUE(WriteProxyFile(File, false, "", "   "));
  EXPECT_EQ(ReadFileContent(File), "0\r\n127.0.0.1:8080\r\n");
  ASSERT_TRUE(WriteProxyFile(File, true, " host ", "3128 "));
  EXPECT_EQ(ReadFileContent(File), "1\r\n host :3128 \r\n");

  // A folder in the way of the new file: the write fails and the old file stays.
  std::filesystem::path blocker = File;
  blocker += ".new";
  std::filesystem::create_directory(blocker);
  EXPECT_FALSE(WriteProxyFile(File, false, "x", "1"));
  EXPECT_EQ(ReadFileContent(File), "1\r\n host :3128 \r\n");
}

}  // namespace
}  // namespace velkaro
