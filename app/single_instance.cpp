#include "app/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace zorvel::app {

namespace {

constexpr char kRaiseRequest[] = "raise\n";

// The socket's name in the abstract namespace (it goes with the process that made it):
// "zorvel-" and a 64-bit FNV-1a hash of the folder's resolved path.
sockaddr_un SocketAddress(const std::string& folder, socklen_t* length) {
  char resolved[PATH_MAX];
  const std::string path = realpath(folder.c_str(), resolved) != nullptr ? std::string(resolved) : folder;
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char c : path) hash = (hash ^ c) * 0x100000001b3ull;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  char name[64];
  const int n = std::snprintf(name, sizeof name, "zorvel-%016llx", static_cast<unsigned long long>(hash));
  std::memcpy(address.sun_path + 1, name, static_cast<std::size_t>(n));
  *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + static_cast<std::size_t>(n));
  return address;
}

void AskToRaise(const std::string& folder) {
  socklen_t length = 0;
  const sockaddr_un address = SocketAddress(folder, &length);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
    [[maybe_unused]] const ssize_t sent = send(fd, kRaiseRequest, sizeof kRaiseRequest - 1, MSG_NOSIGNAL);
  }
  close(fd);
}

int Listen(const std::string& folder) {
  socklen_t length = 0;
  const sockaddr_un address = SocketAddress(folder, &length);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 || listen(fd, 4) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::string SingleInstance::LockPath(const std::string& folder) { return folder + "/.zorvel.lock"; }

std::unique_ptr<SingleInstance> SingleInstance::Acquire(const std::string& folder, Outcome* outcome) {
  const int lockFd = open(LockPath(folder).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lockFd < 0) {
    *outcome = Outcome::kNoLock;
    return nullptr;
  }
  if (flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
    const bool held = errno == EWOULDBLOCK;
    close(lockFd);
    if (!held) {
      *outcome = Outcome::kNoLock;
      return nullptr;
    }
    AskToRaise(folder);
    *outcome = Outcome::kRunning;
    return nullptr;
  }
  *outcome = Outcome::kFirst;
  // Without the socket the folder is still held; only the raise request is lost.
  return std::unique_ptr<SingleInstance>(new SingleInstance(lockFd, Listen(folder)));
}

SingleInstance::SingleInstance(int lockFd, int listenFd) : lockFd_(lockFd), listenFd_(listenFd) {}

SingleInstance::~SingleInstance() {
  notifier_.reset();
  if (listenFd_ >= 0) close(listenFd_);
  if (lockFd_ >= 0) close(lockFd_);
}

void SingleInstance::OnRaiseRequest(std::function<void()> raise) {
  raise_ = std::move(raise);
  if (listenFd_ < 0 || notifier_) return;
  notifier_ = std::make_unique<QSocketNotifier>(listenFd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Accept(); });
}

void SingleInstance::Accept() {
  for (;;) {
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    // The request is a single short line; whatever arrives, the window comes forward.
    char buffer[16];
    [[maybe_unused]] const ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    close(fd);
    if (raise_) raise_();
  }
}

}  // namespace zorvel::app
