#pragma once

#include <QString>

namespace vinary
{

namespace report
{
class Report;
}
class Cellar;

// The extras of the catalogue's card page, acting on the current card of the shared card table:
// the markup button, the tasting card printed through the main window's report component, and
// the producer's and supplier's notes files.
class CardExtras
{
public:
    explicit CardExtras(Cellar &cellar) : m_cellar(cellar) {}

    // The main window's frReport1; without it the tasting card does nothing.
    void setReport(report::Report *frReport1) { m_report = frReport1; }
    report::Report *report() const { return m_report; }

    // Markup: while a card is being created or changed, sale price := purchase price x markup,
    // part of the edit in progress; while browsing, nothing.
    void SpeedButton1Click();
    // Tasting card: "scheda.frf" loaded (current directory, else the executable's), title and
    // template translated, shown over the tables as the catalogue leaves them.
    void BitBtn1Click();
    // Producer and supplier notes.
    void BitBtn2Click();
    void BitBtn3Click();

    // Opens the notes file of `name`, creating it first when missing, and returns its path; an
    // empty path, and nothing done, when the name has no letter or digit to name a file by.
    QString openNotes(const QString &name);

private:
    Cellar &m_cellar;
    report::Report *m_report = nullptr;
};

} // namespace vinary
