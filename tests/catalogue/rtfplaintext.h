#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>

#include <vector>

namespace vinary::test
{

// The paragraphs of an RTF document as a reader shows them, decoded without the program's
// writer: groups of fonts, colours, styles, info and "\*" destinations are skipped; \uN (with
// its one substitute character), \'hh, \tab, \line and the escaped "\", "{", "}" are decoded.
inline QStringList rtfParagraphs(const QByteArray &rtf)
{
    QStringList paragraphs;
    QString current;
    struct Group {
        bool skipped = false;
        bool first = true;
    };
    std::vector<Group> groups{Group{}};
    int substitutesToSkip = 0;
    auto skipping = [&] { return groups.back().skipped; };
    auto put = [&](QChar c) {
        if (substitutesToSkip > 0) {
            --substitutesToSkip;
            return;
        }
        if (!skipping())
            current.append(c);
    };
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf.at(i);
        if (c == '{') {
            groups.push_back(Group{groups.back().skipped, true});
            continue;
        }
        if (c == '}') {
            if (groups.size() > 1)
                groups.pop_back();
            continue;
        }
        if (c == '\r' || c == '\n')
            continue;
        if (c != '\\') {
            groups.back().first = false;
            put(QChar::fromLatin1(c));
            continue;
        }
        // A control symbol or word.
        if (++i >= rtf.size())
            break;
        const char s = rtf.at(i);
        const bool firstInGroup = groups.back().first;
        groups.back().first = false;
        if (s == '\\' || s == '{' || s == '}') {
            put(QChar::fromLatin1(s));
            continue;
        }
        if (s == '*') {
            if (firstInGroup)
                groups.back().skipped = true;
            continue;
        }
        if (s == '\'') {
            const QByteArray hex = rtf.mid(i + 1, 2);
            i += 2;
            put(QChar(char16_t(hex.toUInt(nullptr, 16))));
            continue;
        }
        if (!((s >= 'a' && s <= 'z') || (s >= 'A' && s <= 'Z')))
            continue;
        QByteArray word;
        while (i < rtf.size() && ((rtf.at(i) >= 'a' && rtf.at(i) <= 'z') || (rtf.at(i) >= 'A' && rtf.at(i) <= 'Z')))
            word.append(rtf.at(i++));
        QByteArray number;
        if (i < rtf.size() && (rtf.at(i) == '-' || (rtf.at(i) >= '0' && rtf.at(i) <= '9'))) {
            number.append(rtf.at(i++));
            while (i < rtf.size() && rtf.at(i) >= '0' && rtf.at(i) <= '9')
                number.append(rtf.at(i++));
        }
        if (i < rtf.size() && rtf.at(i) != ' ')
            --i; // the delimiter belongs to the text
        static const QList<QByteArray> destinations = {"fonttbl", "colortbl", "stylesheet", "info", "pict",
                                                      "header",  "footer",   "generator"};
        if (firstInGroup && destinations.contains(word)) {
            groups.back().skipped = true;
        } else if (word == "par") {
            if (!skipping()) {
                paragraphs.append(current);
                current.clear();
            }
        } else if (word == "line") {
            put(u'\n');
        } else if (word == "tab") {
            put(u'\t');
        } else if (word == "u") {
            put(QChar(char16_t(short(number.toInt()))));
            substitutesToSkip = 1;
        }
    }
    if (!current.isEmpty())
        paragraphs.append(current);
    // Paragraph marks that close nothing but white space are no paragraphs of their own.
    QStringList out;
    for (const QString &p : std::as_const(paragraphs)) {
        if (!p.trimmed().isEmpty())
            out.append(p);
    }
    return out;
}

// Makes `dir` the current directory for its lifetime, as the program's is at start-up.
class CurrentDirectory
{
public:
    explicit CurrentDirectory(const QString &dir) : m_previous(QDir::currentPath()) { QDir::setCurrent(dir); }
    ~CurrentDirectory() { QDir::setCurrent(m_previous); }
    CurrentDirectory(const CurrentDirectory &) = delete;
    CurrentDirectory &operator=(const CurrentDirectory &) = delete;

private:
    QString m_previous;
};

} // namespace vinary::test
