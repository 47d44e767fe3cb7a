// Writes the archive seeds of fuzz_archivereader into the first folder given,
// and the unpacking worker's answer for one of them into the second, as a
// seed of fuzz_readysubtitle: made at build time, never kept in the tree.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <utility>
#include <vector>

#include "ArchiveReader.h"
#include "UnpackWire.h"
#include "sitesim/ArchiveWriter.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_fuzz_seeds ARCHIVE_DIR ANSWER_DIR\n";
    return 2;
  }
  using velkaro::sim::TArchiveFormat;
  const std::filesystem::path dir(argv[1]);
  std::filesystem::create_directories(dir);
  const std::vector<velkaro::sim::TArchiveEntry> entries{
      {"Film.cd1.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\nG\xFCle\r\n"},
      {"sub/Film.cd2.sub", "{1}{1}23.976\r\n{24}{48}a|b\r\n"},
      {"../up.srt", "x"},
  };
  const std::pair<const char*, TArchiveFormat> formats[] = {
      {"seed.zip", TArchiveFormat::Zip}, {"seed.7z", TArchiveFormat::SevenZip}, {"seed.tgz", TArchiveFormat::TarGz}};
  for (const auto& [name, format] : formats) {
    std::ofstream(dir / name, std::ios::binary) << velkaro::sim::WriteArchive(format, entries);
  }
  const std::filesystem::path answers(argv[2]);
  std::filesystem::create_directories(answers);
  const auto zip = velkaro::sim::WriteArchive(TArchiveFormat::Zip, entries);
  std::ofstream(answers / "answer.bin", std::ios::binary) << velkaro::EncodeUnpacked(velkaro::UnpackBytes(zip));
  return 0;
}
