// Module and Zend extension records, settings, the information page, the
// per-request start and end, and "ludbg_break": the one place that chooses,
// creates and ends the front end that the engine drives.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "php_lucentdebug.h"
#include "requester.h"

extern "C" {
#include "ext/standard/info.h"
#include "php_ini.h"
}

#include "breakpoints.h"
#include "console_requester.h"
#include "exception_stops.h"
#include "function_breakpoints.h"
#include "handshake.h"
#include "hooks.h"
#include "output_capture.h"
#include "remote_requester.h"
#include "session_control.h"
#include "stop_reason.h"

ZEND_DECLARE_MODULE_GLOBALS(ludbg)

namespace {

bool bModuleStarted = false;
// The Zend extension record was registered by module start-up (not loaded by
// the host as zend_extension=), so module shutdown removes it again.
bool registeredByModule = false;

// The fixed XML-RPC port of a request whose port nobody configured and that
// sends no handshake (mode 2); announced requests let the system choose.
constexpr zend_long kDefaultPort = 9001;

// An empty "lucentdebug.port" (its default) leaves the port to the mode.
ZEND_INI_MH(OnUpdatePort) {
  const bool given = new_value != nullptr && ZSTR_LEN(new_value) > 0;
  *reinterpret_cast<zend_long*>(ZEND_INI_GET_ADDR()) =
      given ? ZEND_STRTOL(ZSTR_VAL(new_value), nullptr, 10) : -1;
  return SUCCESS;
}

// Settings change only at system level; each updater writes straight into its
// globals field (the field's address is the base, with offset 0). The enabled
// mode is a number, so the information page shows it as one.
PHP_INI_BEGIN()
ZEND_INI_ENTRY2("lucentdebug.enabled", "0", PHP_INI_SYSTEM, OnUpdateLong, nullptr,
                &ludbg_globals.enabled)
ZEND_INI_ENTRY2("lucentdebug.host", "127.0.0.1", PHP_INI_SYSTEM, OnUpdateString, nullptr,
                &ludbg_globals.host)
ZEND_INI_ENTRY2("lucentdebug.port", "", PHP_INI_SYSTEM, OnUpdatePort, nullptr,
                &ludbg_globals.portSetting)
ZEND_INI_ENTRY2("lucentdebug.remoteport", "9000", PHP_INI_SYSTEM, OnUpdateLong, nullptr,
                &ludbg_globals.remotePort)
ZEND_INI_ENTRY2("lucentdebug.cookie", "", PHP_INI_SYSTEM, OnUpdateString, nullptr,
                &ludbg_globals.cookie)
ZEND_INI_ENTRY2("lucentdebug.trigger", "LUDBG_SESSION", PHP_INI_SYSTEM, OnUpdateString, nullptr,
                &ludbg_globals.trigger)
ZEND_INI_ENTRY2("lucentdebug.trigger_value", "", PHP_INI_SYSTEM, OnUpdateString, nullptr,
                &ludbg_globals.triggerValue)
ZEND_INI_ENTRY2("lucentdebug.connect_timeout_ms", "200", PHP_INI_SYSTEM, OnUpdateLong, nullptr,
                &ludbg_globals.connectTimeoutMs)
PHP_INI_END()

void ApplyEnvironmentSetting(const char* variable, const char* setting) {
  const char* value = getenv(variable);
  if (value == nullptr) return;
  zend_string* name = zend_string_init(setting, strlen(setting), 1);
  zend_alter_ini_entry_chars(name, value, strlen(value), PHP_INI_SYSTEM, PHP_INI_STAGE_STARTUP);
  zend_string_release(name);
}

void ReadEnvironment() {
  const char* enabled = getenv("LUDBG_ENABLED");
  if (enabled == nullptr) return;
  LUDBG_G(enabled) = atoi(enabled);
  if (const char* port = getenv("LUDBG_PORT")) {
    LUDBG_G(port) = atoi(port);
    LUDBG_G(portGiven) = true;
  }
  if (const char* remotePort = getenv("LUDBG_REMOTEPORT")) LUDBG_G(remotePort) = atoi(remotePort);
}

enum class Attachment { kAttached, kNoPort, kNoIde };

int ConnectTimeoutMs() {
  return static_cast<int>(std::clamp<zend_long>(LUDBG_G(connectTimeoutMs), 1, 600000));
}

// The remote front end with a fresh cookie, listening on the address through
// which the IDE is reached (loopback for a local IDE) at `listenPort` (0: one
// the system chooses) before the handshake line announces it, so an IDE that
// connects as soon as it reads the line is never refused. The IDE gets the
// connect timeout to take the connection, and as long again (a second at
// most) to ask for it to stay open as the session's control line. Without an IDE or a port the
// request goes on alone.
Attachment AttachSignalledRemote(const char* host, unsigned short idePort, int listenPort) {
  unsigned char local[4];
  if (!LocalAddressFor(host, idePort, local)) return Attachment::kNoIde;
  luMakeCookie();
  Requester* requester = remote_init_on(LUDBG_G(cookie), listenPort, local);
  if (requester == nullptr) return Attachment::kNoPort;
  LUDBG_G(port) = remote_getport(requester);
  const int control = luConnectSocketWithin(host, idePort, ConnectTimeoutMs());
  // An IDE that reads the line until the connection closes writes nothing:
  // it gets the bare line and the close, as it always did.
  // The wait delays only IDEs that never ask, so it stays short whatever the
  // connect timeout.
  const bool watched = control >= 0 && IdeAsksToWatch(control, std::min(ConnectTimeoutMs(), 1000));
  if (control < 0 || !SendAnnouncement(control, LUDBG_G(port), LUDBG_G(cookie), watched)) {
    if (control >= 0) close(control);
    remote_end(requester);
    return Attachment::kNoIde;
  }
  LUDBG_G(signalled) = 1;
  if (watched) {
    remote_watch(requester, control);
  } else {
    close(control);
  }
  LUDBG_G(requester) = requester;
  LUDBG_G(attached) = 1;
  return Attachment::kAttached;
}

// The XML-RPC port of an announced request: the configured one, else one the
// system chooses, so that concurrent requests never collide.
int AnnouncedPort() { return LUDBG_G(portGiven) ? static_cast<int>(LUDBG_G(port)) : 0; }

// Modes 3, 6 and 7: announced, stopping at the first statement.
void AttachStepping() {
  if (AttachSignalledRemote(LUDBG_G(host), static_cast<unsigned short>(LUDBG_G(remotePort)),
                            AnnouncedPort()) == Attachment::kAttached) {
    luStartSession();
    luSetStepMode(RESUME_STEP_INTO);
  }
}

bool TriggerMatches(const zval* value) {
  const char* wanted = LUDBG_G(triggerValue);
  if (wanted == nullptr || wanted[0] == '\0') return true;
  return Z_TYPE_P(value) == IS_STRING && strcmp(Z_STRVAL_P(value), wanted) == 0;
}

// The request carries the trigger: a GET or POST parameter, a cookie, or an
// environment variable (the web server's request environment first) of that
// name, with the wanted value when one is set.
bool RequestCarriesTrigger() {
  const char* name = LUDBG_G(trigger);
  if (name == nullptr || name[0] == '\0') return false;
  const size_t length = strlen(name);
  for (int track : {TRACK_VARS_GET, TRACK_VARS_POST, TRACK_VARS_COOKIE}) {
    const zval* variables = &PG(http_globals)[track];
    if (Z_TYPE_P(variables) != IS_ARRAY) continue;
    const zval* value = zend_hash_str_find(Z_ARRVAL_P(variables), name, length);
    if (value != nullptr) return TriggerMatches(value);
  }
  zval value;
  if (char* requestValue = sapi_getenv(name, length)) {
    ZVAL_STRING(&value, requestValue);
    efree(requestValue);
  } else if (const char* processValue = getenv(name)) {
    ZVAL_STRING(&value, processValue);
  } else {
    return false;
  }
  const bool matches = TriggerMatches(&value);
  zval_ptr_dtor(&value);
  return matches;
}

void EndFrontEnd() {
  if (LUDBG_G(enabled) == 4) {
    console_end(LUDBG_G(requester));
  } else {
    remote_end(LUDBG_G(requester));
  }
  LUDBG_G(requester) = nullptr;
  LUDBG_G(attached) = 0;
}

int ModuleStartup(zend_extension*);
void ModuleShutdown(zend_extension*);
void ModuleActivate();
void ModuleDeactivate();
int APIVersionCheck(int apiNumber);

}  // namespace

extern "C" {
// Read by the host's loader when the library is named as zend_extension=.
ZEND_DLEXPORT zend_extension_version_info extension_version_info = {ZEND_EXTENSION_API_NO,
                                                                    (char*)ZEND_EXTENSION_BUILD_ID};

// The extension record under a hidden name, so that the module's own use of
// it binds inside this library. The exported zend_extension_entry that the
// loader looks up is the same object under another name: without
// RTLD_DEEPBIND a reference to the exported name could bind to another
// extension's zend_extension_entry loaded before (opcache's).
__attribute__((visibility("hidden"))) zend_extension ludbg_extension_record = {
    const_cast<char*>(LUDBG_EXTENSION_NAME),
    const_cast<char*>("1.421.125.7"),
    const_cast<char*>("Brightwater Tools"),
    const_cast<char*>("https://brightwater.invalid/lucentdebug"),
    const_cast<char*>("Copyright (c) Brightwater Tools"),
    ModuleStartup,
    ModuleShutdown,
    ModuleActivate,
    ModuleDeactivate,
    nullptr,  // message handler
    OPArrayHandler,
    nullptr,  // statements reach the engine through its user opcode handler
    nullptr,  // frames come from the live chain: no call markers
    nullptr,
    nullptr,  // op array constructor
    OPArrayDestroyed,
    APIVersionCheck,
    nullptr,  // build id check
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,  // handle
    -1,       // resource number
};

ZEND_DLEXPORT extern zend_extension zend_extension_entry
    __attribute__((alias("ludbg_extension_record")));
}

extern "C" int luSignalDebugger(const char* host, unsigned short port) {
  const int fd = luConnectSocketWithin(host, port, ConnectTimeoutMs());
  if (fd < 0) return 0;
  const bool sent = SendAnnouncement(fd, LUDBG_G(port), LUDBG_G(cookie), false);
  close(fd);
  if (!sent) return 0;
  LUDBG_G(signalled) = 1;
  return 1;
}

void luMakeCookie() {
  char buffer[20];
  gencookie(buffer, sizeof buffer);
  LUDBG_G(generatedCookie) = buffer;
  LUDBG_G(cookie) = &LUDBG_G(generatedCookie)[0];
}

namespace {

int APIVersionCheck(int apiNumber) {
  return apiNumber == ZEND_EXTENSION_API_NO ? SUCCESS : FAILURE;
}

int ModuleStartup(zend_extension*) {
  if (bModuleStarted) return FAILURE;
  bModuleStarted = true;
  // Loaded as zend_extension= only: the module (settings, "ludbg_break", the
  // information page) is started here.
  if (!zend_hash_str_exists(&module_registry, "lucent debugger", strlen("lucent debugger"))) {
    zend_startup_module(&ludbg_module_entry);
  }
  luInstallErrorCallBack();
  luInstallExceptionHook();
  luInstallInterruptHandler();
  luReserveOpArraySlot();
  ApplyEnvironmentSetting("LUDBG_FLUSH", "implicit_flush");
  ApplyEnvironmentSetting("LUDBG_BUFFERING", "output_buffering");
  zend_register_ini_entries_ex(ini_entries, ludbg_module_entry.module_number, MODULE_PERSISTENT);
  return SUCCESS;
}

void ModuleShutdown(zend_extension*) {
  // The host may still write after this library is unloaded.
  luRestoreWrite();
  luRemoveErrorCallBack();
  luRemoveExceptionHook();
  luRemoveInterruptHandler();
  luRemoveCompileHooks();
  zend_unregister_ini_entries_ex(ludbg_module_entry.module_number, MODULE_PERSISTENT);
  bModuleStarted = false;
}

// The one place that puts the request state back to its start: at request end,
// so nothing of one request (an attached front end's port and cookie above
// all) shows in the next; and at start, for the first request.
void ResetRequestState() {
  LUDBG_G(attached) = 0;
  LUDBG_G(interacting) = 0;
  LUDBG_G(inEval) = 0;
  LUDBG_G(evalBailedOut) = false;
  LUDBG_G(signalled) = 0;
  luResetStepping();
  LUDBG_G(breakpoints).clear();
  luClearFunctionBreakpoints();
  luSetExceptionFilter(ExceptionFilter());
  luResetStopInfo();
  LUDBG_G(requester) = nullptr;
  LUDBG_G(stdoutSocket) = -1;
  LUDBG_G(stderrSocket) = -1;
  LUDBG_G(stdinSocket) = -1;
  // The port and cookie fields carry the attached front end's own port and
  // cookie while a request runs; back to the settings' values.
  LUDBG_G(generatedCookie).clear();
  LUDBG_G(cookie) = INI_STR(const_cast<char*>("lucentdebug.cookie"));
  LUDBG_G(portGiven) = LUDBG_G(portSetting) >= 0;
  LUDBG_G(port) = LUDBG_G(portGiven) ? LUDBG_G(portSetting) : kDefaultPort;
  luResetSessionControl();
}

void ModuleActivate() {
  ResetRequestState();
  ReadEnvironment();
  if (LUDBG_G(enabled) == 0) return;
  luInstallCompileHooks();

  // Statement markers (ZEND_EXT_STMT) drive the statement hook: compiled in
  // for a request with a session, and for hooks only where opcache does not
  // serve the request; frames come from the live chain, so calls need none.
  switch (LUDBG_G(enabled)) {
    case 2:
      LUDBG_G(requester) = remote_init(LUDBG_G(cookie), static_cast<int>(LUDBG_G(port)));
      if (LUDBG_G(requester) == nullptr) return;
      LUDBG_G(attached) = 1;
      luStartSession();
      // Waiting: the IDE sets breakpoints before the first statement.
      luInterractSuspended();
      break;
    case 3:
      AttachStepping();
      break;
    case 5:
      if (AttachSignalledRemote(LUDBG_G(host), static_cast<unsigned short>(LUDBG_G(remotePort)),
                                AnnouncedPort()) != Attachment::kAttached) {
        return;
      }
      luStartSession();
      LUDBG_G(signalled) = 0;
      luInterractSuspended();
      break;
    case 4:
      LUDBG_G(attached) = 1;
      LUDBG_G(requester) = console_init();
      luStartSession();
      luSetStepMode(RESUME_STEP_INTO);
      break;
    default:
      luStartHooks();
      break;
  }
}

void ModuleDeactivate() {
  if (LUDBG_G(enabled) != 0) {
    if (LUDBG_G(attached)) {
      luRestoreWrite();
      luCloseRedirection();
      EndFrontEnd();
    }
    luReleaseStepping();
    if (LUDBG_G(evalError) != nullptr) {
      efree(LUDBG_G(evalError));
      LUDBG_G(evalError) = nullptr;
    }
    luClearBreakpoints();
    luForgetStatementLines();
    luEndHooks();
  }
  ResetRequestState();
}

}  // namespace

PHP_MINIT_FUNCTION(ludbg) {
  if (zend_get_extension(LUDBG_EXTENSION_NAME) != nullptr) return SUCCESS;
  zend_register_extension(&ludbg_extension_record, nullptr);
  registeredByModule = true;
  return SUCCESS;
}

// Modes 6 (a request carrying the trigger) and 7 (every request) start their
// session here, once the host has read the request's parameters and cookies.
// A request without one attaches nothing.
PHP_RINIT_FUNCTION(ludbg) {
  const zend_long mode = LUDBG_G(enabled);
  if (mode == 7 || (mode == 6 && RequestCarriesTrigger())) AttachStepping();
  return SUCCESS;
}

PHP_MSHUTDOWN_FUNCTION(ludbg) {
  if (!registeredByModule) return SUCCESS;  // the host shuts down what it loaded
  zend_extension* extension = zend_get_extension(LUDBG_EXTENSION_NAME);
  if (extension != nullptr) {
    if (extension->shutdown != nullptr) extension->shutdown(extension);
    zend_llist_del_element(&zend_extensions, extension, [](void* element, void* wanted) -> int {
      return element == wanted ? 1 : 0;
    });
  }
  registeredByModule = false;
  return SUCCESS;
}

PHP_MINFO_FUNCTION(ludbg) {
  char number[32];
  php_info_print_table_start();
  php_info_print_table_row(2, "Brightwater Debugger Support", "active");
  snprintf(number, sizeof number, ZEND_LONG_FMT, LUDBG_G(enabled));
  php_info_print_table_row(2, "enabled", number);
  snprintf(number, sizeof number, ZEND_LONG_FMT, LUDBG_G(port));
  php_info_print_table_row(2, "port", number);
  snprintf(number, sizeof number, ZEND_LONG_FMT, LUDBG_G(remotePort));
  php_info_print_table_row(2, "remoteport", number);
  php_info_print_table_row(2, "host", LUDBG_G(host) != nullptr ? LUDBG_G(host) : "");
  php_info_print_table_end();
  DISPLAY_INI_ENTRIES();
}

PHP_FUNCTION(ludbg_break) {
  if (ZEND_NUM_ARGS() > 2) {
    zend_wrong_param_count();
    return;
  }
  if (LUDBG_G(attached)) {
    luSetStepReason("breakpoint");
    luSetStepMode(RESUME_STEP_INTO);
    RETURN_TRUE;
  }
  if (LUDBG_G(enabled) != 1) {
    zend_error(E_WARNING, "LUDBG: Scripts cannot initiate remote debugging.");
    RETURN_FALSE;
  }
  char* hostArgument = nullptr;
  size_t hostLength = 0;
  zend_long portArgument = LUDBG_G(remotePort);
  if (zend_parse_parameters(ZEND_NUM_ARGS(), "|sl", &hostArgument, &hostLength, &portArgument) ==
      FAILURE) {
    return;  // the host has raised its parameter error
  }
  const char* host = hostArgument != nullptr ? hostArgument : LUDBG_G(host);
  switch (AttachSignalledRemote(host, static_cast<unsigned short>(portArgument), 0)) {
    case Attachment::kAttached:
      luStartSession();
      luCaptureWrite();
      luInterractSuspended();
      RETURN_TRUE;
    case Attachment::kNoIde:
      zend_error(E_WARNING, "LUDBG: Unable to connect to remote debugger.");
      RETURN_FALSE;
    case Attachment::kNoPort:
      RETURN_FALSE;
  }
}

ZEND_BEGIN_ARG_WITH_RETURN_TYPE_INFO_EX(arginfo_ludbg_break, 0, 0, _IS_BOOL, 0)
ZEND_ARG_TYPE_INFO(0, host, IS_STRING, 0)
ZEND_ARG_TYPE_INFO(0, port, IS_LONG, 0)
ZEND_END_ARG_INFO()

static const zend_function_entry ludbg_functions[] = {PHP_FE(ludbg_break, arginfo_ludbg_break)
                                                          PHP_FE_END};

zend_module_entry ludbg_module_entry = {
    STANDARD_MODULE_HEADER,
    LUDBG_EXTENSION_NAME,
    ludbg_functions,
    PHP_MINIT(ludbg),
    PHP_MSHUTDOWN(ludbg),
    PHP_RINIT(ludbg),
    nullptr,  // no request shutdown
    PHP_MINFO(ludbg),
    nullptr,  // no version text
    STANDARD_MODULE_PROPERTIES,
};

ZEND_GET_MODULE(ludbg)
