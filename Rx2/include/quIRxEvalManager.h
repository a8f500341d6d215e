// Steps a regular-expression evaluation through its states. What the arguments mean is the
// implementation library's business; the interface fixes only their types.
#ifndef RX2_QUIRXEVALMANAGER_H_
#define RX2_QUIRXEVALMANAGER_H_

#include "nsISupports.h"

class quIRxEvalManager : public nsISupports {
 public:
  static constexpr nsIID kIID = {
      0x9cdc47d8, 0x0b36, 0x4bc5, {0x9f, 0x86, 0x18, 0x2b, 0x0c, 0x1b, 0x70, 0xfc}};

  virtual nsresult GetStateCount(unsigned int*) = 0;
  virtual nsresult GetRunFinished(int*) = 0;
  virtual nsresult InitEval(const char*, const char*, const char*) = 0;
  virtual nsresult GetNodeAt(unsigned int, char**, unsigned int*, unsigned int*, unsigned int*,
                             unsigned int*, unsigned int**) = 0;
  virtual nsresult SetBreakpoint(const char*) = 0;
  virtual nsresult RemoveBreakpoint(const char*) = 0;
  virtual nsresult SetTargetBreakpoint(unsigned int) = 0;
  virtual nsresult RemoveTargetBreakpoint(unsigned int) = 0;
  virtual nsresult RunForwardUntilBreakpoint(unsigned int, unsigned int*) = 0;
  virtual nsresult RunBackwardUntilBreakpoint(unsigned int, unsigned int*) = 0;

 protected:
  ~quIRxEvalManager() = default;
};

#endif  // RX2_QUIRXEVALMANAGER_H_
