// One adapter session per input: the bytes are what a client sends, read to
// their end; every answer goes to /dev/null.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "dap_server.h"
#include "dap_transport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int sink = open("/dev/null", O_WRONLY);
  // A memory file, not a pipe: an input of any size is there before the session reads.
  int input = memfd_create("dap-input", 0);
  if (input < 0 || write(input, data, size) != static_cast<ssize_t>(size)) return 0;
  lseek(input, 0, SEEK_SET);
  {
    DapTransport transport(input, sink);
    DapServer session(transport, [](const nlohmann::json&, bool, std::string& error) {
      error = "no debuggee while fuzzing";
      return std::unique_ptr<Debuggee>();
    });
    session.run();
  }
  close(input);
  return 0;
}
