#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// A TCP server bound to a loopback address only, one thread per connection.
namespace qx::sim {

class TcpServer {
 public:
  // Serves one accepted connection until it ends or `stopping` turns true.
  using Handler = std::function<void(int socket, const std::atomic<bool>& stopping)>;

  TcpServer() = default;
  ~TcpServer();
  TcpServer(const TcpServer&) = delete;
  TcpServer& operator=(const TcpServer&) = delete;

  // Binds and listens; refuses any address that is not loopback.
  bool Listen(const std::string& address, std::string* error);
  std::uint16_t port() const { return port_; }
  // "127.0.0.1:PORT" or "[::1]:PORT".
  std::string address() const { return address_; }

  void Start(Handler handler);
  // Stops accepting, shuts every connection down and joins every thread.
  void Stop();

 private:
  struct Connection {
    int socket;
    std::thread thread;
    std::atomic<bool> done{false};
  };
  void AcceptLoop();

  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::string address_;
  Handler handler_;
  std::atomic<bool> stopping_{false};
  std::thread acceptThread_;
  std::mutex mutex_;
  std::list<std::unique_ptr<Connection>> connections_;
};

}  // namespace qx::sim
