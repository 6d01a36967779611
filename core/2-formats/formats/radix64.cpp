// Radix-64 field codec: Base64 of RFC 4648 section 4 over bytes.

#include "formats/radix64.h"

#include <array>
#include <cstdint>

namespace kestrin {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kPad = 64;  // the value of "=" in the decoding table

// Every entry -1 except the 64 alphabet characters (their values) and "=" (64).
constexpr std::array<std::int16_t, 256> MakeDecodingTable() {
  std::array<std::int16_t, 256> table{};
  for (auto& entry : table) {
    entry = -1;
  }
  for (int value = 0; value < 64; ++value) {
    table[static_cast<unsigned char>(kAlphabet[value])] = static_cast<std::int16_t>(value);
  }
  table[static_cast<unsigned char>('=')] = kPad;
  return table;
}

constexpr std::array<std::int16_t, 256> kDecodingTable = MakeDecodingTable();

}  // namespace

std::string Radix64Encode(std::string_view bytes) {
  const std::size_t groups = bytes.size() / 3;
  const std::size_t rest = bytes.size() % 3;
  std::string out;
  out.reserve(4 * (groups + (rest != 0 ? 1 : 0)));

  auto append_group = [&out](unsigned b0, unsigned b1, unsigned b2, std::size_t chars) {
    const unsigned values[4] = {b0 >> 2, ((b0 & 3u) << 4) | (b1 >> 4),
                                ((b1 & 15u) << 2) | (b2 >> 6), b2 & 63u};
    for (std::size_t i = 0; i < chars; ++i) {
      out.push_back(kAlphabet[values[i]]);
    }
  };

  std::size_t i = 0;
  for (std::size_t g = 0; g < groups; ++g, i += 3) {
    append_group(static_cast<unsigned char>(bytes[i]), static_cast<unsigned char>(bytes[i + 1]),
                 static_cast<unsigned char>(bytes[i + 2]), 4);
  }
  if (rest == 1) {
    append_group(static_cast<unsigned char>(bytes[i]), 0, 0, 2);
    out += "==";
  } else if (rest == 2) {
    append_group(static_cast<unsigned char>(bytes[i]), static_cast<unsigned char>(bytes[i + 1]), 0,
                 3);
    out += "=";
  }
  return out;
}

std::optional<std::string> Radix64Decode(std::string_view text) {
  // The output is laid out beforehand; each complete group writes its three bytes at the
  // write position as far as the output reaches, and every "=" in the third or fourth place
  // of a group removes one character from the end of the whole output. For
  // well-formed input that is exactly RFC 4648 decoding.
  std::string out(3 * (text.size() / 4), ' ');
  std::size_t position = 0;
  int group[4];
  int filled = 0;
  for (char c : text) {
    const int value = kDecodingTable[static_cast<unsigned char>(c)];
    if (value < 0) {
      return std::nullopt;
    }
    group[filled++] = value;
    if (filled < 4) {
      continue;
    }
    filled = 0;
    const int s0 = group[0], s1 = group[1], s2 = group[2], s3 = group[3];
    const unsigned char decoded[3] = {
        static_cast<unsigned char>(((s0 << 2) | ((s1 >> 4) & 3)) & 0xFF),
        static_cast<unsigned char>((((s1 & 15) << 4) | ((s2 >> 2) & 15)) & 0xFF),
        static_cast<unsigned char>((((s2 & 3) << 6) | s3) & 0xFF)};
    for (int k = 0; k < 3; ++k) {
      if (position + k < out.size()) {
        out[position + k] = static_cast<char>(decoded[k]);
      }
    }
    position += 3;
    if (s3 == kPad) {
      out.pop_back();
      --position;
    }
    if (s2 == kPad) {
      out.pop_back();
      --position;
    }
  }
  // Values of an incomplete last group are ignored.
  return out;
}

}  // namespace kestrin
