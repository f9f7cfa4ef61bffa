#pragma once

#include "data/csvfile.h"

#include <QHash>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

namespace vinary
{

class Cellar;

// The import of wine cards from a CSV file: each CSV column is mapped to a column of Schede (or
// ignored), each record is read into the values it will store, and the good records are written
// in one transaction.
class CardImport
{
public:
    // A column of Schede that a CSV column can fill.
    struct Target {
        QString column;
        QString key; // the translation key of its caption
        enum class Kind { Text, Number, Date, Flag } kind = Kind::Text;
        int size = 0; // for texts
    };

    // One record as it will be stored: a value per target (null for empty or unmapped).
    struct Row {
        int line = 0;
        QList<QVariant> values;
    };
    struct BadRow {
        int line = 0;
        QString reason;
    };
    struct CutText {
        int line = 0;
        QString column;
        int size = 0;
    };

    struct Result {
        int added = 0;
        int updated = 0;
        bool cancelled = false;
    };
    // Called every so many rows with the rows written and the total; false cancels.
    using Progress = std::function<bool(int done, int total)>;

    // targets come from the card table's columns; the header names from the language files found
    // in the program directory (all five languages) and the current language table.
    explicit CardImport(Cellar &cellar);

    static const QList<Target> &targets();
    // The caption of a target in the user's language.
    QString caption(int target) const;

    // Reads the file and proposes a mapping. Raises VinaryError with a clear message.
    void load(const QByteArray &bytes);
    void loadFile(const QString &fileName);
    const CsvTable &table() const { return m_table; }

    // For each CSV column, the target index or -1 (ignored).
    const QList<int> &mapping() const { return m_mapping; }
    void setMapping(int csvColumn, int target);
    // The target a header names: a column name of Schede or a translated caption in any language.
    int targetForHeader(const QString &header) const;

    bool matchOnCode() const { return m_matchOnCode; }
    void setMatchOnCode(bool on) { m_matchOnCode = on; }
    void setLocale(const QLocale &locale) { m_locale = locale; }

    // Reads every record by the current mapping into good rows, bad rows and cut texts.
    void convert();
    const QList<Row> &rows() const { return m_rows; }
    const QList<BadRow> &badRows() const { return m_bad; }
    const QList<CutText> &cutTexts() const { return m_cut; }

    // Writes the good rows in one transaction: new cards, or with matching on, the first card with
    // the same non-empty code updated in its mapped columns. New cards without a markup take the
    // default one. On cancel or error nothing stays written; errors go on to the caller.
    Result import(const Progress &progress = {});

    // The text a value shows in the preview.
    QString displayValue(int target, const QVariant &value) const;

private:
    QVariant read(const Target &target, const QString &text, QString *error, bool *cut) const;
    void addNames(const QString &languageFile);

    Cellar &m_cellar;
    QHash<QString, int> m_names; // normalised header -> target
    CsvTable m_table;
    QList<int> m_mapping;
    bool m_matchOnCode = false;
    QLocale m_locale;
    // The rules numbers of this file are read by: a file whose numbers all use one separator
    // reads it as the decimal one; a mixed file reads by the user's locale.
    QLocale m_numbers;
    QList<Row> m_rows;
    QList<BadRow> m_bad;
    QList<CutText> m_cut;
};

} // namespace vinary
