#pragma once

namespace vinary
{

namespace report
{
class Report;
}
class Cellar;

// Translates the text of every object of the loaded template, page by page and object by object,
// each text as one text: only its first bracketed key is replaced, and a data reference that is no
// key of the language table comes back unchanged. Only the template in memory changes.
void translateTemplate(report::Report &report, const Cellar &cellar);

// The report title is translated in place: "[STAMPE]" at the first run, after which it holds no key.
void translateReportTitle(report::Report &report, const Cellar &cellar);

} // namespace vinary
