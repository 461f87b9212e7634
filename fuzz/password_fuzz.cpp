// Stored passwords edited by hand, and passwords of any bytes: whatever config.a holds
// under "password", deciphering it gives a text without zero bytes of at most one byte
// per two characters after the salt; and any text (the bytes up to the first zero)
// is stored as its salt and letters A … P and deciphers to itself.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/draw/password_cipher.h"
#include "runtime/random.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  // The input as a stored value.
  const std::string_view stored = input.substr(0, input.find('\0'));
  const std::string plain = zorvel::draw::Decipher(input);
  Check(plain.find('\0') == std::string::npos);
  Check(plain.size() <= (stored.size() > 2 ? (stored.size() - 2 + 1) / 2 : 0));

  // The input as a password.
  zorvel::ProgramRandom().Seed(static_cast<std::uint32_t>(size));
  const std::string enciphered = zorvel::draw::Encipher(input);
  Check(enciphered.size() == 2 + 2 * stored.size());
  for (std::size_t i = 0; i < enciphered.size(); ++i)
    Check(enciphered[i] >= 'A' && enciphered[i] <= (i < 2 ? 'Z' : 'P'));
  Check(zorvel::draw::Decipher(enciphered) == stored);
  return 0;
}
