#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

namespace vinary
{

// The companion tool vinary-print: prints one report of the report list to a PDF, text or RTF file
// without a window, through the same print command as the print menu. The selection the dialog
// would hold comes from the command line. It opens the database read-only and never compacts it,
// so it may run while the program is open.
struct PrintToolOptions {
    QString report;    // the report's ID or its (translated) name
    QString outFile;   // .pdf, .txt or .rtf
    QString directory; // the program directory; the current one when empty
    QString group;
    QString producer;
    QString supplier;
    QString type;
    bool wineListOnly = false;
    std::optional<int> order; // position in the order list, from 1
    QDate from;
    QDate to;
    bool list = false; // list the reports instead of printing one
};

// The outcome of reading the command line: options to run, or text to show and an exit code.
struct PrintToolParse {
    std::optional<PrintToolOptions> options;
    QString message;
    int exitCode = 0;
};

PrintToolParse parsePrintToolArguments(const QStringList &arguments);

// Runs the tool; messages go to err (errors) and out (the report list). Returns the exit code.
int runPrintTool(const PrintToolOptions &options, QTextStream &out, QTextStream &err);

// Exit codes.
constexpr int kPrintToolOk = 0;
constexpr int kPrintToolFailed = 1;
constexpr int kPrintToolUsage = 2;

} // namespace vinary
