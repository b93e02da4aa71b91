#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "utility/port/notifications.h"

namespace qx::port {

namespace {

// The notification thread: runs the removal check after a reported link failure (coalescing
// reports that arrive while a check is pending) and the queued TCP notices, in arrival order.
class NotificationThread {
 public:
  void Start() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (thread_.joinable()) return;
    stop_ = false;
    thread_ = std::thread([this] { Serve(); });
  }

  void Stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!thread_.joinable()) return;
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    removalPending_ = false;
    tcpEvents_.clear();
  }

  void ReportRemoval() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!thread_.joinable() || removalPending_) return;
      removalPending_ = true;
    }
    wake_.notify_all();
  }

  void PostTcp(std::intptr_t socket, int event, std::uint32_t connection) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!thread_.joinable() || tcpEvents_.size() >= kMaxQueuedTcpEvents) return;
      tcpEvents_.push_back({socket, event, connection});
    }
    wake_.notify_all();
  }

 private:
  static constexpr std::size_t kMaxQueuedTcpEvents = 64;
  struct TcpEvent {
    std::intptr_t socket;
    int event;
    std::uint32_t connection;
  };

  void Serve() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stop_ || removalPending_ || !tcpEvents_.empty(); });
      if (stop_) return;
      if (removalPending_) {
        removalPending_ = false;
        lock.unlock();
        RunUsbRemovalCheck();
        lock.lock();
      }
      while (!tcpEvents_.empty() && !stop_) {
        TcpEvent notice = tcpEvents_.front();
        tcpEvents_.pop_front();
        lock.unlock();
        HandleTcpNotification(notice.socket, notice.event, notice.connection);
        lock.lock();
      }
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::thread thread_;
  bool stop_ = false;
  bool removalPending_ = false;
  std::deque<TcpEvent> tcpEvents_;
};

// Never destroyed: PortShutdown (at the latest from the exit handler) stops and joins the thread,
// and nothing may meet the object freed while the process ends.
NotificationThread& Notifier() {
  static NotificationThread* const notifier = new NotificationThread;
  return *notifier;
}

}  // namespace

std::intptr_t StartNotifications(void*) {
  Notifier().Start();
  return 0;
}

void StopNotifications() { Notifier().Stop(); }

void ReportLinkFailure() { Notifier().ReportRemoval(); }

void PostTcpNotification(std::intptr_t socket, int event, std::uint32_t connection) {
  Notifier().PostTcp(socket, event, connection);
}

}  // namespace qx::port
