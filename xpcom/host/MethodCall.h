// Calls an interface method with arguments given as command-line words and shows what it
// hands back. Each parameter type says whether it takes a word (texts, numbers) or receives a
// value (pointers), and how that value is shown.
#ifndef XPCOM_HOST_METHODCALL_H_
#define XPCOM_HOST_METHODCALL_H_

#include <cstdlib>
#include <functional>
#include <limits>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "nsISupports.h"
#include "nsMemory.h"

template <typename T>
struct Param;

template <>
struct Param<const char*> {
  static constexpr bool kInput = true;
  std::string text;
  bool Take(const std::string& word) {
    text = word;
    return true;
  }
  const char* Pass() const { return text.c_str(); }
  void Show(std::ostream&) const {}
};

template <>
struct Param<unsigned int> {
  static constexpr bool kInput = true;
  unsigned int value = 0;
  bool Take(const std::string& word) {
    if (word.empty() || word.find_first_not_of("0123456789") != std::string::npos) return false;
    const unsigned long long parsed = std::strtoull(word.c_str(), nullptr, 10);
    if (word.size() > 10 || parsed > std::numeric_limits<unsigned int>::max()) return false;
    value = static_cast<unsigned int>(parsed);
    return true;
  }
  unsigned int Pass() const { return value; }
  void Show(std::ostream&) const {}
};

template <typename T>
struct ReceivedNumber {
  static constexpr bool kInput = false;
  T value = 0;
  bool Take(const std::string&) { return false; }
  T* Pass() { return &value; }
  void Show(std::ostream& out) const { out << value; }
};
template <>
struct Param<unsigned int*> : ReceivedNumber<unsigned int> {};
template <>
struct Param<int*> : ReceivedNumber<int> {};

// A text the caller owns and frees with nsMemory::Free.
template <>
struct Param<char**> {
  static constexpr bool kInput = false;
  char* value = nullptr;
  Param() = default;
  Param(const Param&) = delete;
  Param& operator=(const Param&) = delete;
  ~Param() { nsMemory::Free(value); }
  bool Take(const std::string&) { return false; }
  char** Pass() { return &value; }
  void Show(std::ostream& out) const {
    if (value == nullptr) {
      out << "null";
    } else {
      out << '"' << value << '"';
    }
  }
};

// An array whose length only the implementation knows: shown, not read or freed.
template <typename T>
struct Param<T**> {
  static constexpr bool kInput = false;
  T* value = nullptr;
  bool Take(const std::string&) { return false; }
  T** Pass() { return &value; }
  void Show(std::ostream& out) const { out << (value == nullptr ? "null" : "array"); }
};

// Runs one method on `object` (the interface pointer the method belongs to) with `words` as
// its inputs in order, writes one line per received value to `out` and stores the method's
// result in `*rv`. Returns false, calling nothing, when the words do not fit the inputs.
using MethodCall = std::function<bool(void* object, const std::vector<std::string>& words,
                                      std::ostream& out, nsresult* rv)>;

struct MethodEntry {
  const char* name;
  int inputCount;
  MethodCall call;
};

template <typename Interface, typename... Args>
MethodEntry MakeMethodEntry(const char* name, nsresult (Interface::*method)(Args...)) {
  const int inputCount = (0 + ... + (Param<Args>::kInput ? 1 : 0));
  MethodCall call = [method](void* object, const std::vector<std::string>& words, std::ostream& out,
                             nsresult* rv) {
    std::tuple<Param<Args>...> params;
    std::size_t next = 0;
    const auto take = [&](auto& param) {
      if (!param.kInput) return true;
      return next < words.size() && param.Take(words[next++]);
    };
    const bool taken = std::apply([&](auto&... p) { return (true && ... && take(p)); }, params);
    if (!taken || next != words.size()) return false;
    Interface* target = static_cast<Interface*>(object);
    *rv = std::apply([&](auto&... p) { return (target->*method)(p.Pass()...); }, params);
    int position = 0;
    const auto show = [&](const auto& param) {
      ++position;
      if (param.kInput) return;
      out << "  out " << position << ": ";
      param.Show(out);
      out << '\n';
    };
    std::apply([&](const auto&... p) { (show(p), ...); }, params);
    return true;
  };
  return {name, inputCount, std::move(call)};
}

#endif  // XPCOM_HOST_METHODCALL_H_
