// The script's output on its way to the editor: streams (the engine's copy of
// the output over TCP, php's own stderr) read on a thread and handed to a sink
// in the order they arrive.
#ifndef LUCENTDEBUG_DAP_OUTPUT_CHANNEL_H
#define LUCENTDEBUG_DAP_OUTPUT_CHANNEL_H

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class OutputChannel {
 public:
  using Sink = std::function<void(const std::string& category, const std::string& text)>;
  explicit OutputChannel(Sink sink);
  ~OutputChannel();
  OutputChannel(const OutputChannel&) = delete;
  OutputChannel& operator=(const OutputChannel&) = delete;

  // Takes ownership of `fd`; its text goes to the sink under `category`.
  void addStream(int fd, const std::string& category);
  // Reads `fd` from now on without passing its text on.
  void mute(int fd);

  // Hands on everything that has arrived so far (before a stop is reported).
  void drain();
  // Reads every stream to its end, waiting at most timeoutMs, then stops.
  void finish(int timeoutMs);
  // The last text that arrived on streams of `category` since the previous call.
  std::string takeRecent(const std::string& category);

 private:
  struct Stream {
    int fd = -1;
    std::string category;
    bool muted = false;
    bool ended = false;
    std::string pending;  // an incomplete UTF-8 sequence held for the next read
  };
  void run();
  // Reads what `stream` has now without blocking; true when something was read.
  bool readAvailable(Stream& stream);
  void deliver(const std::string& category, const std::string& text);

  Sink sink_;
  std::mutex mutex_;
  std::vector<Stream> streams_;
  std::map<std::string, std::string> recent_;
  std::atomic<bool> stopping_{false};
  int wakeFds_[2] = {-1, -1};
  std::thread reader_;
};

// Splits `bytes` so that the first part ends on a whole UTF-8 sequence; the
// rest (at most three bytes) is returned in `tail`.
std::string WholeUtf8Prefix(const std::string& bytes, std::string& tail);

#endif  // LUCENTDEBUG_DAP_OUTPUT_CHANNEL_H
