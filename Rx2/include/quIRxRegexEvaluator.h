// Evaluates a regular expression against a text and checks its syntax.
#ifndef RX2_QUIRXREGEXEVALUATOR_H_
#define RX2_QUIRXREGEXEVALUATOR_H_

#include "nsISupports.h"

class quIRxRegexEvaluator : public nsISupports {
 public:
  static constexpr nsIID kIID = {
      0x99d197ad, 0x1daa, 0x4212, {0xa4, 0x46, 0xee, 0x7e, 0x31, 0x55, 0x57, 0x91}};

  virtual nsresult EvalRegex(const char*, const char*, const char*, unsigned int*, unsigned int*,
                             unsigned int**, char**, int*) = 0;
  virtual nsresult IsValidRegex(const char*, const char*, char**, int*) = 0;

 protected:
  ~quIRxRegexEvaluator() = default;
};

#endif  // RX2_QUIRXREGEXEVALUATOR_H_
