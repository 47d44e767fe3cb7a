#pragma once

// Downloads of a few hundred bytes built to take far more than they are
// worth to unpack, made at test time: none is kept in the tree.

#include <zlib.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace velkaro::test {

inline void PutLittle(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline std::uint32_t Crc32(std::string_view bytes) {
  return static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

inline void PadToFour(std::string& out, std::size_t from) {
  while ((out.size() - from) % 4 != 0) out += '\0';
}

// An .xz file whose LZMA2 filter asks for a dictionary of (2 | (code & 1)) <<
// (code / 2 + 11) bytes (code 35: 768 MiB), holding `text` in one stored
// chunk: the decoder allocates the whole dictionary before the first byte,
// as the xz file format (its block header and index) lays it out.
inline std::string XzWithDictionary(std::string_view text, int code) {
  const std::string flags("\x00\x01", 2);  // CRC32 check
  std::string xz("\xFD" "7zXZ\0", 6);
  xz += flags;
  PutLittle(xz, Crc32(flags), 4);

  const std::size_t blockStart = xz.size();
  std::string header("\x02\x00\x21\x01", 4);  // 12 bytes, one filter: LZMA2, one property byte
  header += static_cast<char>(code);
  header.append(3, '\0');
  PutLittle(header, Crc32(header), 4);
  xz += header;
  xz += '\x01';  // an uncompressed chunk that resets the dictionary
  xz += static_cast<char>((text.size() - 1) >> 8);
  xz += static_cast<char>((text.size() - 1) & 0xFF);
  xz += text;
  xz += '\0';  // end of the LZMA2 data
  const std::size_t unpadded = xz.size() - blockStart;
  PadToFour(xz, blockStart);
  PutLittle(xz, Crc32(text), 4);
  const std::size_t unpaddedWithCheck = unpadded + 4;

  const std::size_t indexStart = xz.size();
  std::string index("\x00\x01", 2);  // one record
  for (std::uint64_t value : {std::uint64_t{unpaddedWithCheck}, std::uint64_t{text.size()}}) {
    do {
      index += static_cast<char>((value & 0x7F) | (value > 0x7F ? 0x80 : 0));
      value >>= 7;
    } while (value != 0);
  }
  xz += index;
  PadToFour(xz, indexStart);
  PutLittle(xz, Crc32(std::string_view(xz).substr(indexStart)), 4);

  std::string footer;
  PutLittle(footer, (xz.size() - indexStart) / 4 - 1, 4);
  footer += flags;
  PutLittle(xz, Crc32(footer), 4);
  xz += footer;
  xz += "YZ";
  return xz;
}

inline std::string Gzipped(std::string_view bytes) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 64, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int status = deflate(&stream, Z_FINISH);
  deflateEnd(&stream);
  if (status != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(stream.total_out);
  return out;
}

// A run of one letter gzipped again and again: each layer shrinks the one inside.
inline std::string NestedGzip(std::size_t size, int layers) {
  std::string bytes(size, 'a');
  for (int layer = 0; layer < layers; ++layer) bytes = Gzipped(bytes);
  return bytes;
}

// A RAR 4 archive, block by block as the format's technical note lays it
// out: marker, archive header, one file header plus data per file. Header
// CRCs are the low 16 bits of CRC-32.
class TRar4Archive {
 public:
  TRar4Archive() {
    Bytes_ = std::string("Rar!\x1A\x07\x00", 7);
    Block(kMainHead, 0, std::string(6, '\0'));
  }

  // A stored (uncompressed) file.
  TRar4Archive& File(const std::string& name, const std::string& data) {
    return Packed(name, data, data.size(), kMethodStore, Crc32(data));
  }

  // A file whose data is `packed` as `method` (0x31 fastest to 0x35 best) says.
  TRar4Archive& Packed(const std::string& name, const std::string& packed, std::uint64_t unpackedSize,
                       unsigned method, std::uint32_t crc = 0) {
    std::string fields;
    PutLittle(fields, packed.size(), 4);
    PutLittle(fields, unpackedSize, 4);
    PutLittle(fields, kHostMsDos, 1);
    PutLittle(fields, crc, 4);
    PutLittle(fields, kDosTime, 4);
    PutLittle(fields, kVersion, 1);
    PutLittle(fields, method, 1);
    PutLittle(fields, name.size(), 2);
    PutLittle(fields, kAttributeArchive, 4);
    Block(kFileHead, kLongBlock, fields + name);
    Bytes_ += packed;
    return *this;
  }

  std::string Bytes() const { return Bytes_; }

 private:
  static constexpr unsigned kMainHead = 0x73;
  static constexpr unsigned kFileHead = 0x74;
  static constexpr unsigned kLongBlock = 0x8000;  // the data's size follows in the header
  static constexpr unsigned kHostMsDos = 0;
  static constexpr unsigned kDosTime = 0x3C210000;  // 2010-01-01 00:00
  static constexpr unsigned kVersion = 20;
  static constexpr unsigned kMethodStore = 0x30;
  static constexpr unsigned kAttributeArchive = 0x20;


  void Block(unsigned type, unsigned flags, const std::string& fields) {
    std::string header;
    PutLittle(header, type, 1);
    PutLittle(header, flags, 2);
    PutLittle(header, 2 + 1 + 2 + 2 + fields.size(), 2);
    header += fields;
    PutLittle(Bytes_, Crc32(header) & 0xFFFF, 2);
    Bytes_ += header;
  }

  std::string Bytes_;
};

// A RAR whose one file is packed with PPMd asking for a 256 MiB model and
// claiming a gigabyte: the model is allocated before a byte is read.
inline std::string RarWithLargePpmdModel() {
  std::string packed("\xBF\xFF", 2);  // a PPMd block, order 32, new model of (0xFF + 1) MiB
  for (int i = 0; i < 120; ++i) packed += static_cast<char>(i * 37 + 11);
  return TRar4Archive().Packed("Film.srt", packed, std::uint64_t{1} << 30, 0x35).Bytes();
}

}  // namespace velkaro::test
