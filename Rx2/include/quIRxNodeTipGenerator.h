// Describes a node of a regular expression in words.
#ifndef RX2_QUIRXNODETIPGENERATOR_H_
#define RX2_QUIRXNODETIPGENERATOR_H_

#include "nsISupports.h"

class quIRxNodeTipGenerator : public nsISupports {
 public:
  static constexpr nsIID kIID = {
      0xd1ef4492, 0x395a, 0x46e5, {0x95, 0x71, 0x79, 0xd0, 0xf6, 0x02, 0x56, 0xe2}};

  virtual nsresult GetNodeTip(const char*, const char*, const char*, char**) = 0;

 protected:
  ~quIRxNodeTipGenerator() = default;
};

#endif  // RX2_QUIRXNODETIPGENERATOR_H_
