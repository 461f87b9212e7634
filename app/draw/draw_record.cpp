#include "app/draw/draw_record.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

namespace zorvel::record {

namespace {

void AppendJsonText(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (u < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void AppendNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char text[40];
  if (value == std::trunc(value) && std::fabs(value) < 1e15)
    std::snprintf(text, sizeof text, "%.0f", value);
  else
    std::snprintf(text, sizeof text, "%.17g", value);
  out += text;
}

Problem SystemProblem(const std::string& path, const char* what) {
  return path + ": " + what + " (" + std::strerror(errno) + ")";
}

// The file descriptor, closed when it goes.
class File {
 public:
  explicit File(int fd) : fd_(fd) {}
  ~File() {
    if (fd_ >= 0) ::close(fd_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  int fd() const { return fd_; }
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

bool ReadAt(int fd, char* buffer, std::size_t size, off_t at) {
  while (size > 0) {
    const ssize_t n = ::pread(fd, buffer, size, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    buffer += n;
    size -= static_cast<std::size_t>(n);
    at += n;
  }
  return true;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// The end of a file of the given size: where its last whole line starts and ends (the
// end is the offset of its line end), and whether the file ends with a line end.
struct Tail {
  bool readable = true;
  bool endsWhole = true;
  off_t lastLineStart = 0;
  off_t lastLineEnd = 0;  // == lastLineStart when there is no whole line
  off_t cutStart = 0;     // where the bytes after the last whole line start
};

Tail ReadTail(int fd, off_t size) {
  Tail tail;
  if (size == 0) return tail;
  // Scans back in blocks for the last two line ends.
  constexpr off_t kBlock = 4096;
  std::vector<off_t> ends;  // offsets of line ends, from the back
  off_t at = size;
  std::string block;
  while (at > 0 && ends.size() < 2) {
    const off_t from = at > kBlock ? at - kBlock : 0;
    block.resize(static_cast<std::size_t>(at - from));
    if (!ReadAt(fd, block.data(), block.size(), from)) {
      tail.readable = false;
      return tail;
    }
    for (off_t i = at - from; i > 0 && ends.size() < 2; --i)
      if (block[static_cast<std::size_t>(i - 1)] == '\n') ends.push_back(from + i - 1);
    at = from;
  }
  tail.endsWhole = !ends.empty() && ends[0] == size - 1;
  if (ends.empty()) {
    tail.cutStart = 0;
    return tail;
  }
  tail.cutStart = ends[0] + 1;
  tail.lastLineEnd = ends[0];
  tail.lastLineStart = ends.size() > 1 ? ends[1] + 1 : 0;
  return tail;
}

std::string ReadRange(int fd, off_t from, off_t to) {
  std::string bytes(static_cast<std::size_t>(to - from), '\0');
  if (!ReadAt(fd, bytes.data(), bytes.size(), from)) return {};
  return bytes;
}

// The line ends in the first size bytes of the file.
std::int64_t CountLines(int fd, off_t size) {
  std::int64_t lines = 0;
  std::string block(1 << 16, '\0');
  for (off_t at = 0; at < size;) {
    const std::size_t n = static_cast<std::size_t>(std::min<off_t>(size - at, static_cast<off_t>(block.size())));
    if (!ReadAt(fd, block.data(), n, at)) break;
    for (std::size_t i = 0; i < n; ++i) lines += block[i] == '\n';
    at += static_cast<off_t>(n);
  }
  return lines;
}

// Makes the folder's entry of a new file durable too.
void SyncFolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const File dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.ok()) ::fsync(dir.fd());
}

}  // namespace

void Fields::Name(std::string_view name) {
  text_ += ',';
  AppendJsonText(text_, name);
  text_ += ':';
}

Fields& Fields::Add(std::string_view name, std::int64_t value) {
  Name(name);
  text_ += std::to_string(value);
  return *this;
}

Fields& Fields::Add(std::string_view name, std::uint64_t value) {
  Name(name);
  text_ += std::to_string(value);
  return *this;
}

Fields& Fields::Add(std::string_view name, double value) {
  Name(name);
  AppendNumber(text_, value);
  return *this;
}

Fields& Fields::Add(std::string_view name, bool value) {
  Name(name);
  text_ += value ? "true" : "false";
  return *this;
}

Fields& Fields::Add(std::string_view name, std::string_view text) {
  Name(name);
  AppendJsonText(text_, text);
  return *this;
}

Fields& Fields::Add(std::string_view name, std::span<const std::int32_t> numbers) {
  Name(name);
  text_ += '[';
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    if (i > 0) text_ += ',';
    text_ += std::to_string(numbers[i]);
  }
  text_ += ']';
  return *this;
}

Fields& Fields::Add(std::string_view name, std::span<const double> numbers) {
  Name(name);
  text_ += '[';
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    if (i > 0) text_ += ',';
    AppendNumber(text_, numbers[i]);
  }
  text_ += ']';
  return *this;
}

Fields& Fields::Add(std::string_view name, std::span<const std::string> texts) {
  Name(name);
  text_ += '[';
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) text_ += ',';
    AppendJsonText(text_, texts[i]);
  }
  text_ += ']';
  return *this;
}

std::string Sha256Hex(std::string_view bytes) {
  const QByteArray digest = QCryptographicHash::hash(
      QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())), QCryptographicHash::Sha256);
  return digest.toHex().toStdString();
}

std::string LocalTimeText() {
  const QDateTime now = QDateTime::currentDateTime();
  const int offset = now.offsetFromUtc() / 60;
  char zone[16];
  std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+', std::abs(offset) / 60,
                std::abs(offset) % 60);
  return now.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toStdString() + zone;
}

std::string EntryLine(std::int64_t seq, std::string_view time, std::string_view kind, const Fields& fields,
                      std::string_view prev) {
  std::string line = "{\"seq\":" + std::to_string(seq) + ",\"time\":";
  AppendJsonText(line, time);
  line += ",\"kind\":";
  AppendJsonText(line, kind);
  line += fields.Text();
  line += ",\"prev\":";
  AppendJsonText(line, prev);
  line += '}';
  return line;
}

Problem Append(const std::string& path, std::string_view kind, const Fields& fields) {
  const File file(::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
  if (!file.ok()) return SystemProblem(path, "cannot open");
  // One writer at a time, should two ever share the folder.
  while (::flock(file.fd(), LOCK_EX) != 0)
    if (errno != EINTR) return SystemProblem(path, "cannot lock");
  struct stat status {};
  if (::fstat(file.fd(), &status) != 0) return SystemProblem(path, "cannot read");
  const off_t size = status.st_size;

  std::int64_t seq = 1;
  std::string prev = Sha256Hex({});
  if (size > 0) {
    const Tail tail = ReadTail(file.fd(), size);
    if (!tail.readable) return SystemProblem(path, "cannot read");
    if (!tail.endsWhole) return path + ": the last line is cut short";
    const std::string last = ReadRange(file.fd(), tail.lastLineStart, tail.lastLineEnd);
    const Entry entry = ParseLine(last);
    // A last line that is no entry (edited by hand) leaves its place in the count: the
    // new entry is numbered after all the lines, and verify tells of the edit.
    seq = entry.parsed ? entry.seq + 1 : CountLines(file.fd(), size) + 1;
    prev = Sha256Hex(last);
  }

  const std::string line = EntryLine(seq, LocalTimeText(), kind, fields, prev) + "\n";

  if (!WriteAll(file.fd(), line)) {
    const Problem problem = SystemProblem(path, "cannot write");
    if (::ftruncate(file.fd(), size) != 0) {
      // The cut line stays; the next start moves it aside.
    }
    return problem;
  }
  if (::fsync(file.fd()) != 0) return SystemProblem(path, "cannot flush to disk");
  if (size == 0) SyncFolderOf(path);
  return {};
}

Repair RepairCutEnd(const std::string& path) {
  Repair repair;
  const File file(::open(path.c_str(), O_RDWR | O_CLOEXEC));
  if (!file.ok()) {
    if (errno != ENOENT) repair.problem = SystemProblem(path, "cannot open");
    return repair;
  }
  struct stat status {};
  if (::fstat(file.fd(), &status) != 0) {
    repair.problem = SystemProblem(path, "cannot read");
    return repair;
  }
  const Tail tail = ReadTail(file.fd(), status.st_size);
  if (!tail.readable) {
    repair.problem = SystemProblem(path, "cannot read");
    return repair;
  }
  if (tail.endsWhole) return repair;
  const std::string cut = ReadRange(file.fd(), tail.cutStart, status.st_size);
  std::string stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")).toStdString();
  repair.damagedPath = path + ".damaged-" + stamp;
  {
    const File damaged(::open(repair.damagedPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!damaged.ok() || !WriteAll(damaged.fd(), cut) || ::fsync(damaged.fd()) != 0) {
      repair.problem = SystemProblem(repair.damagedPath, "cannot keep the cut line");
      return repair;
    }
  }
  if (::ftruncate(file.fd(), tail.cutStart) != 0 || ::fsync(file.fd()) != 0) {
    repair.problem = SystemProblem(path, "cannot cut the damaged line off");
    return repair;
  }
  repair.repaired = true;
  repair.bytes = cut.size();
  return repair;
}

std::optional<std::string> LastLine(const std::string& path) {
  const File file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.ok()) return std::nullopt;
  struct stat status {};
  if (::fstat(file.fd(), &status) != 0 || status.st_size == 0) return std::nullopt;
  const Tail tail = ReadTail(file.fd(), status.st_size);
  if (!tail.readable || tail.lastLineEnd == tail.lastLineStart) {
    if (tail.readable && tail.cutStart > 0) return std::string();  // an empty last line
    return std::nullopt;
  }
  return ReadRange(file.fd(), tail.lastLineStart, tail.lastLineEnd);
}

std::optional<std::int64_t> WholeNumber(const QJsonValue& value) {
  if (!value.isDouble()) return std::nullopt;
  const double number = value.toDouble();
  // Within 2^53 every whole number is exact, and far from the ends of the 64-bit range.
  constexpr double kExact = 9007199254740992.0;
  if (!(std::fabs(number) <= kExact) || number != std::trunc(number)) return std::nullopt;
  return static_cast<std::int64_t>(number);
}

Entry ParseLine(std::string_view line) {
  Entry entry;
  QJsonParseError error{};
  const QJsonDocument document =
      QJsonDocument::fromJson(QByteArray::fromRawData(line.data(), static_cast<qsizetype>(line.size())), &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) return entry;
  entry.object = document.object();
  const QJsonValue seq = entry.object.value(QLatin1String("seq"));
  const QJsonValue time = entry.object.value(QLatin1String("time"));
  const QJsonValue kind = entry.object.value(QLatin1String("kind"));
  const QJsonValue prev = entry.object.value(QLatin1String("prev"));
  const std::optional<std::int64_t> number = WholeNumber(seq);
  if (!number || *number < 1 || !time.isString() || !kind.isString() || !prev.isString()) return entry;
  entry.parsed = true;
  entry.seq = *number;
  entry.time = time.toString().toStdString();
  entry.kind = kind.toString().toStdString();
  entry.prev = prev.toString().toStdString();
  return entry;
}

std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    if (end == std::string_view::npos) {
      lines.push_back(bytes);
      break;
    }
    lines.push_back(bytes.substr(0, end));
    bytes.remove_prefix(end + 1);
  }
  return lines;
}

std::vector<double> Numbers(const QJsonObject& object, const char* name) {
  std::vector<double> numbers(8, 0.0);
  const QJsonArray array = object.value(QLatin1String(name)).toArray();
  for (qsizetype i = 0; i < array.size() && i < 8; ++i) numbers[static_cast<std::size_t>(i)] = array.at(i).toDouble();
  return numbers;
}

}  // namespace zorvel::record
