// The connection on which the IDE announced itself, kept open for the whole
// request: the IDE writes "watch" (it holds the line open while the session
// lasts; its closing means the IDE is gone) and "pause" (stop at the next
// statement). A thread of its own waits on the line, so the script is never
// held up by it; nothing of this runs for a request without a session.
#ifndef LUCENTDEBUG_CONTROL_CONNECTION_H
#define LUCENTDEBUG_CONTROL_CONNECTION_H

#include <atomic>
#include <string>
#include <thread>

class ControlConnection {
 public:
  // Called on the watching thread; each must be safe to call from there.
  using Notice = void (*)();

  // Takes `fd` (a connected socket) and starts watching it.
  ControlConnection(int fd, Notice onPause, Notice onGone);
  // Stops the watching thread and closes the connection.
  ~ControlConnection();
  ControlConnection(const ControlConnection&) = delete;
  ControlConnection& operator=(const ControlConnection&) = delete;

  // The IDE said "watch" and has closed the line since.
  bool gone() const { return gone_.load(); }
  // Readable once gone() is true, for loops that wait on sockets.
  int goneFd() const { return goneFd_; }

 private:
  void Watch();
  void Line(const std::string& line);

  int fd_;
  int goneFd_;
  int stopFd_;
  Notice onPause_;
  Notice onGone_;
  bool watching_ = false;
  std::atomic<bool> gone_{false};
  std::thread thread_;
};

#endif  // LUCENTDEBUG_CONTROL_CONNECTION_H
