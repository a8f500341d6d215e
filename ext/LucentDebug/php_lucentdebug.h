// The lucentdebug module: its entry, the Zend extension record and the
// process-wide globals block shared by the whole engine.
#ifndef PHP_LUCENTDEBUG_H
#define PHP_LUCENTDEBUG_H

#include <string>
#include <unordered_map>
#include <vector>

extern "C" {
#include "SAPI.h"
#include "php.h"
#include "zend_extensions.h"
}

#include "breakpoint_list.h"
#include "file_urls.h"
#include "scope_record.h"

class Requester;

#define LUDBG_EXTENSION_NAME "Lucent Debugger"

extern zend_module_entry ludbg_module_entry;

using BodyWriter = size_t (*)(const char* text, size_t length);

ZEND_BEGIN_MODULE_GLOBALS(ludbg)
int attached = 0;
int stepMode = 4;
int lastDepth = 0;  // kept as the stepping state names it; nothing reads it
// Where the last resume was chosen: the frame, its function and the depth of
// the live chain there (step over and out compare against them).
int resumeDepth = 0;
const zend_execute_data* resumeFrame = nullptr;
const zend_function* resumeFunction = nullptr;
// The passage of each frame that stopped, innermost last (see SamePassage).
std::vector<StatementPass> passes;
// While a statement stop runs: its frame and the statement's first instruction.
const zend_execute_data* stopFrame = nullptr;
const zend_op* stopStatement = nullptr;
// The frames view while stopped, outermost first, built from the live chain.
std::vector<ScopeRecord> frames;
bool executed = false;  // a statement of this request has run
BreakpointList breakpoints;
int inEval = 0;
bool evalBailedOut = false;      // a fatal error ended an evaluation; the request must end
char* evalError = nullptr;       // kept: the evaluation message slot, never filled
Requester* requester = nullptr;  // the attached front end, which the engine drives
int signalled = 0;
// Settings. `port` and `cookie` also carry the attached front end's own port
// and cookie during a request; request end puts the settings' values back.
zend_long enabled = 0;
char* host = nullptr;
zend_long port = 9001;
zend_long remotePort = 9000;
char* cookie = nullptr;
std::string generatedCookie;
zend_long portSetting = -1;  // "lucentdebug.port"; -1 when empty
bool portGiven = false;      // this request's port was configured, not left to the mode
char* trigger = nullptr;
char* triggerValue = nullptr;
zend_long connectTimeoutMs = 200;
int interacting = 0;
char pathBuffer[kPathBufferSize] = {};
BodyWriter savedBodyWrite = nullptr;  // the host's sapi_module.ub_write while captured
int stdoutSocket = -1;
// Kept beside stdoutSocket as the redirection sockets; never opened.
int stderrSocket = -1;
int stdinSocket = -1;
// Local paths of the compiled file names met by the breakpoint test.
std::unordered_map<const zend_string*, std::string> localPaths;
const zend_string* lastPathName = nullptr;  // the last one looked up, at hand
const std::string* lastPath = nullptr;
ZEND_END_MODULE_GLOBALS(ludbg)

extern zend_ludbg_globals ludbg_globals;
#define LUDBG_G(v) (ludbg_globals.v)

// Suspends the script's time limit and restarts it with the host's full limit
// (zend_unset_timeout / zend_set_timeout), so time spent stopped never counts.
class TimeLimitSuspension {
 public:
  TimeLimitSuspension() { zend_unset_timeout(); }
  ~TimeLimitSuspension() { zend_set_timeout(EG(timeout_seconds), 0); }
  TimeLimitSuspension(const TimeLimitSuspension&) = delete;
  TimeLimitSuspension& operator=(const TimeLimitSuspension&) = delete;
};

// Handshake with the IDE: "PHP:<port>:<cookie>" to host:port. 1 on success.
extern "C" int luSignalDebugger(const char* host, unsigned short port);
// Generates this request's cookie and makes the cookie setting refer to it.
void luMakeCookie();

#endif  // PHP_LUCENTDEBUG_H
