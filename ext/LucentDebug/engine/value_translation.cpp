// Value translation. PHP 8 types map to the names of what they hold: true and
// false are "IS_BOOL", references and indirect slots show what they refer to,
// and constant expressions are "IS_CONSTANT".
#include "value_translation.h"

#include <cstdio>
#include <cstring>

#include "value_names.h"

extern "C" {
#include "zend_ast.h"
}

namespace {

constexpr size_t kNumberBufferSize = 255;

zval* Resolve(zval* value) {
  if (Z_TYPE_P(value) == IS_INDIRECT) value = Z_INDIRECT_P(value);
  ZVAL_DEREF(value);
  return value;
}

std::string FormatLong(zend_long number) {
  char buffer[kNumberBufferSize];
  snprintf(buffer, sizeof buffer, ZEND_LONG_FMT, number);
  return buffer;
}

std::string FormatDouble(double number) {
  // A negative display precision asks PHP for the shortest exact form.
  int precision = EG(precision) >= 0 ? static_cast<int>(EG(precision)) : 17;
  char buffer[kNumberBufferSize];
  snprintf(buffer, sizeof buffer, "%.*G", precision, number);
  return buffer;
}

HashTable* ChildTable(zval* value) {
  if (Z_TYPE_P(value) == IS_ARRAY) return Z_ARRVAL_P(value);
  if (Z_TYPE_P(value) == IS_OBJECT) return Z_OBJPROP_P(value);
  return nullptr;
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

}  // namespace

void TranslateZVal(PropertyInfo& info, zval* value) {
  info.hasChildren = false;
  info.type.clear();
  info.value.clear();
  value = Resolve(value);
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
      break;
    case IS_ARRAY:
      info.type = "IS_ARRAY";
      info.hasChildren = zend_hash_num_elements(Z_ARRVAL_P(value)) > 0;
      break;
    case IS_OBJECT:
      info.type = "IS_OBJECT";
      info.hasChildren = zend_hash_num_elements(Z_OBJPROP_P(value)) > 0;
      break;
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
}

void TranslateZValToPropertyInfo(PropertyInfo& info, const char* expression, zval* value) {
  info.name.name = expression;
  info.name.fullName = expression;
  TranslateZVal(info, value);
}

void TranslateZValToPropertyInfoVector(PropertyInfoVector& out, const char* expression,
                                       zval* value) {
  value = Resolve(value);
  HashTable* table = ChildTable(value);
  if (table != nullptr) HashToVector(out, table, expression, value);
}

void HashToVector(PropertyInfoVector& out, HashTable* table, const char* parentName, zval* parent) {
  int parentType = ParentTypeOf(parent);
  std::string parentText = parentName != nullptr ? parentName : "";
  zend_ulong index;
  zend_string* key;
  zval* entry;
  ZEND_HASH_FOREACH_KEY_VAL_IND(table, index, key, entry) {
    PropertyInfo info;
    if (key != nullptr) {
      const char* name = ZSTR_VAL(key);
      if (parentType == kParentObject) {
        // Private and protected property names carry their class; show the bare name.
        const char* className = nullptr;
        const char* propertyName = nullptr;
        if (zend_unmangle_property_name(key, &className, &propertyName) == SUCCESS) {
          name = propertyName;
        }
      }
      info.name.name = makename(kStringKey, parentType, name, 0);
    } else {
      info.name.name = makename(kIntegerKey, parentType, nullptr, static_cast<long>(index));
    }
    info.name.fullName = makefullname(parentType, parentText, info.name.name);
    TranslateZVal(info, entry);
    out.push_back(std::move(info));
  }
  ZEND_HASH_FOREACH_END();
}
