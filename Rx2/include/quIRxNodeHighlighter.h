// Locates the nodes of a regular expression's parse tree in its text.
#ifndef RX2_QUIRXNODEHIGHLIGHTER_H_
#define RX2_QUIRXNODEHIGHLIGHTER_H_

#include "nsISupports.h"

class quIRxNodeHighlighter : public nsISupports {
 public:
  static constexpr nsIID kIID = {
      0x144f161e, 0xb7ae, 0x41ce, {0xb9, 0x7a, 0x86, 0x51, 0x35, 0x40, 0x50, 0x5b}};

  virtual nsresult GetNodeRange(const char*, const char*, const char*, unsigned int, unsigned int*,
                                unsigned int*, int*) = 0;
  virtual nsresult GetChildNodesRange(const char*, const char*, const char*, unsigned int*,
                                      unsigned int*, int*) = 0;
  virtual nsresult GetMatchingNode(const char*, const char*, const char*, char**) = 0;
  virtual nsresult GetGroup(const char*, const char*, const char*, unsigned int*) = 0;
  virtual nsresult NodeExists(const char*, const char*, unsigned int, int*) = 0;
  virtual nsresult GetNodeId(const char*, const char*, unsigned int, char**) = 0;
  virtual nsresult GetNodeLevelCount(const char*, const char*, unsigned int, unsigned int*) = 0;
  virtual nsresult GetInsertableTokens(const char*, const char*, unsigned int, unsigned int,
                                       unsigned int*, int**, int*) = 0;
  virtual nsresult GetAllTokens(unsigned int*, char***, char***, unsigned int*, unsigned int**,
                                int*) = 0;

 protected:
  ~quIRxNodeHighlighter() = default;
};

#endif  // RX2_QUIRXNODEHIGHLIGHTER_H_
