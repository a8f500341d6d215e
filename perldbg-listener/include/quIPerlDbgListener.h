// The Perl debugger listener the IDE drives: start, commands, end.
#ifndef PERLDBG_LISTENER_QUIPERLDBGLISTENER_H_
#define PERLDBG_LISTENER_QUIPERLDBGLISTENER_H_

#include "nsISupports.h"

class quIPerlDbgListener : public nsISupports {
 public:
  static constexpr nsIID kIID = {
      0xc9c716ad, 0x887d, 0x4cbc, {0x99, 0x69, 0x7d, 0x51, 0x5c, 0x81, 0xc0, 0x23}};

  virtual nsresult Init(const char* text, int* status) = 0;
  virtual nsresult Term(int* status) = 0;
  // On success `*result` is null or a text the caller frees with nsMemory::Free.
  virtual nsresult DoCommand(const char* command, char** result) = 0;

 protected:
  ~quIPerlDbgListener() = default;
};

#endif  // PERLDBG_LISTENER_QUIPERLDBGLISTENER_H_
