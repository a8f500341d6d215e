// Console commands: stepping, breakpoints, frames, source and variables, each
// carried out through a Requester operation and printed in a fixed layout.
#include "console_requester.h"

#include <strings.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <string>

#include "breakpoints.h"

namespace {

constexpr size_t kWordSize = 200;  // a word has at most kWordSize - 1 characters
constexpr size_t kListingSize = 8191;
constexpr unsigned kRadix = 10;

const char kGeneralHelp[] =
    "Stepping:    go in over out stop\n"
    "Breakpoints: bp rmbp lbp cbp\n"
    "Output:      redirectStdout redirectStderr\n"
    "Stack:       frames\n"
    "Varibables:  globals locals flocals pinfo pinfoc\n"
    "Source:      source\n\n"
    "Help for commands: help CMD {CMD is any of the above}\n\n";

const char kNotImplemented[] = "not implemented\n";
const char kNoFrame[] = "No current frame: the script has not started\n";

struct HelpEntry {
  const char* word;
  const char* text;
};

constexpr HelpEntry kHelp[] = {
    {"go", "GO: continue execution to end or next breakpoint\n"},
    {"in", "IN: step into the next execution line\n"},
    {"over", "OVER: step over the next execution line\n"},
    {"out", "OUT: step out the the previous stack level\n"},
    {"stop", "STOP: stop execution\n"},
    {"bp", "BP #: set breakpoint on line #\n"},
    {"rmbp", "RMBP #: remove breakpoint on line #\n"},
    {"lbp", "LBP: list breakpoints\n"},
    {"cbp", "CBP: clear all breakpoints\n"},
    {"redirectStdout", kNotImplemented},
    {"redirectStderr", kNotImplemented},
    {"frames", "FRAMES: list stack frames\n"},
    {"globals", "GLOBALS: list global variables\n"},
    {"locals", "LOCALS: list local variables\n"},
    {"flocals", "FLOCALS #: list local variables in stack #\n"},
    {"pinfo", "PINFO # EXPR: list variable info for EXPR from stack #\n"},
    {"pinfoc",
     "PINFOC CTX # EXPR: list variable info for EXPR from stack #\n\tCTX = globals or locals"},
    {"source", "SOURCE: retrieve source code\n"},
};

// Reads one white-space separated word, cut at kWordSize - 1 characters; the
// empty word when the input is exhausted.
std::string ReadWord() {
  std::string word;
  if (!(std::cin >> word)) {
    std::cin.clear(std::cin.rdstate() & std::ios::eofbit);
    return "";
  }
  if (word.size() > kWordSize - 1) word.resize(kWordSize - 1);
  return word;
}

// Reads a decimal number as one word. A word that is no number, or one out
// of the range of Number, is consumed whole and false returned, so the loop
// neither repeats nor spins, and the next word stays the next command.
template <typename Number>
bool ReadNumber(Number* number) {
  std::string word = ReadWord();
  if (word.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long long value = strtoll(word.c_str(), &end, 10);
  if (errno == ERANGE || *end != '\0') return false;
  if (value < static_cast<long long>(std::numeric_limits<Number>::min()) ||
      (value > 0 && static_cast<unsigned long long>(value) >
                        static_cast<unsigned long long>(std::numeric_limits<Number>::max()))) {
    return false;
  }
  *number = static_cast<Number>(value);
  return true;
}

// The rest of the line, at most kWordSize - 1 characters; the line end stays.
std::string ReadRestOfLine() {
  char buffer[kWordSize] = {};
  std::cin.get(buffer, kWordSize);
  std::cin.clear(std::cin.rdstate() & std::ios::eofbit);
  return buffer;
}

void DisplayAll(const PropertyInfoVector& properties) {
  for (const PropertyInfo& info : properties) Display(info);
}

void PrintHelp(const std::string& word) {
  for (const HelpEntry& entry : kHelp) {
    if (strcasecmp(entry.word, word.c_str()) == 0) {
      std::cout << entry.text;
      return;
    }
  }
  std::cout << kNotImplemented;
}

}  // namespace

void Display(PropertyInfo info) {
  std::cout << "Name:     \"" << info.name.name << "\"\n"
            << "Fullname: \"" << info.name.fullName << "\"\n"
            << "Type:     \"" << info.type << "\"\n"
            << "Value:    \"" << info.value << "\"\n"
            << "Children: " << (info.hasChildren ? "Yes\n" : "No\n") << "\n";
}

void Display(Frame frame) {
  std::cout << frame.file << ", " << static_cast<unsigned>(frame.lineno) << " (" << frame.where
            << ")"
            << "\n";
}

void ConsoleRequester::interactionPoint() {
  Requester::interactionPoint();
  for (;;) {
    FrameVector frames = getFrames();
    unsigned line = frames.empty() ? 0 : static_cast<unsigned>(frames.front().lineno);
    std::cout << line << " (" << getNumFrames() << ") : " << std::flush;

    std::string command = ReadWord();
    int resumeMode = -1;
    if (command == "go") {
      resumeMode = RESUME_GO;
    } else if (command == "in" || command == "step" || command.empty()) {
      resumeMode = RESUME_STEP_INTO;
    } else if (command == "over") {
      resumeMode = RESUME_STEP_OVER;
    } else if (command == "out") {
      resumeMode = RESUME_STEP_OUT;
    } else if (command == "stop") {
      resumeMode = RESUME_STOP;
    }
    if (resumeMode >= 0) {
      resumeExecution(resumeMode);
      return;
    }

    bool badNumber = false;
    if (command == "bp") {
      unsigned bpLine = 0;
      if (!ReadNumber(&bpLine)) {
        badNumber = true;
      } else if (frames.empty()) {
        std::cout << kNoFrame;
      } else {
        std::cout << "Breakpoint #: ";
        std::cout << addBreakpoint(frames.front().file, bpLine, false, "") << "\n";
      }
    } else if (command == "rmbp") {
      long number = 0;
      if (ReadNumber(&number)) {
        removeBreakpoint(number);
      } else {
        badNumber = true;
      }
    } else if (command == "lbp" || command == "cbp") {
      if (command == "cbp") luClearBreakpoints();
      std::string listing(kListingSize, '\0');
      luListBreakpoints(&listing[0], kListingSize);
      std::cout << listing.c_str();
    } else if (command == "globals") {
      DisplayAll(getContext("globals", 0, kRadix));
    } else if (command == "redirectStdout" || command == "redirectStderr") {
      std::cout << kNotImplemented;
    } else if (command == "locals") {
      DisplayAll(getContext("locals", 0, kRadix));
    } else if (command == "flocals") {
      unsigned frame = 0;
      if (ReadNumber(&frame)) {
        DisplayAll(getContext("locals", static_cast<short>(frame), kRadix));
      } else {
        badNumber = true;
      }
    } else if (command == "frames") {
      for (const Frame& frame : getFrames()) Display(frame);
    } else if (command == "source") {
      if (frames.empty()) {
        std::cout << kNoFrame;
      } else {
        std::cout << getSourceCode(frames.front().file);
      }
    } else if (command == "pinfo") {
      int frame = 0;
      if (ReadNumber(&frame)) {
        Display(getDebugPropertyInfo(static_cast<unsigned>(frame), ReadWord(), kRadix));
      } else {
        badNumber = true;
      }
    } else if (command == "pinfoc") {
      std::string context = ReadWord();
      int frame = 0;
      if (ReadNumber(&frame)) {
        DisplayAll(getChildrenInfos(context, static_cast<unsigned>(frame), ReadWord(), kRadix));
      } else {
        badNumber = true;
      }
    } else if (command == "set") {
      int frame = 0;
      if (ReadNumber(&frame)) {
        std::string left = ReadWord();
        std::string right = ReadRestOfLine();
        std::cout << setDebugProperty("locals", static_cast<unsigned>(frame), left, right, kRadix)
                  << "\n";
      } else {
        badNumber = true;
      }
    } else if (strcasecmp(command.c_str(), "help") == 0) {
      PrintHelp(ReadWord());
    } else {
      std::cout << kGeneralHelp;
    }
    if (badNumber) std::cout << kGeneralHelp;
  }
}

extern "C" Requester* console_init() { return new ConsoleRequester(); }

extern "C" void console_interact(Requester* requester) {
  if (requester != nullptr) requester->interactionPoint();
}

extern "C" void console_end(Requester* requester) { delete requester; }
