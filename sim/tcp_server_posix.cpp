#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "sim/listen_address.h"
#include "sim/tcp_server.h"

namespace qx::sim {

TcpServer::~TcpServer() { Stop(); }

bool TcpServer::Listen(const std::string& text, std::string* error) {
  platform::LoopbackAddress address;
  if (!ParseListenAddress(text, &address, error)) return false;
  int fd = ::socket(address.ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    *error = std::string("socket: ") + std::strerror(errno);
    return false;
  }
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_storage storage{};
  socklen_t length;
  if (address.ipv6) {
    auto* sa = reinterpret_cast<sockaddr_in6*>(&storage);
    sa->sin6_family = AF_INET6;
    sa->sin6_addr = in6addr_loopback;
    sa->sin6_port = htons(address.port);
    length = sizeof *sa;
  } else {
    auto* sa = reinterpret_cast<sockaddr_in*>(&storage);
    sa->sin_family = AF_INET;
    std::memcpy(&sa->sin_addr, address.ipv4, 4);
    sa->sin_port = htons(address.port);
    length = sizeof *sa;
  }
  if (::bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0 || ::listen(fd, 16) != 0) {
    *error = "cannot listen on " + text + ": " + std::strerror(errno);
    ::close(fd);
    return false;
  }
  sockaddr_storage bound{};
  socklen_t boundLength = sizeof bound;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &boundLength);
  char host[64];
  if (address.ipv6) {
    port_ = ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port);
    address_ = "[::1]:" + std::to_string(port_);
  } else {
    port_ = ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&bound)->sin_addr, host, sizeof host);
    address_ = std::string(host) + ":" + std::to_string(port_);
  }
  listener_ = fd;
  return true;
}

void TcpServer::Start(Handler handler) {
  handler_ = std::move(handler);
  stopping_ = false;
  acceptThread_ = std::thread([this] { AcceptLoop(); });
}

void TcpServer::AcceptLoop() {
  while (!stopping_) {
    pollfd pfd{listener_, POLLIN, 0};
    if (::poll(&pfd, 1, 100) <= 0) continue;
    int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = connections_.begin(); it != connections_.end();) {
      if ((*it)->done) {
        (*it)->thread.join();
        ::close((*it)->socket);
        it = connections_.erase(it);
      } else {
        ++it;
      }
    }
    auto connection = std::make_unique<Connection>();
    Connection* c = connection.get();
    c->socket = fd;
    c->thread = std::thread([this, c] {
      handler_(c->socket, stopping_);
      ::shutdown(c->socket, SHUT_RDWR);
      c->done = true;
    });
    connections_.push_back(std::move(connection));
  }
}

void TcpServer::Stop() {
  if (listener_ < 0) return;
  stopping_ = true;
  if (acceptThread_.joinable()) acceptThread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& c : connections_) ::shutdown(c->socket, SHUT_RDWR);
  for (auto& c : connections_) {
    c->thread.join();
    ::close(c->socket);
  }
  connections_.clear();
  ::close(listener_);
  listener_ = -1;
}

}  // namespace qx::sim
