#include "app/draw/password_cipher.h"

#include <array>

#include "runtime/commands.h"

namespace zorvel::draw {

namespace {

// Positions 1 … 256 of the cipher's state; element 0 is not used, so the indices read
// as the positions they stand for.
using State = std::array<int, 257>;

// A text as the runtime holds it: up to its first zero byte.
std::string_view AsText(std::string_view s) { return s.substr(0, s.find('\0')); }

constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// The value of one character of a stored text: its position in the alphabet found by
// the find-text command, ignoring case, minus 1; −2 when it is not found.
std::int32_t LetterValue(char c) {
  const char character[2] = {c, 0};
  const std::int32_t position = Call(cmd::FindText, kAlphabet, character, 1, true).integer();
  return position < 1 ? -2 : position - 1;
}

}  // namespace

std::string ApplyKeystream(std::string_view data, std::string_view key) {
  // Key bytes K[1 … 256]: the key again and again.
  State k{};
  for (int p = 1; p <= 256; ++p)
    k[p] = key.empty() ? 0 : static_cast<std::uint8_t>(key[static_cast<std::size_t>(p - 1) % key.size()]);
  State s{};
  for (int p = 1; p <= 256; ++p) s[p] = p - 1;
  // Key schedule. Every sum stays below 768, so the integer remainder is the one the
  // program has always taken on doubles.
  int j = 0;
  for (int i = 1; i <= 256; ++i) {
    j = (j + s[i] + k[i]) % 256 + 1;
    std::swap(s[i], s[j]);
  }
  // Output: one keystream byte per data byte.
  std::string out(data.size(), '\0');
  int i = 0;
  j = 0;
  for (std::size_t n = 0; n < data.size(); ++n) {
    i = (i + 1) % 256 + 1;
    j = (j + s[i]) % 256 + 1;
    std::swap(s[i], s[j]);
    const int t = (s[i] + s[j]) % 256 + 1;
    out[n] = static_cast<char>(static_cast<std::uint8_t>(data[n]) ^ s[t]);
  }
  return out;
}

std::string ByteToLetters(std::uint8_t byte) {
  return {static_cast<char>('A' + (byte >> 4)), static_cast<char>('A' + (byte & 15))};
}

std::int32_t LettersToNumber(std::string_view piece) {
  // Horner's form of the sum; a piece of more than seven characters wraps around
  // modulo 2^32 (the stored form has pieces of two, and only the low eight bits count).
  std::uint32_t number = 0;
  for (const char c : AsText(piece)) number = number * 16 + static_cast<std::uint32_t>(LetterValue(c));
  return static_cast<std::int32_t>(number);
}

std::string NewSalt() {
  const Value first = Call(cmd::Character, Call(cmd::RandomNumber, 97, 122));
  const Value second = Call(cmd::Character, Call(cmd::RandomNumber, 97, 122));
  return Call(cmd::ToUpper, first.str() + second.str()).str();
}

std::string EncipherWithSalt(std::string_view plain, std::string_view salt) {
  const std::string key = std::string(kPasswordKeyText) + std::string(AsText(salt));
  const std::string bytes = ApplyKeystream(AsText(plain), key);
  std::string stored(AsText(salt));
  stored.reserve(stored.size() + 2 * bytes.size());
  for (const char b : bytes) stored += ByteToLetters(static_cast<std::uint8_t>(b));
  return stored;
}

std::string Encipher(std::string_view plain) { return EncipherWithSalt(plain, NewSalt()); }

std::string Decipher(std::string_view stored) {
  const std::string text(AsText(stored));
  const std::string salt = Call(cmd::LeftText, text, 2).str();
  const std::string rest = Call(cmd::RightText, text, static_cast<std::int32_t>(text.size()) - 2).str();
  // Pieces of two characters from the start; the low eight bits of each piece's number
  // are one data byte.
  std::string data;
  data.reserve((rest.size() + 1) / 2);
  for (std::size_t p = 0; p < rest.size(); p += 2)
    data += static_cast<char>(static_cast<std::uint8_t>(LettersToNumber(std::string_view(rest).substr(p, 2)) & 0xFF));
  std::string plain = ApplyKeystream(data, std::string(kPasswordKeyText) + salt);
  plain.resize(AsText(plain).size());
  return plain;
}

}  // namespace zorvel::draw
