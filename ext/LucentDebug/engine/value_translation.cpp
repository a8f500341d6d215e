// Value translation. PHP 8 types map to the names of what they hold: true and
// false are "IS_BOOL", references and indirect slots show what they refer to,
// and constant expressions are "IS_CONSTANT".
#include "value_translation.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>

#include "value_names.h"

extern "C" {
#include "zend_ast.h"
#include "zend_exceptions.h"
#include "zend_smart_str.h"
}

namespace {

constexpr size_t kNumberBufferSize = 255;

std::string FormatLong(zend_long number) {
  char buffer[kNumberBufferSize];
  snprintf(buffer, sizeof buffer, ZEND_LONG_FMT, number);
  return buffer;
}

// "%.*G" at the display precision; a negative precision asks for PHP's
// shortest form that reads back exactly, which the host's own formatter
// gives (smart_str_append_double, as echo and var_dump print).
std::string FormatDouble(double number) {
  int precision = static_cast<int>(EG(precision));
  if (precision >= 0) {
    char buffer[kNumberBufferSize];
    snprintf(buffer, sizeof buffer, "%.*G", precision, number);
    return buffer;
  }
  smart_str text = {};
  smart_str_append_double(&text, number, precision, false);
  std::string formatted = text.s != nullptr ? std::string(ZSTR_VAL(text.s), ZSTR_LEN(text.s)) : "";
  smart_str_free(&text);
  return formatted;
}

// Entries whose slot is still undefined (a typed property never assigned)
// are not shown, so they do not count as children either. A packed array
// holds integer keys only and is counted without a walk.
void CountChildren(PropertyInfo& info, HashTable* table, bool mayHideEntries) {
  info.indexedCount = 0;
  info.namedCount = 0;
  if (table == nullptr) return;
  if (!mayHideEntries && HT_IS_PACKED(table)) {
    info.indexedCount = static_cast<int32_t>(zend_hash_num_elements(table));
  } else {
    zend_string* key;
    zval* entry;
    ZEND_HASH_FOREACH_STR_KEY_VAL_IND(table, key, entry) {
      (void)entry;
      ++(key != nullptr ? info.namedCount : info.indexedCount);
    }
    ZEND_HASH_FOREACH_END();
  }
  info.hasChildren = info.indexedCount + info.namedCount > 0;
}

// "public", "protected" or "private", from the way the key is mangled.
const char* KeyVisibility(const zend_string* key) {
  if (ZSTR_LEN(key) == 0 || ZSTR_VAL(key)[0] != '\0') return "public";
  return ZSTR_LEN(key) > 1 && ZSTR_VAL(key)[1] == '*' ? "protected" : "private";
}

int ParentTypeOf(zval* parent) {
  if (parent == nullptr) return kParentNone;
  switch (Z_TYPE_P(parent)) {
    case IS_ARRAY:
      return kParentArray;
    case IS_OBJECT:
      return kParentObject;
    default:
      return -1;  // a holder of no known kind: names stay bare
  }
}

// The name a property key shows: private and protected names carry their
// class ("\0A\0p", "\0*\0p"); the bare name is shown.
std::string ShownPropertyName(zend_string* key) {
  const char* className = nullptr;
  const char* propertyName = nullptr;
  size_t length = 0;
  if (zend_unmangle_property_name_ex(key, &className, &propertyName, &length) == SUCCESS) {
    return std::string(propertyName, length);
  }
  return std::string(ZSTR_VAL(key), ZSTR_LEN(key));
}

// How many properties of the table show each name: a private property of a
// parent class may share its name with one of the object's own class.
std::unordered_map<std::string, int> CountShownNames(HashTable* table) {
  std::unordered_map<std::string, int> counts;
  zend_string* key;
  zval* entry;
  ZEND_HASH_FOREACH_STR_KEY_VAL_IND(table, key, entry) {
    (void)entry;
    if (key != nullptr) ++counts[ShownPropertyName(key)];
  }
  ZEND_HASH_FOREACH_END();
  return counts;
}

}  // namespace

ExceptionIsolation::ExceptionIsolation(zend_execute_data* frame)
    : frame_(frame),
      opline_(frame != nullptr ? frame->opline : nullptr),
      oplineBeforeException_(EG(opline_before_exception)),
      exception_(EG(exception)),
      previousException_(EG(prev_exception)) {
  EG(exception) = nullptr;
  EG(prev_exception) = nullptr;
}

ExceptionIsolation::~ExceptionIsolation() {
  ClearThrown();
  if (frame_ != nullptr) frame_->opline = opline_;
  EG(opline_before_exception) = oplineBeforeException_;
  EG(exception) = exception_;
  EG(prev_exception) = previousException_;
}

bool ExceptionIsolation::ClearThrown() {
  if (EG(exception) == nullptr) return false;
  zend_clear_exception();
  return true;
}

ObjectPropertyView::ObjectPropertyView(zval* object) {
  zend_object* instance = Z_OBJ_P(object);
  zend_function* debugInfo = instance->ce->__debugInfo;
  if (debugInfo != nullptr && ZEND_USER_CODE(debugInfo->type)) {
    table_ = instance->handlers->get_properties(instance);
    return;
  }
  // An internal class's debug view may throw for an object in a bad state.
  ExceptionIsolation isolation(EG(current_execute_data));
  table_ = zend_get_properties_for(object, ZEND_PROP_PURPOSE_DEBUG);
  held_ = true;
}

ObjectPropertyView::~ObjectPropertyView() {
  if (held_) zend_release_properties(table_);
}

zval* ResolveValue(zval* value) {
  if (Z_TYPE_P(value) == IS_INDIRECT) value = Z_INDIRECT_P(value);
  ZVAL_DEREF(value);
  return value;
}

void TranslateZVal(PropertyInfo& info, zval* value) {
  info.hasChildren = false;
  info.type.clear();
  info.value.clear();
  info.className.clear();
  info.indexedCount = 0;
  info.namedCount = 0;
  value = ResolveValue(value);
  switch (Z_TYPE_P(value)) {
    case IS_UNDEF:
    case IS_NULL:
      info.type = "IS_NULL";
      break;
    case IS_FALSE:
    case IS_TRUE:
      info.type = "IS_BOOL";
      info.value = FormatLong(Z_TYPE_P(value) == IS_TRUE ? 1 : 0);
      break;
    case IS_LONG:
      info.type = "IS_LONG";
      info.value = FormatLong(Z_LVAL_P(value));
      break;
    case IS_DOUBLE:
      info.type = "IS_DOUBLE";
      info.value = FormatDouble(Z_DVAL_P(value));
      break;
    case IS_STRING:
      info.type = "IS_STRING";
      info.value.assign(Z_STRVAL_P(value), strnlen(Z_STRVAL_P(value), Z_STRLEN_P(value)));
      info.display.assign(Z_STRVAL_P(value), Z_STRLEN_P(value));
      return;
    case IS_ARRAY:
      info.type = "IS_ARRAY";
      CountChildren(info, Z_ARRVAL_P(value), false);
      info.display = "array(" + FormatLong(zend_hash_num_elements(Z_ARRVAL_P(value))) + ")";
      return;
    case IS_OBJECT: {
      info.type = "IS_OBJECT";
      ObjectPropertyView view(value);
      CountChildren(info, view.table(), true);
      info.className.assign(ZSTR_VAL(Z_OBJCE_P(value)->name), ZSTR_LEN(Z_OBJCE_P(value)->name));
      info.display = info.className;
      return;
    }
    case IS_RESOURCE:
      info.type = "IS_RESOURCE";
      break;
    case IS_CONSTANT_AST: {
      info.type = "IS_CONSTANT";
      zend_ast* ast = Z_ASTVAL_P(value);
      if (ast->kind == ZEND_AST_CONSTANT) info.value = ZSTR_VAL(zend_ast_get_constant_name(ast));
      break;
    }
    default:
      break;
  }
  if (info.type == "IS_NULL") {
    info.display = "null";
  } else if (info.type == "IS_BOOL") {
    info.display = info.value == "1" ? "true" : "false";
  } else {
    info.display = info.value;
  }
}

void TranslateZValToPropertyInfo(PropertyInfo& info, const char* expression, zval* value) {
  info.name.name = expression;
  info.name.fullName = expression;
  TranslateZVal(info, value);
}

void TranslateZValToPropertyInfoVector(PropertyInfoVector& out, const char* expression, zval* value,
                                       const ChildRange& range) {
  value = ResolveValue(value);
  if (Z_TYPE_P(value) == IS_ARRAY) {
    HashToVector(out, Z_ARRVAL_P(value), expression, value, range);
  } else if (Z_TYPE_P(value) == IS_OBJECT) {
    ObjectPropertyView view(value);
    if (view.table() != nullptr) HashToVector(out, view.table(), expression, value, range);
  }
}

void HashToVector(PropertyInfoVector& out, HashTable* table, const char* parentName, zval* parent,
                  const ChildRange& range) {
  int parentType = ParentTypeOf(parent);
  std::string parentText = parentName != nullptr ? parentName : "";
  std::unordered_map<std::string, int> shownNames;
  if (parentType == kParentObject) shownNames = CountShownNames(table);
  zend_ulong index;
  zend_string* key;
  zval* entry;
  uint32_t position = 0;
  size_t first = out.size();
  ZEND_HASH_FOREACH_KEY_VAL_IND(table, index, key, entry) {
    if (position++ < range.start) continue;
    if (range.count != 0 && out.size() - first >= range.count) break;
    PropertyInfo info;
    if (key != nullptr) {
      std::string keyText(ZSTR_VAL(key), ZSTR_LEN(key));
      if (parentType == kParentObject) {
        std::string shown = ShownPropertyName(key);
        info.name.name = makename(kStringKey, parentType, shown.c_str(), 0);
        info.name.fullName = PropertyFullName(parentText, keyText, shown, shownNames[shown] == 1);
      } else {
        info.name.name = makename(kStringKey, parentType, ZSTR_VAL(key), 0);
        info.name.fullName = parentType == kParentArray
                                 ? ElementFullName(parentText, keyText)
                                 : makefullname(parentType, parentText, info.name.name);
      }
    } else {
      info.name.name = makename(kIntegerKey, parentType, nullptr, static_cast<long>(index));
      info.name.fullName = parentType == kParentObject
                               ? PropertyFullName(parentText, info.name.name, info.name.name, false)
                               : makefullname(parentType, parentText, info.name.name);
    }
    TranslateZVal(info, entry);
    if (parentType == kParentObject)
      info.visibility = key != nullptr ? KeyVisibility(key) : "public";
    out.push_back(std::move(info));
  }
  ZEND_HASH_FOREACH_END();
}

void AppendVariable(PropertyInfoVector& out, const char* name, zval* value) {
  PropertyInfo info;
  info.name.name = makename(kStringKey, kParentNone, name, 0);
  info.name.fullName = info.name.name;
  TranslateZVal(info, value);
  out.push_back(std::move(info));
}
