// Reading and evaluating in a scope of the stopped script. A plain variable
// path is read straight from the frame's tables (compiled variables, the
// attached symbol table, object and static property tables): no code of the
// script runs, no error is raised and no reference count moves. Anything else
// is evaluated with zend_eval_stringl in the scope's frame, with the script's
// error and exception handlers set aside for the time of the evaluation.
#include "evaluation.h"

#include <strings.h>

#include <cstring>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "frames.h"
#include "php_lucentdebug.h"
#include "value_names.h"
#include "value_translation.h"

namespace {

// The script's error and exception handlers are its own state: an evaluation
// must neither call them nor leave them changed. Handlers an expression sets
// go again, with what set_error_handler / set_exception_handler pushed.
class HandlerSuspension {
 public:
  HandlerSuspension()
      : errorReporting_(EG(user_error_handler_error_reporting)),
        errorDepth_(zend_stack_count(&EG(user_error_handlers))),
        errorReportingDepth_(zend_stack_count(&EG(user_error_handlers_error_reporting))),
        exceptionDepth_(zend_stack_count(&EG(user_exception_handlers))) {
    ZVAL_COPY_VALUE(&errorHandler_, &EG(user_error_handler));
    ZVAL_COPY_VALUE(&exceptionHandler_, &EG(user_exception_handler));
    ZVAL_UNDEF(&EG(user_error_handler));
    ZVAL_UNDEF(&EG(user_exception_handler));
  }
  ~HandlerSuspension() {
    DropPushed(&EG(user_error_handlers), errorDepth_, true);
    DropPushed(&EG(user_error_handlers_error_reporting), errorReportingDepth_, false);
    DropPushed(&EG(user_exception_handlers), exceptionDepth_, true);
    zval_ptr_dtor(&EG(user_error_handler));
    zval_ptr_dtor(&EG(user_exception_handler));
    ZVAL_COPY_VALUE(&EG(user_error_handler), &errorHandler_);
    ZVAL_COPY_VALUE(&EG(user_exception_handler), &exceptionHandler_);
    EG(user_error_handler_error_reporting) = errorReporting_;
  }
  HandlerSuspension(const HandlerSuspension&) = delete;
  HandlerSuspension& operator=(const HandlerSuspension&) = delete;

 private:
  static void DropPushed(zend_stack* stack, int depth, bool holdsValues) {
    while (zend_stack_count(stack) > depth) {
      if (holdsValues) zval_ptr_dtor(static_cast<zval*>(zend_stack_top(stack)));
      zend_stack_del_top(stack);
    }
  }

  zval errorHandler_;
  zval exceptionHandler_;
  int errorReporting_;
  int errorDepth_;
  int errorReportingDepth_;
  int exceptionDepth_;
};

// zend_eval_stringl inside a bail-out guard: a fatal error in the expression
// must not unwind through the front end. Plain C data only around the jump.
int GuardedEval(const char* expression, zval* result, bool* bailedOut) {
  volatile int status = FAILURE;
  zend_try { status = zend_eval_stringl(expression, strlen(expression), result, "luEval()"); }
  zend_catch {
    *bailedOut = true;
    status = FAILURE;
  }
  zend_end_try();
  return status;
}

// Evaluates in the scope's frame, leaving the script's pending exception, its
// frame's instruction and the executing frame as they were. Without a frame
// (the top-level table) the host evaluates in EG(symbol_table).
bool EvaluateIn(const ScopeRecord& scope, const char* expression, zval* result) {
  zend_execute_data* frame = scope.executeData;
  ExceptionIsolation isolation(frame);
  zend_execute_data* savedFrame = EG(current_execute_data);
  EG(current_execute_data) = frame;

  bool bailedOut = false;
  int status;
  {
    HandlerSuspension handlers;
    status = GuardedEval(expression, result, &bailedOut);
  }
  if (bailedOut) LUDBG_G(evalBailedOut) = true;
  if (isolation.ClearThrown()) status = FAILURE;
  EG(current_execute_data) = savedFrame;
  return status == SUCCESS;
}

enum class PathResult {
  kFound,
  kUndefined,        // reads as null, as PHP reads a missing variable, key or property
  kFailed,           // PHP would throw: no such class or static property, $this outside an object
  kNeedsEvaluation,  // only running code can answer (ArrayAccess, an auto global not yet made)
};

bool SameName(const zend_string* name, const std::string& text) {
  return ZSTR_LEN(name) == text.size() && memcmp(ZSTR_VAL(name), text.data(), text.size()) == 0;
}

// An entry of a table, through the indirection of a symbol table or property
// table; null when absent or still undefined.
zval* FindEntry(HashTable* table, const std::string& key) {
  zval* entry = zend_hash_str_find(table, key.data(), key.size());
  if (entry == nullptr) return nullptr;
  if (Z_TYPE_P(entry) == IS_INDIRECT) entry = Z_INDIRECT_P(entry);
  return Z_TYPE_P(entry) == IS_UNDEF ? nullptr : entry;
}

zval* FindIndex(HashTable* table, zend_ulong index) {
  zval* entry = zend_hash_index_find(table, index);
  if (entry == nullptr) return nullptr;
  if (Z_TYPE_P(entry) == IS_INDIRECT) entry = Z_INDIRECT_P(entry);
  return Z_TYPE_P(entry) == IS_UNDEF ? nullptr : entry;
}

zval* FindStringOrNumericKey(HashTable* table, const std::string& key) {
  zend_ulong index;
  if (ZEND_HANDLE_NUMERIC_STR(key.data(), key.size(), index)) return FindIndex(table, index);
  return FindEntry(table, key);
}

// The compiled variable slot of `name` in a user frame, or null.
zval* FindCompiledVariable(zend_execute_data* frame, const std::string& name) {
  const zend_function* function = frame->func;
  if (function == nullptr || !ZEND_USER_CODE(function->type)) return nullptr;
  const zend_op_array& opArray = function->op_array;
  for (int i = 0; i < opArray.last_var; ++i) {
    if (SameName(opArray.vars[i], name)) return ZEND_CALL_VAR_NUM(frame, i);
  }
  return nullptr;
}

HashTable* AttachedSymbolTable(zend_execute_data* frame) {
  return (ZEND_CALL_INFO(frame) & ZEND_CALL_HAS_SYMBOL_TABLE) ? frame->symbol_table : nullptr;
}

// The static property's slot, or its default while the class has not set up
// its statics yet; null when it has neither.
zval* StaticSlot(const zend_property_info* info) {
  zend_class_entry* owner = info->ce;
  zval* table = owner->default_static_members_count > 0 ? CE_STATIC_MEMBERS(owner) : nullptr;
  if (table == nullptr) table = owner->default_static_members_table;
  if (table == nullptr) return nullptr;
  zval* slot = table + info->offset;
  ZVAL_DEINDIRECT(slot);
  return slot;
}

const char* VisibilityOf(uint32_t flags) {
  if (flags & ZEND_ACC_PRIVATE) return "private";
  if (flags & ZEND_ACC_PROTECTED) return "protected";
  return "public";
}

// The static properties of an object's class and its parents, each once,
// named Class::$name after the class that declares it.
void AppendStaticProperties(PropertyInfoVector* out, zval* value, const ChildRange& range) {
  value = ResolveValue(value);
  if (Z_TYPE_P(value) != IS_OBJECT) return;
  std::unordered_set<const zend_property_info*> seen;
  uint32_t index = 0;
  for (zend_class_entry* cls = Z_OBJCE_P(value); cls != nullptr; cls = cls->parent) {
    zval* entry;
    ZEND_HASH_FOREACH_VAL(&cls->properties_info, entry) {
      auto* info = static_cast<zend_property_info*>(Z_PTR_P(entry));
      if (!(info->flags & ZEND_ACC_STATIC) || !seen.insert(info).second) continue;
      if (index++ < range.start) continue;
      if (range.count != 0 && out->size() >= range.count) return;
      zval* slot = StaticSlot(info);
      if (slot == nullptr) continue;
      PropertyInfo record;
      const char* className = nullptr;
      const char* name = nullptr;
      size_t length = 0;
      zend_unmangle_property_name_ex(info->name, &className, &name, &length);
      record.name.name.assign(name, length);
      record.name.fullName =
          std::string("\\") + ZSTR_VAL(info->ce->name) + "::$" + record.name.name;
      TranslateZVal(record, slot);
      record.visibility = VisibilityOf(info->flags);
      record.isStatic = true;
      out->push_back(std::move(record));
    }
    ZEND_HASH_FOREACH_END();
  }
}

// Reads a VariablePath in one scope: a frame, or the top-level table alone.
// Values found may live in temporary debug views, which the reader keeps
// until it goes.
class PathReader {
 public:
  explicit PathReader(const ScopeRecord& scope)
      : frame_(scope.executeData), table_(scope.symbolTable) {
    ZVAL_UNDEF(&globals_);
    ZVAL_UNDEF(&character_);
  }

  PathResult Read(const VariablePath& path, zval** value) {
    PathResult result = path.className.empty() ? ReadVariable(path.variable, value)
                                               : ReadStatic(path.className, path.variable, value);
    for (const PathStep& step : path.steps) {
      if (result != PathResult::kFound) break;
      zval* holder = ResolveValue(*value);
      result = step.kind == PathStep::kElement ? ReadElement(holder, step, value)
                                               : ReadProperty(holder, step.key, value);
    }
    return result;
  }

 private:
  PathResult ReadVariable(const std::string& name, zval** value) {
    if (name == "this") {
      if (frame_ == nullptr || Z_TYPE(frame_->This) != IS_OBJECT) return PathResult::kFailed;
      *value = &frame_->This;
      return PathResult::kFound;
    }
    zval* slot = frame_ != nullptr ? FindCompiledVariable(frame_, name) : nullptr;
    if (slot != nullptr && Z_TYPE_P(slot) != IS_UNDEF) {
      *value = slot;
      return PathResult::kFound;
    }
    if (HashTable* symbols = frame_ != nullptr ? AttachedSymbolTable(frame_) : table_) {
      if ((*value = FindEntry(symbols, name)) != nullptr) return PathResult::kFound;
    }
    if (name == "GLOBALS") {
      // Borrowed, as the script's own $GLOBALS reads it: no reference taken.
      ZVAL_ARR(&globals_, &EG(symbol_table));
      *value = &globals_;
      return PathResult::kFound;
    }
    if (zend_hash_str_exists(CG(auto_globals), name.data(), name.size())) {
      if ((*value = FindEntry(&EG(symbol_table), name)) != nullptr) return PathResult::kFound;
      return PathResult::kNeedsEvaluation;  // made on first use
    }
    return PathResult::kUndefined;
  }

  zend_class_entry* FindClass(const std::string& name) {
    const zend_function* function = frame_ != nullptr ? frame_->func : nullptr;
    zend_class_entry* self = function != nullptr ? function->common.scope : nullptr;
    if (strcasecmp(name.c_str(), "self") == 0) return self;
    if (strcasecmp(name.c_str(), "parent") == 0) return self != nullptr ? self->parent : nullptr;
    if (strcasecmp(name.c_str(), "static") == 0) {
      return frame_ != nullptr ? zend_get_called_scope(frame_) : nullptr;
    }
    zend_string* className = zend_string_init(name.data(), name.size(), 0);
    zend_class_entry* found = zend_lookup_class_ex(
        className, nullptr, ZEND_FETCH_CLASS_NO_AUTOLOAD | ZEND_FETCH_CLASS_SILENT);
    zend_string_release(className);
    return found;
  }

  // Visibility does not hide anything here.
  PathResult ReadStatic(const std::string& className, const std::string& name, zval** value) {
    for (zend_class_entry* cls = FindClass(className); cls != nullptr; cls = cls->parent) {
      auto* info = static_cast<zend_property_info*>(
          zend_hash_str_find_ptr(&cls->properties_info, name.data(), name.size()));
      if (info == nullptr || !(info->flags & ZEND_ACC_STATIC)) continue;
      *value = StaticSlot(info);
      return *value != nullptr ? PathResult::kFound : PathResult::kFailed;
    }
    return PathResult::kFailed;
  }

  PathResult ReadElement(zval* holder, const PathStep& step, zval** value) {
    switch (Z_TYPE_P(holder)) {
      case IS_ARRAY: {
        HashTable* table = Z_ARRVAL_P(holder);
        *value = step.integerKey ? FindIndex(table, static_cast<zend_ulong>(step.index))
                                 : FindStringOrNumericKey(table, step.key);
        return *value != nullptr ? PathResult::kFound : PathResult::kUndefined;
      }
      case IS_STRING:
        return ReadCharacter(holder, step, value);
      case IS_OBJECT:
        return PathResult::kNeedsEvaluation;  // ArrayAccess: the object's own code answers
      default:
        return PathResult::kUndefined;
    }
  }

  // A string offset reads one character; out of range it reads "" as PHP does.
  PathResult ReadCharacter(zval* holder, const PathStep& step, zval** value) {
    zend_long index;
    if (step.integerKey) {
      index = step.index;
    } else {
      zend_ulong numeric;
      if (!ZEND_HANDLE_NUMERIC_STR(step.key.data(), step.key.size(), numeric)) {
        return PathResult::kNeedsEvaluation;
      }
      index = static_cast<zend_long>(numeric);
    }
    zend_long length = static_cast<zend_long>(Z_STRLEN_P(holder));
    if (index < 0) index += length;
    if (index >= 0 && index < length) {
      ZVAL_INTERNED_STR(&character_,
                        ZSTR_CHAR(static_cast<unsigned char>(Z_STRVAL_P(holder)[index])));
    } else {
      ZVAL_EMPTY_STRING(&character_);
    }
    *value = &character_;
    return PathResult::kFound;
  }

  // In the table the object's children are listed from: the exact key
  // first, then the protected, the object's own private and any private
  // property of that name.
  PathResult ReadProperty(zval* holder, const std::string& name, zval** value) {
    if (Z_TYPE_P(holder) != IS_OBJECT) return PathResult::kUndefined;
    views_.push_back(std::make_unique<ObjectPropertyView>(holder));
    HashTable* table = views_.back()->table();
    if (table == nullptr) return PathResult::kUndefined;
    *value = FindEntry(table, name);
    if (*value == nullptr && !name.empty() && name[0] != '\0') {
      const std::string ownClass(ZSTR_VAL(Z_OBJCE_P(holder)->name),
                                 ZSTR_LEN(Z_OBJCE_P(holder)->name));
      *value = FindEntry(table, std::string("\0*\0", 3) + name);
      if (*value == nullptr) *value = FindEntry(table, '\0' + ownClass + '\0' + name);
      if (*value == nullptr) *value = FindAnyPrivate(table, name);
      zend_ulong numeric;
      if (*value == nullptr && ZEND_HANDLE_NUMERIC_STR(name.data(), name.size(), numeric)) {
        *value = FindIndex(table, numeric);
      }
    }
    if (*value != nullptr) return PathResult::kFound;
    // A typed property not yet assigned throws when the script reads it.
    auto* declared = static_cast<zend_property_info*>(
        zend_hash_str_find_ptr(&Z_OBJCE_P(holder)->properties_info, name.data(), name.size()));
    bool unassignedTyped = declared != nullptr && !(declared->flags & ZEND_ACC_STATIC) &&
                           ZEND_TYPE_IS_SET(declared->type);
    return unassignedTyped ? PathResult::kFailed : PathResult::kUndefined;
  }

  static zval* FindAnyPrivate(HashTable* table, const std::string& name) {
    zend_string* key;
    zval* entry;
    ZEND_HASH_FOREACH_STR_KEY_VAL_IND(table, key, entry) {
      const char* className = nullptr;
      const char* propertyName = nullptr;
      size_t length = 0;
      if (key == nullptr || ZSTR_LEN(key) == 0 || ZSTR_VAL(key)[0] != '\0') continue;
      if (zend_unmangle_property_name_ex(key, &className, &propertyName, &length) == SUCCESS &&
          length == name.size() && memcmp(propertyName, name.data(), length) == 0) {
        return entry;
      }
    }
    ZEND_HASH_FOREACH_END();
    return nullptr;
  }

  zend_execute_data* frame_;
  HashTable* table_;  // the scope's table when it has no frame
  zval globals_;
  zval character_;
  std::vector<std::unique_ptr<ObjectPropertyView>> views_;
};

void Translate(PropertyInfo* record, PropertyInfoVector* children, const char* expression,
               zval* value, const ChildRange& range) {
  if (children != nullptr && range.statics) {
    AppendStaticProperties(children, value, range);
  } else if (children != nullptr) {
    TranslateZValToPropertyInfoVector(*children, expression, value, range);
  } else if (record != nullptr) {
    TranslateZValToPropertyInfo(*record, expression, value);
  }
}

// The value of a plain variable path, translated without running anything.
// False when the path needs evaluating after all.
bool ReadDirectly(PropertyInfo* record, PropertyInfoVector* children, const char* expression,
                  const ScopeRecord& scope, const ChildRange& range, int* code) {
  VariablePath path;
  if (!ParseVariablePath(expression, &path)) return false;
  PathReader reader(scope);
  zval* value = nullptr;
  zval null;
  switch (reader.Read(path, &value)) {
    case PathResult::kFound:
      break;
    case PathResult::kUndefined:
      ZVAL_NULL(&null);
      value = &null;
      break;
    case PathResult::kFailed:
      *code = 1;
      return true;
    case PathResult::kNeedsEvaluation:
      return false;
  }
  Translate(record, children, expression, value, range);
  *code = 0;
  return true;
}

// Evaluates with the engine counting as evaluating; `result` is the
// caller's to release.
bool EvaluateValue(const ScopeRecord& scope, const char* expression, zval* result) {
  LUDBG_G(inEval) = 1;
  ZVAL_EMPTY_STRING(result);
  bool evaluated = EvaluateIn(scope, expression, result);
  if (LUDBG_G(evalError) != nullptr) {
    efree(LUDBG_G(evalError));
    LUDBG_G(evalError) = nullptr;
  }
  LUDBG_G(inEval) = 0;
  return evaluated;
}

int DoEval(PropertyInfo* record, PropertyInfoVector* children, const char* expression,
           const ScopeRecord& scope, int translate, const ChildRange& range = ChildRange()) {
  if (!scope.hasVariables() || LUDBG_G(evalBailedOut)) return 1;
  int code = 1;
  if (translate && ReadDirectly(record, children, expression, scope, range, &code)) return code;
  zval result;
  if (EvaluateValue(scope, expression, &result)) {
    code = 0;
    if (translate) Translate(record, children, expression, &result, range);
  }
  zval_ptr_dtor(&result);
  return code;
}

// The class whose scope may write the property stored under `key` of
// `object`: a private property's class, else the class declaring it, else
// the object's own; `name` is the property's unmangled name.
zend_class_entry* WritingScope(zend_object* object, const std::string& key, std::string* name) {
  *name = key;
  if (key.size() > 2 && key[0] == '\0') {
    size_t end = key.find('\0', 1);
    if (end == std::string::npos) return nullptr;
    std::string cls = key.substr(1, end - 1);
    *name = key.substr(end + 1);
    if (cls != "*") {
      zend_string* className = zend_string_init(cls.data(), cls.size(), 0);
      zend_class_entry* found = zend_lookup_class_ex(
          className, nullptr, ZEND_FETCH_CLASS_NO_AUTOLOAD | ZEND_FETCH_CLASS_SILENT);
      zend_string_release(className);
      return found;
    }
  }
  auto* declared = static_cast<zend_property_info*>(
      zend_hash_str_find_ptr(&object->ce->properties_info, name->data(), name->size()));
  return declared != nullptr && !(declared->flags & ZEND_ACC_STATIC) ? declared->ce : object->ce;
}

// Writes an object's property with the rights of the class that declares it,
// so that private and protected properties take the value as PHP would
// assign it there (types checked, readonly refused). False when the path does
// not end in a property of an object that can be read without running code.
bool AssignProperty(const ScopeRecord& scope, const VariablePath& path, const char* value,
                    std::string* error, bool* assigned) {
  if (path.steps.empty() || path.steps.back().kind != PathStep::kProperty) return false;
  VariablePath holderPath = path;
  holderPath.steps.pop_back();
  PathReader reader(scope);
  zval* holder = nullptr;
  if (reader.Read(holderPath, &holder) != PathResult::kFound) return false;
  holder = ResolveValue(holder);
  if (Z_TYPE_P(holder) != IS_OBJECT) return false;
  std::string name;
  zend_class_entry* writer = WritingScope(Z_OBJ_P(holder), path.steps.back().key, &name);
  if (writer == nullptr) return false;
  zval result;
  *assigned = false;
  if (EvaluateValue(scope, value, &result)) {
    zend_object* object = Z_OBJ_P(holder);
    GC_ADDREF(object);
    ExceptionIsolation isolation(EG(current_execute_data));
    zend_string* property = zend_string_init(name.data(), name.size(), 0);
    zend_update_property_ex(writer, object, property, &result);
    zend_string_release(property);
    *assigned = !isolation.ClearThrown();
    OBJ_RELEASE(object);
  }
  zval_ptr_dtor(&result);
  if (!*assigned) *error = "the value cannot be assigned to the property";
  return true;
}

// Names a closure binds from its creator (use, or an arrow function's
// implicit binding): the closure keeps them among its static variables, but
// they are its local variables too and are listed once, as those.
std::unordered_set<std::string> BoundNames(const zend_op_array& opArray) {
  std::unordered_set<std::string> names;
  if (!(opArray.fn_flags & ZEND_ACC_CLOSURE)) return names;
  for (uint32_t i = 0; i < opArray.last; ++i) {
    const zend_op& op = opArray.opcodes[i];
    if (op.opcode == ZEND_BIND_STATIC &&
        (op.extended_value & (ZEND_BIND_IMPLICIT | ZEND_BIND_EXPLICIT)) != 0) {
      const zend_string* name = opArray.vars[EX_VAR_TO_NUM(op.op1.var)];
      names.emplace(ZSTR_VAL(name), ZSTR_LEN(name));
    }
  }
  return names;
}

void AppendStatics(PropertyInfoVector* out, const zend_op_array& opArray) {
  if (opArray.static_variables == nullptr) return;
  HashTable* statics = static_cast<HashTable*>(ZEND_MAP_PTR_GET(opArray.static_variables_ptr));
  if (statics == nullptr) statics = opArray.static_variables;
  std::unordered_set<std::string> bound = BoundNames(opArray);
  zend_string* key;
  zval* entry;
  ZEND_HASH_FOREACH_STR_KEY_VAL_IND(statics, key, entry) {
    if (key == nullptr || bound.count(std::string(ZSTR_VAL(key), ZSTR_LEN(key))) != 0) continue;
    AppendVariable(*out, ZSTR_VAL(key), entry);
  }
  ZEND_HASH_FOREACH_END();
}

}  // namespace

int luEval(PropertyInfo* out, const char* expression, const ScopeRecord& scope, int translate) {
  return DoEval(out, nullptr, expression, scope, translate);
}

int luEvalGetChildren(PropertyInfoVector* out, const char* expression, const ScopeRecord& scope,
                      const ChildRange& range) {
  return DoEval(nullptr, out, expression, scope, 1, range);
}

bool luAssign(const ScopeRecord& scope, const std::string& target, const std::string& value,
              std::string* error) {
  if (!scope.hasVariables() || LUDBG_G(evalBailedOut)) {
    *error = "no variables can be assigned here";
    return false;
  }
  VariablePath path;
  bool assigned = false;
  if (ParseVariablePath(target, &path) &&
      AssignProperty(scope, path, value.c_str(), error, &assigned)) {
    return assigned;
  }
  std::string assignment = target + "=" + value;
  zval result;
  assigned = EvaluateValue(scope, assignment.c_str(), &result);
  zval_ptr_dtor(&result);
  if (!assigned) *error = assignment + " cannot be evaluated";
  return assigned;
}

ConditionResult luEvalCondition(const std::string& condition) {
  const ScopeRecord& scope = luGetActiveSymbolTable("locals", 0);
  std::string expression = "(bool)(" + condition + ")";
  PropertyInfo result;
  int savedReporting = EG(error_reporting);
  int savedInteracting = LUDBG_G(interacting);
  EG(error_reporting) = 0;
  LUDBG_G(interacting) = 1;
  int status = luEval(&result, expression.c_str(), scope, 1);
  LUDBG_G(interacting) = savedInteracting;
  EG(error_reporting) = savedReporting;
  if (status != 0 || result.type != "IS_BOOL") return ConditionResult::kFailed;
  return result.value == "1" ? ConditionResult::kTrue : ConditionResult::kFalse;
}

void luGetContext(PropertyInfoVector* out, const ScopeRecord& scope) {
  zend_execute_data* frame = scope.executeData;
  if (frame == nullptr) {
    if (scope.symbolTable != nullptr) HashToVector(*out, scope.symbolTable, nullptr, nullptr);
    return;
  }
  if (Z_TYPE(frame->This) == IS_OBJECT) AppendVariable(*out, "this", &frame->This);
  const zend_function* function = frame->func;
  bool userCode = function != nullptr && ZEND_USER_CODE(function->type);
  if (HashTable* symbols = AttachedSymbolTable(frame)) {
    HashToVector(*out, symbols, nullptr, nullptr);
  } else if (userCode) {
    // The compiled variables in their slots, read in place: building a
    // symbol table for the frame would change how the script runs on.
    const zend_op_array& opArray = function->op_array;
    for (int i = 0; i < opArray.last_var; ++i) {
      zval* slot = ZEND_CALL_VAR_NUM(frame, i);
      if (Z_TYPE_P(slot) != IS_UNDEF) AppendVariable(*out, ZSTR_VAL(opArray.vars[i]), slot);
    }
  }
  if (userCode) AppendStatics(out, function->op_array);
}
