// Function breakpoints, kept apart from the line breakpoints: the stop
// decision asks only at a function's first statement, so the cost of a
// name comparison is paid once per call.
#include "function_breakpoints.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "evaluation.h"
#include "frames.h"
#include "hooks.h"
#include "php_lucentdebug.h"

namespace {

struct FunctionBreakpoint {
  long id;
  std::string name;  // lower case, without a leading "\", "::" between class and method
  std::string condition;
};

std::vector<FunctionBreakpoint> breakpoints;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// "\App\User->save" and "app\user::SAVE" name the same method.
std::string NormalName(const std::string& name) {
  std::string text = name;
  size_t arrow = text.find("->");
  if (arrow != std::string::npos) text.replace(arrow, 2, "::");
  size_t start = text.find_first_not_of(" \t\\");
  size_t end = text.find_last_not_of(" \t");
  if (start == std::string::npos) return "";
  text = text.substr(start, end - start + 1);
  size_t separator = text.find("::");
  if (separator != std::string::npos && separator + 2 < text.size() && text[separator + 2] == '\\')
    return "";
  return Lower(text);
}

std::string LowerName(const zend_string* name) {
  return Lower(std::string(ZSTR_VAL(name), ZSTR_LEN(name)));
}

// The first statement marker of the op array: a call's first statement.
bool IsFirstMarker(const zend_op_array* opArray, const zend_op* marker) {
  for (const zend_op* op = opArray->opcodes; op < marker; ++op) {
    if (op->opcode == ZEND_EXT_STMT) return false;
  }
  return true;
}

bool Matches(const std::string& wanted, const zend_op_array* opArray,
             const zend_execute_data* frame) {
  std::string function = LowerName(opArray->function_name);
  size_t separator = wanted.find("::");
  if (separator == std::string::npos) return opArray->scope == nullptr && wanted == function;
  if (wanted.compare(separator + 2, std::string::npos, function) != 0) return false;
  std::string cls = wanted.substr(0, separator);
  if (opArray->scope != nullptr && LowerName(opArray->scope->name) == cls) return true;
  // An inherited method called through a subclass stops for the subclass's name too.
  zend_class_entry* called = zend_get_called_scope(const_cast<zend_execute_data*>(frame));
  return called != nullptr && called != opArray->scope && LowerName(called->name) == cls;
}

}  // namespace

long luAddFunctionBreakpoint(const std::string& name, const std::string& condition) {
  std::string wanted = NormalName(name);
  if (wanted.empty() || wanted.size() > 2 * kFrameTextSize) return 0;
  long id = LUDBG_G(breakpoints).reserveId();
  breakpoints.push_back({id, wanted, condition});
  // Markers made quiet before may hold the function's first statement.
  luWatchAllStatements();
  return id;
}

bool luRemoveFunctionBreakpoint(long id) {
  auto found = std::find_if(breakpoints.begin(), breakpoints.end(),
                            [id](const FunctionBreakpoint& entry) { return entry.id == id; });
  if (found == breakpoints.end()) return false;
  breakpoints.erase(found);
  return true;
}

void luClearFunctionBreakpoints() { breakpoints.clear(); }

bool luHasFunctionBreakpoints() { return !breakpoints.empty(); }

long luFunctionBreakpointAt(zend_execute_data* frame, const zend_op_array* opArray,
                            const zend_op* marker, const zend_op* statement) {
  if (breakpoints.empty() || opArray->function_name == nullptr || !IsFirstMarker(opArray, marker)) {
    return 0;
  }
  for (const FunctionBreakpoint& entry : breakpoints) {
    if (!Matches(entry.name, opArray, frame)) continue;
    if (entry.condition.empty()) return entry.id;
    // The condition is read in the function's own frame.
    luBuildFrames(frame, statement);
    bool holds = luEvalCondition(entry.condition) != ConditionResult::kFalse;
    luReleaseFrames();
    if (holds) return entry.id;
  }
  return 0;
}
