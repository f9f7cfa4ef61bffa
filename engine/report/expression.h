#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

namespace vinary::report
{

// A value of the expression language. Data values enter as values and leave as text; they are
// never turned back into expression text, so a wine named "Château d'Yquem" prints as it is.
class Value
{
public:
    enum class Type { Null, Number, Text, Bool, Date };

    Value() = default;
    static Value number(double v);
    static Value text(const QString &v);
    static Value boolean(bool v);
    static Value date(const QDateTime &v); // an invalid date gives the null value
    static Value fromVariant(const QVariant &v);

    Type type() const { return m_type; }
    bool isNull() const { return m_type == Type::Null; }
    // An empty value reads as 0, as the empty text, and as false.
    double toNumber() const;
    bool toBool() const;
    QDateTime toDate() const { return m_date; }
    // The natural representation: numbers without grouping in the locale's decimal separator,
    // dates in the locale's short format with a four-digit year, booleans as "True"/"False".
    QString toText(const QLocale &locale) const;
    // The value shown through a display format: a number picture ("0.00;;#") for numbers, a
    // QLocale date pattern ("dd/MM/yyyy") for dates; other values show naturally.
    QString formatted(const QString &format, const QLocale &locale) const;

    // Texts compare without regard to case; a number and a text compare as numbers when the text
    // reads as one; the empty value compares as 0 or the empty text.
    int compare(const Value &other) const;
    bool equals(const Value &other) const { return compare(other) == 0; }

private:
    Type m_type = Type::Null;
    double m_number = 0.0;
    QString m_text;
    QDateTime m_date;
};

enum class Builtin { Date, Time, Page, TotalPages, Line, Currency };
enum class AggregateKind { Sum, Count, Avg, Min, Max };

// What an expression reads while it is evaluated. Field and aggregate references are resolved to
// slots once, when the expression is bound, so that evaluation does no name look-ups.
class EvalContext
{
public:
    virtual ~EvalContext() = default;
    virtual Value field(int slot) const = 0;
    virtual Value builtin(Builtin which) const = 0;
    virtual Value aggregate(int slot) const = 0;
    virtual const QLocale &locale() const = 0;
};

class Expression;

// Resolves the names of an expression while it is bound. Both functions throw VinaryError when a
// name cannot be resolved.
class Binder
{
public:
    virtual ~Binder() = default;
    // `dataset` is empty for a bare field name.
    virtual int bindField(const QString &dataset, const QString &field) = 0;
    // `argument` is the node of the aggregated expression, or -1 for COUNT().
    virtual int bindAggregate(AggregateKind kind, const Expression &expression, int argument) = 0;
};

// A parsed expression: "[Quantita] <= [Scorta]", "IIF([Causale] = 'C'; [Quantita]; 0)",
// "SUM([Valore])", "[Schede.\"Descrizione\"]". Parsing throws VinaryError on a syntax error.
class Expression
{
public:
    Expression();
    static Expression parse(const QString &source);

    const QString &source() const { return m_source; }
    void bind(Binder &binder);
    Value evaluate(const EvalContext &context) const;
    Value evaluateNode(int node, const EvalContext &context) const;

    // A bare name such as "[RPT_TITLE]": the field it would name, or an empty text.
    QString bareName() const;
    bool usesBuiltin(Builtin which) const;
    bool usesAggregates() const;
    // Only "[TOTALPAGES]" itself, whose text the paginator can fill in after the last page.
    bool isPlainBuiltin(Builtin which) const;

    struct Node;

private:
    friend class Parser;
    QString m_source;
    std::shared_ptr<std::vector<Node>> m_nodes;
    int m_root = -1;
};

struct Expression::Node {
    enum class Op {
        Literal,
        Field,
        Builtin,
        Neg,
        Not,
        Add,
        Sub,
        Mul,
        Div,
        Mod,
        Eq,
        Ne,
        Lt,
        Le,
        Gt,
        Ge,
        And,
        Or,
        Call,
        Aggregate
    };
    enum class Func { Iif, Format, Upper, Lower, Trim, Round, Int, Abs, Str, Len };

    Op op = Op::Literal;
    Value literal;
    QString dataset;
    QString name;
    Builtin builtin = Builtin::Date;
    Func func = Func::Iif;
    AggregateKind aggregate = AggregateKind::Sum;
    std::vector<int> args;
    int slot = -1;
};

// A text with bracketed parts: literal text, and expressions where a bracketed part parses as
// one. A bracketed part that does not parse stays as text, brackets included.
struct TextSegment {
    bool isExpression = false;
    QString text; // the literal, or the bracketed source as written
    Expression expression;
};
std::vector<TextSegment> splitText(const QString &text);

// The locale's short date format, with the year written in four digits ("dd/MM/yyyy").
QString shortDateFormat(const QLocale &locale);

// The name is made as translation keys are: capitals, digits and underscores.
bool isKeyShaped(const QString &name);

} // namespace vinary::report
