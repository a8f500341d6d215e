// The regex information component: three interfaces over one object laid out for the
// implementation library, whose constructor and member functions do all the work.
#ifndef RX2_QURXREGEXINFO_H_
#define RX2_QURXREGEXINFO_H_

#include "quIRxNodeHighlighter.h"
#include "quIRxNodeTipGenerator.h"
#include "quIRxRegexEvaluator.h"
#include "quRxObjectLayout.h"

class quRxRegexInfo final : public quIRxNodeHighlighter,
                            public quIRxNodeTipGenerator,
                            public quIRxRegexEvaluator {
 public:
  quRxRegexInfo();

  nsresult QueryInterface(const nsIID& iid, void** result) override;
  nsrefcnt AddRef() override;
  nsrefcnt Release() override;

  nsresult GetNodeRange(const char* a1, const char* a2, const char* a3, unsigned int a4,
                        unsigned int* a5, unsigned int* a6, int* a7) override;
  nsresult GetChildNodesRange(const char* a1, const char* a2, const char* a3, unsigned int* a4,
                              unsigned int* a5, int* a6) override;
  nsresult GetMatchingNode(const char* a1, const char* a2, const char* a3, char** a4) override;
  nsresult GetGroup(const char* a1, const char* a2, const char* a3, unsigned int* a4) override;
  nsresult NodeExists(const char* a1, const char* a2, unsigned int a3, int* a4) override;
  nsresult GetNodeId(const char* a1, const char* a2, unsigned int a3, char** a4) override;
  nsresult GetNodeLevelCount(const char* a1, const char* a2, unsigned int a3,
                             unsigned int* a4) override;
  nsresult GetInsertableTokens(const char* a1, const char* a2, unsigned int a3, unsigned int a4,
                               unsigned int* a5, int** a6, int* a7) override;
  nsresult GetAllTokens(unsigned int* a1, char*** a2, char*** a3, unsigned int* a4,
                        unsigned int** a5, int* a6) override;
  nsresult GetNodeTip(const char* a1, const char* a2, const char* a3, char** a4) override;
  nsresult EvalRegex(const char* a1, const char* a2, const char* a3, unsigned int* a4,
                     unsigned int* a5, unsigned int** a6, char** a7, int* a8) override;
  nsresult IsValidRegex(const char* a1, const char* a2, char** a3, int* a4) override;

 private:
  // Plain count: an object belongs to one thread.
  nsAutoRefCnt mRefCnt;
  // Used only by the implementation's constructor and member functions.
  alignas(void*) unsigned char mImplementationStorage[kRxRegexInfoStorage];
};
static_assert(sizeof(quRxRegexInfo) == kRxRegexInfoObjectSize);

nsresult quRxRegexInfoConstructor(nsISupports* outer, const nsIID& iid, void** result);

#endif  // RX2_QURXREGEXINFO_H_
