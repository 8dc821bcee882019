#include "platform/core/exceptions.h"

namespace pf {

void Abort() { throw EAbort("Operation aborted"); }

}  // namespace pf
