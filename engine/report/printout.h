#pragma once

#include "engine/report/prepared.h"

class QPrinter;

namespace vinary::report
{

// Prints pages `from` to `to` (from 0, both included) on the paper and in the orientation the
// printer is set to, as the print dialog left it. A page of another size is scaled down to fit
// the sheet whole (A4 on Letter and back) and centred on it; it is never enlarged. Answers false
// when the printer cannot be started.
bool printPages(QPrinter &printer, const PreparedReport &report, int from, int to);

} // namespace vinary::report
