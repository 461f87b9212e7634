// The cipher of the settings password: how the password is kept in config.a (zbt,
// "password"). No window system here, so the tools and the fuzz target use the very
// functions the password window uses.
//
// Stored form: two salt letters A … Z, then two letters A … P per byte of the password's
// GBK bytes, the high four bits first (A = 0 … P = 15); an n-byte password is kept as
// 2 + 2n letters, and an absent or empty value is the empty password.
//
// The bytes are enciphered with a keystream keyed by "kwp" followed by the salt. The
// keystream keeps 1-based positions in its running indices, so it is not the published
// RC4: from the second step on, the schedule's j and the output's i and j advance by one
// more than RC4's, and the output index visits positions 2, 4, …, 256, then 2 again.
// Passwords stored by earlier versions of the program depend on exactly this form.
//
// Texts are GBK byte strings as the runtime keeps them: a text ends at its first zero
// byte, and "character" means byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zorvel::draw {

// The constant part of the key; the two salt letters follow it.
inline constexpr std::string_view kPasswordKeyText = "kwp";

// The stored form of a password, with a new salt from the program's random generator
// (not seeded here): two draws of the random-number command from 97 to 122, each turned
// into its character, joined in drawing order and upper-cased.
std::string Encipher(std::string_view plain);
// The same with a given salt (the stored text starts with the salt as given).
std::string EncipherWithSalt(std::string_view plain, std::string_view salt);
// The salt Encipher uses: draws two numbers from the program's generator.
std::string NewSalt();

// The password a stored text holds. Tolerant of any text: the first two characters are
// the salt, the rest is cut into pieces of two from the start (a last single character
// is a piece of its own), each piece is one byte by LettersToNumber, and the deciphered
// bytes are given up to the first zero byte. A text of two characters or fewer is the
// empty password; a text edited by hand gives some other password.
std::string Decipher(std::string_view stored);

// One piece of a stored text as a number: each character's value is its position in
// "ABCDEFGHIJKLMNOPQRSTUVWXYZ", found ignoring case, minus 1 (A 0 … Z 25), and −2 for a
// character that is not found; the number is the sum of each value times 16 raised to
// the count of characters after it. "PA" is 240, "ZZ" 425, "1A" −32, "" 0.
std::int32_t LettersToNumber(std::string_view piece);

// A byte as its two letters, high four bits first: 0x00 "AA", 0x5C "FM", 0xFF "PP".
std::string ByteToLetters(std::uint8_t byte);

// The keystream of the key applied to the data: each byte XORed with the next keystream
// byte (the same call enciphers and deciphers). The key's bytes are repeated to fill the
// 256 key positions; an empty key counts as one zero byte.
std::string ApplyKeystream(std::string_view data, std::string_view key);

}  // namespace zorvel::draw
