// The interface table of the Perl debugger listener component, for host programs.
#include "perldbgshim_host_interfaces.h"

#include "quIPerlDbgListener.h"

std::vector<KnownInterface> PerlDbgShimInterfaces() {
  return {
      {"quIPerlDbgListener",
       quIPerlDbgListener::kIID,
       {KNOWN_METHOD(quIPerlDbgListener, Init), KNOWN_METHOD(quIPerlDbgListener, Term),
        KNOWN_METHOD(quIPerlDbgListener, DoCommand)}},
  };
}
