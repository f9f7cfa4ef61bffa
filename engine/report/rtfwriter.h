#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QMarginsF>
#include <QSizeF>
#include <QString>

#include <vector>

namespace vinary::report
{

// A small writer of RTF documents (RTF 1.9 subset that WordPad, Word and LibreOffice read).
// Usable on its own, as the program's notes files are: one paragraph holding exactly a text.
class RtfWriter
{
public:
    enum class TabAlign { Left, Center, Right };
    struct Tab {
        int position = 0; // twips from the left margin
        TabAlign align = TabAlign::Left;
    };
    struct Run {
        QString text;
        bool tabBefore = false; // the run starts at the next tab stop
        int font = 0;
        double pointSize = 10.0;
        bool bold = false;
        bool italic = false;
        bool underline = false;
        int color = 0; // index from color(); 0 is the automatic colour
    };
    struct Paragraph {
        int spaceBefore = 0; // twips
        int lineHeight = 0;  // exact line height in twips; 0 leaves it to the reader
        std::vector<Tab> tabs;
        std::vector<Run> runs;
    };

    // Text as RTF: "\", "{" and "}" escaped, letters outside ASCII as \uN? (UTF-16 code units,
    // signed), tab and line break as \tab and \line.
    static QByteArray escape(const QString &text);
    // A whole document whose only paragraph holds exactly `text`.
    static QByteArray singleParagraphDocument(const QString &text,
                                              const QString &fontFamily = QStringLiteral("Arial"),
                                              double pointSize = 11.0);
    static int twips(double millimetres);

    RtfWriter();
    void setPaper(const QSizeF &sizeMm, const QMarginsF &marginsMm);
    int font(const QString &family);
    int color(const QColor &color);
    void addParagraph(const Paragraph &paragraph);
    void addPageBreak();
    QByteArray document() const;
    // The document in pieces, for writing a long one as it is made: the header (it lists the
    // fonts and colours, so every font and colour must be known by then), the paragraphs added
    // since the last call, and the closing brace.
    QByteArray header() const;
    QByteArray takeBody();
    // Forgets the paragraphs and a page break still to come, keeping fonts and colours.
    void discardBody()
    {
        m_body.clear();
        m_pendingPageBreak = false;
    }
    static QByteArray trailer() { return QByteArrayLiteral("}\n"); }

private:
    QStringList m_fonts;
    QList<QColor> m_colors;
    QSizeF m_paper = QSizeF(210.0, 297.0);
    QMarginsF m_margins = QMarginsF(20.0, 20.0, 20.0, 20.0);
    QByteArray m_body;
    bool m_pendingPageBreak = false;
};

} // namespace vinary::report
