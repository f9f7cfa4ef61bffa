#include "engine/report/expression.h"

#include "engine/common/datetimes.h"
#include "engine/common/displayformat.h"
#include "engine/common/errors.h"
#include "engine/report/texts.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace vinary::report
{

// ---------------------------------------------------------------- values

Value Value::number(double v)
{
    Value out;
    out.m_type = Type::Number;
    out.m_number = v;
    return out;
}

Value Value::text(const QString &v)
{
    Value out;
    out.m_type = Type::Text;
    out.m_text = v;
    return out;
}

Value Value::boolean(bool v)
{
    Value out;
    out.m_type = Type::Bool;
    out.m_number = v ? 1.0 : 0.0;
    return out;
}

Value Value::date(const QDateTime &v)
{
    Value out;
    if (!v.isValid())
        return out;
    out.m_type = Type::Date;
    out.m_date = v;
    return out;
}

Value Value::fromVariant(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return Value();
    switch (v.typeId()) {
    case QMetaType::Bool:
        return boolean(v.toBool());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return number(v.toDouble());
    case QMetaType::QDateTime:
        return date(v.toDateTime());
    case QMetaType::QDate: {
        const QDate d = v.toDate();
        return d.isValid() ? date(QDateTime(d, QTime(0, 0))) : Value();
    }
    default:
        return text(v.toString());
    }
}

double Value::toNumber() const
{
    switch (m_type) {
    case Type::Null:
        return 0.0;
    case Type::Number:
    case Type::Bool:
        return m_number;
    case Type::Date:
        return toDayCount(m_date);
    case Type::Text: {
        bool ok = false;
        const double v = m_text.trimmed().toDouble(&ok);
        return ok ? v : 0.0;
    }
    }
    return 0.0;
}

bool Value::toBool() const
{
    switch (m_type) {
    case Type::Null:
        return false;
    case Type::Number:
    case Type::Bool:
        return m_number != 0.0;
    case Type::Date:
        return true;
    case Type::Text:
        return !m_text.isEmpty() && m_text.compare(u"false"_s, Qt::CaseInsensitive) != 0 && m_text != u"0"_s;
    }
    return false;
}

QString shortDateFormat(const QLocale &locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(u"yyyy"_s))
        format.replace(u"yy"_s, u"yyyy"_s);
    return format;
}

QString Value::toText(const QLocale &locale) const
{
    switch (m_type) {
    case Type::Null:
        return QString();
    case Type::Text:
        return m_text;
    case Type::Bool:
        return m_number != 0.0 ? u"True"_s : u"False"_s;
    case Type::Number: {
        if (std::isnan(m_number))
            return QString();
        if (m_number == std::trunc(m_number) && std::fabs(m_number) < 1e15)
            return locale.toString(qint64(m_number)).remove(locale.groupSeparator());
        QLocale plain = locale;
        plain.setNumberOptions(plain.numberOptions() | QLocale::OmitGroupSeparator);
        return plain.toString(m_number, 'g', 15);
    }
    case Type::Date:
        if (m_date.time() == QTime(0, 0))
            return locale.toString(m_date.date(), shortDateFormat(locale));
        return locale.toString(m_date.date(), shortDateFormat(locale)) + u' ' +
               locale.toString(m_date.time(), QLocale::ShortFormat);
    }
    return QString();
}

QString Value::formatted(const QString &format, const QLocale &locale) const
{
    if (format.isEmpty())
        return toText(locale);
    if (m_type == Type::Number)
        return formatFloat(m_number, format, locale);
    if (m_type == Type::Date) {
        // A journal prints the same date on line after line: the last one formatted is kept.
        thread_local struct {
            QDateTime date;
            QString format;
            QLocale locale;
            QString text;
            bool set = false;
        } last;
        const bool same = last.set && last.date == m_date && last.date.timeSpec() == m_date.timeSpec() &&
                          last.date.offsetFromUtc() == m_date.offsetFromUtc() && last.format == format &&
                          last.locale == locale;
        if (!same) {
            last.text = locale.toString(m_date, format);
            last.date = m_date;
            last.format = format;
            last.locale = locale;
            last.set = true;
        }
        return last.text;
    }
    return toText(locale);
}

int Value::compare(const Value &other) const
{
    auto sign = [](double d) { return d < 0 ? -1 : d > 0 ? 1 : 0; };
    const Type a = m_type;
    const Type b = other.m_type;
    if (a == Type::Null && b == Type::Null)
        return 0;
    const bool aText = a == Type::Text || (a == Type::Null && b == Type::Text);
    const bool bText = b == Type::Text || (b == Type::Null && a == Type::Text);
    if (aText && bText) {
        const QString &x = a == Type::Null ? QString() : m_text;
        const QString &y = b == Type::Null ? QString() : other.m_text;
        return sign(x.compare(y, Qt::CaseInsensitive));
    }
    if (aText || bText) {
        // One text against a number, date or boolean: numerically when the text reads as a
        // number, otherwise by the texts.
        const QString t = (aText ? m_text : other.m_text).trimmed();
        bool ok = false;
        t.toDouble(&ok);
        if (!ok) {
            const QLocale c = QLocale::c();
            return sign(toText(c).compare(other.toText(c), Qt::CaseInsensitive));
        }
    }
    return sign(toNumber() - other.toNumber());
}

// ---------------------------------------------------------------- lexer and parser

namespace
{

enum class Tok { End, Number, String, Quoted, Ident, Op };

struct Token {
    Tok type = Tok::End;
    QString text;
    double number = 0.0;
    int pos = 0;
};

constexpr int maxNesting = 48;
constexpr int maxSource = 4096;

[[noreturn]] void syntaxError(const QString &why, int pos)
{
    throw VinaryError(engineText(u"[MOT_ERR_POSIZIONE]"_s, u"%1 at position %2"_s).arg(why).arg(pos + 1));
}

bool identStart(QChar c)
{
    return c.isLetter() || c == u'_';
}
bool identPart(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

std::vector<Token> tokenize(const QString &s)
{
    std::vector<Token> out;
    int i = 0;
    const int n = int(s.size());
    while (i < n) {
        const QChar c = s.at(i);
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token t;
        t.pos = i;
        if (c.isDigit() || (c == u'.' && i + 1 < n && s.at(i + 1).isDigit())) {
            int j = i;
            while (j < n && s.at(j).isDigit())
                ++j;
            if (j < n && s.at(j) == u'.') {
                ++j;
                while (j < n && s.at(j).isDigit())
                    ++j;
            }
            if (j < n && (s.at(j) == u'e' || s.at(j) == u'E')) {
                int k = j + 1;
                if (k < n && (s.at(k) == u'+' || s.at(k) == u'-'))
                    ++k;
                if (k < n && s.at(k).isDigit()) {
                    while (k < n && s.at(k).isDigit())
                        ++k;
                    j = k;
                }
            }
            t.type = Tok::Number;
            t.text = s.mid(i, j - i);
            t.number = t.text.toDouble();
            if (!std::isfinite(t.number))
                syntaxError(engineText(u"[MOT_ERR_NUMERO]"_s, u"Number out of range"_s), i);
            i = j;
        } else if (c == u'\'' || c == u'"') {
            // Quotes inside are doubled: 'd''Yquem'.
            QString text;
            int j = i + 1;
            for (;;) {
                if (j >= n)
                    syntaxError(engineText(u"[MOT_ERR_TESTO_APERTO]"_s, u"Unterminated text"_s), i);
                if (s.at(j) == c) {
                    if (j + 1 < n && s.at(j + 1) == c) {
                        text += c;
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                text += s.at(j++);
            }
            t.type = c == u'\'' ? Tok::String : Tok::Quoted;
            t.text = text;
            i = j;
        } else if (identStart(c)) {
            int j = i + 1;
            while (j < n && identPart(s.at(j)))
                ++j;
            if (j < n && s.at(j) == u'#')
                ++j;
            t.type = Tok::Ident;
            t.text = s.mid(i, j - i);
            i = j;
        } else {
            static const QString two[] = {u"<="_s, u">="_s, u"<>"_s, u"!="_s, u"=="_s};
            t.type = Tok::Op;
            t.text = QString(c);
            for (const QString &op : two) {
                if (s.mid(i, 2) == op) {
                    t.text = op;
                    break;
                }
            }
            static const QString ops = u"+-*/()[];,.=<>"_s;
            if (t.text.size() == 1 && !ops.contains(c))
                syntaxError(engineText(u"[MOT_ERR_CARATTERE]"_s, u"Unexpected character '%1'"_s).arg(c), i);
            i += int(t.text.size());
        }
        out.push_back(t);
    }
    Token end;
    end.pos = n;
    out.push_back(end);
    return out;
}

} // namespace

class Parser
{
public:
    using Node = Expression::Node;
    using Op = Node::Op;

    Parser(const QString &source, std::vector<Node> &nodes) : m_tokens(tokenize(source)), m_nodes(nodes) {}

    int parseAll()
    {
        if (peek().type == Tok::End)
            syntaxError(engineText(u"[MOT_ERR_ESPRESSIONE_VUOTA]"_s, u"Empty expression"_s), 0);
        const int root = parseOr();
        if (peek().type != Tok::End)
            syntaxError(engineText(u"[MOT_ERR_INATTESO]"_s, u"Unexpected '%1'"_s).arg(peek().text),
                        peek().pos);
        return root;
    }

private:
    const Token &peek() const { return m_tokens[m_pos]; }
    const Token &take() { return m_tokens[m_pos++]; }
    bool isOp(const QString &op) const { return peek().type == Tok::Op && peek().text == op; }
    bool isWord(const QString &word) const
    {
        return peek().type == Tok::Ident && peek().text.compare(word, Qt::CaseInsensitive) == 0;
    }
    void expectOp(const QString &op)
    {
        if (!isOp(op))
            syntaxError(engineText(u"[MOT_ERR_ATTESO]"_s, u"'%1' expected"_s).arg(op), peek().pos);
        take();
    }

    int add(Node node)
    {
        m_nodes.push_back(std::move(node));
        return int(m_nodes.size()) - 1;
    }
    int binary(Op op, int a, int b)
    {
        Node n;
        n.op = op;
        n.args = {a, b};
        return add(std::move(n));
    }

    struct Depth {
        explicit Depth(int &d, int pos) : m_d(d)
        {
            if (++m_d > maxNesting)
                syntaxError(engineText(u"[MOT_ERR_ANNIDATA]"_s, u"Expression nested too deeply"_s), pos);
        }
        ~Depth() { --m_d; }
        int &m_d;
    };

    int parseOr()
    {
        Depth guard(m_depth, peek().pos);
        int left = parseAnd();
        while (isWord(u"OR"_s)) {
            take();
            left = binary(Op::Or, left, parseAnd());
        }
        return left;
    }
    int parseAnd()
    {
        int left = parseNot();
        while (isWord(u"AND"_s)) {
            take();
            left = binary(Op::And, left, parseNot());
        }
        return left;
    }
    int parseNot()
    {
        if (isWord(u"NOT"_s)) {
            Depth guard(m_depth, peek().pos);
            take();
            Node n;
            n.op = Op::Not;
            n.args = {parseNot()};
            return add(std::move(n));
        }
        return parseCompare();
    }
    int parseCompare()
    {
        const int left = parseAdd();
        static const struct {
            const char16_t *text;
            Op op;
        } ops[] = {{u"=", Op::Eq}, {u"==", Op::Eq}, {u"<>", Op::Ne}, {u"!=", Op::Ne},
                   {u"<", Op::Lt}, {u"<=", Op::Le}, {u">", Op::Gt},  {u">=", Op::Ge}};
        for (const auto &o : ops) {
            if (isOp(QString::fromUtf16(o.text))) {
                take();
                return binary(o.op, left, parseAdd());
            }
        }
        return left;
    }
    int parseAdd()
    {
        int left = parseMul();
        for (;;) {
            if (isOp(u"+"_s)) {
                take();
                left = binary(Op::Add, left, parseMul());
            } else if (isOp(u"-"_s)) {
                take();
                left = binary(Op::Sub, left, parseMul());
            } else {
                return left;
            }
        }
    }
    int parseMul()
    {
        int left = parseUnary();
        for (;;) {
            if (isOp(u"*"_s)) {
                take();
                left = binary(Op::Mul, left, parseUnary());
            } else if (isOp(u"/"_s)) {
                take();
                left = binary(Op::Div, left, parseUnary());
            } else if (isWord(u"MOD"_s)) {
                take();
                left = binary(Op::Mod, left, parseUnary());
            } else {
                return left;
            }
        }
    }
    int parseUnary()
    {
        if (isOp(u"-"_s) || isOp(u"+"_s)) {
            Depth guard(m_depth, peek().pos);
            const bool negate = take().text == u"-"_s;
            const int operand = parseUnary();
            if (!negate)
                return operand;
            Node n;
            n.op = Op::Neg;
            n.args = {operand};
            return add(std::move(n));
        }
        return parsePrimary();
    }

    int parsePrimary()
    {
        const Token &t = peek();
        switch (t.type) {
        case Tok::Number: {
            take();
            Node n;
            n.literal = Value::number(t.number);
            return add(std::move(n));
        }
        case Tok::String: {
            take();
            Node n;
            n.literal = Value::text(t.text);
            return add(std::move(n));
        }
        case Tok::Quoted: {
            take();
            Node n;
            n.op = Op::Field;
            n.name = t.text;
            return add(std::move(n));
        }
        case Tok::Op:
            if (t.text == u"("_s || t.text == u"["_s) {
                const QString close = t.text == u"("_s ? u")"_s : u"]"_s;
                take();
                const int inner = parseOr();
                expectOp(close);
                return inner;
            }
            syntaxError(engineText(u"[MOT_ERR_INATTESO]"_s, u"Unexpected '%1'"_s).arg(t.text), t.pos);
        case Tok::Ident:
            return parseName();
        case Tok::End:
            syntaxError(engineText(u"[MOT_ERR_FINE_ESPRESSIONE]"_s, u"Unexpected end of the expression"_s),
                        t.pos);
        }
        syntaxError(engineText(u"[MOT_ERR_SIMBOLO]"_s, u"Unexpected token"_s), t.pos);
    }

    int parseName()
    {
        const Token first = take();
        const QString upper = first.text.toUpper();
        if (upper == u"TRUE"_s || upper == u"FALSE"_s) {
            Node n;
            n.literal = Value::boolean(upper == u"TRUE"_s);
            return add(std::move(n));
        }
        if (isOp(u"("_s))
            return parseCall(first);
        QStringList parts{first.text};
        bool quotedLast = false;
        while (isOp(u"."_s)) {
            take();
            if (peek().type == Tok::Ident) {
                parts.append(take().text);
            } else if (peek().type == Tok::Quoted) {
                parts.append(take().text);
                quotedLast = true;
                break;
            } else {
                syntaxError(engineText(u"[MOT_ERR_NOME_CAMPO]"_s, u"Field name expected"_s), peek().pos);
            }
        }
        Node n;
        if (parts.size() == 1 && !quotedLast) {
            static const struct {
                const char16_t *name;
                Builtin builtin;
            } builtins[] = {{u"DATE", Builtin::Date},  {u"TIME", Builtin::Time},
                            {u"PAGE#", Builtin::Page}, {u"TOTALPAGES", Builtin::TotalPages},
                            {u"LINE#", Builtin::Line}, {u"CURRENCY", Builtin::Currency}};
            for (const auto &b : builtins) {
                if (upper == QString::fromUtf16(b.name)) {
                    n.op = Op::Builtin;
                    n.builtin = b.builtin;
                    return add(std::move(n));
                }
            }
        }
        if (parts.last().endsWith(u'#') && !quotedLast)
            syntaxError(engineText(u"[MOT_ERR_NOME_SCONOSCIUTO]"_s, u"Unknown name '%1'"_s).arg(parts.last()),
                        first.pos);
        n.op = Op::Field;
        n.name = parts.takeLast();
        n.dataset = parts.join(u'.');
        return add(std::move(n));
    }

    int parseCall(const Token &name)
    {
        const QString upper = name.text.toUpper();
        Node n;
        static const struct {
            const char16_t *name;
            AggregateKind kind;
        } aggregates[] = {{u"SUM", AggregateKind::Sum},
                          {u"COUNT", AggregateKind::Count},
                          {u"AVG", AggregateKind::Avg},
                          {u"MIN", AggregateKind::Min},
                          {u"MAX", AggregateKind::Max}};
        static const struct {
            const char16_t *name;
            Node::Func func;
            int minArgs;
            int maxArgs;
        } functions[] = {{u"IIF", Node::Func::Iif, 3, 3},     {u"FORMAT", Node::Func::Format, 2, 2},
                         {u"UPPER", Node::Func::Upper, 1, 1}, {u"LOWER", Node::Func::Lower, 1, 1},
                         {u"TRIM", Node::Func::Trim, 1, 1},   {u"ROUND", Node::Func::Round, 1, 2},
                         {u"INT", Node::Func::Int, 1, 1},     {u"ABS", Node::Func::Abs, 1, 1},
                         {u"STR", Node::Func::Str, 1, 1},     {u"LEN", Node::Func::Len, 1, 1}};
        int minArgs = 0;
        int maxArgs = 0;
        bool known = false;
        for (const auto &a : aggregates) {
            if (upper == QString::fromUtf16(a.name)) {
                n.op = Op::Aggregate;
                n.aggregate = a.kind;
                minArgs = a.kind == AggregateKind::Count ? 0 : 1;
                maxArgs = 1;
                known = true;
            }
        }
        for (const auto &f : functions) {
            if (upper == QString::fromUtf16(f.name)) {
                n.op = Op::Call;
                n.func = f.func;
                minArgs = f.minArgs;
                maxArgs = f.maxArgs;
                known = true;
            }
        }
        if (!known)
            syntaxError(engineText(u"[MOT_ERR_FUNZIONE]"_s, u"Unknown function '%1'"_s).arg(name.text),
                        name.pos);
        Depth guard(m_depth, name.pos);
        expectOp(u"("_s);
        if (!isOp(u")"_s)) {
            for (;;) {
                n.args.push_back(parseOr());
                if (isOp(u";"_s) || isOp(u","_s)) {
                    take();
                    continue;
                }
                break;
            }
        }
        expectOp(u")"_s);
        if (int(n.args.size()) < minArgs || int(n.args.size()) > maxArgs)
            syntaxError(
                engineText(u"[MOT_ERR_ARGOMENTI]"_s, u"Wrong number of arguments for %1"_s).arg(upper),
                name.pos);
        n.name = upper;
        return add(std::move(n));
    }

    std::vector<Token> m_tokens;
    size_t m_pos = 0;
    std::vector<Node> &m_nodes;
    int m_depth = 0;
};

// ---------------------------------------------------------------- expressions

Expression::Expression() : m_nodes(std::make_shared<std::vector<Node>>()) {}

Expression Expression::parse(const QString &source)
{
    if (source.size() > maxSource)
        throw VinaryError(engineText(u"[MOT_ERR_TROPPO_LUNGA]"_s, u"Expression too long"_s));
    Expression e;
    e.m_source = source;
    Parser parser(source, *e.m_nodes);
    e.m_root = parser.parseAll();
    return e;
}

void Expression::bind(Binder &binder)
{
    // Nodes are shared between copies; binding gives this expression nodes of its own.
    m_nodes = std::make_shared<std::vector<Node>>(*m_nodes);
    std::vector<int> aggregateDepth(m_nodes->size(), 0);
    // Children always come before their parent, so one pass in reverse visits parents first.
    for (int i = int(m_nodes->size()) - 1; i >= 0; --i) {
        Node &n = (*m_nodes)[size_t(i)];
        const int inside = aggregateDepth[size_t(i)] + (n.op == Node::Op::Aggregate ? 1 : 0);
        if (n.op == Node::Op::Aggregate && aggregateDepth[size_t(i)] > 0)
            throw VinaryError(
                engineText(u"[MOT_ERR_TOTALE_ANNIDATO]"_s, u"An aggregate cannot hold another aggregate"_s));
        for (int a : n.args)
            aggregateDepth[size_t(a)] = inside;
    }
    for (size_t i = 0; i < m_nodes->size(); ++i) {
        Node &n = (*m_nodes)[i];
        if (n.op == Node::Op::Field)
            n.slot = binder.bindField(n.dataset, n.name);
    }
    for (size_t i = 0; i < m_nodes->size(); ++i) {
        Node &n = (*m_nodes)[i];
        if (n.op == Node::Op::Aggregate)
            n.slot = binder.bindAggregate(n.aggregate, *this, n.args.empty() ? -1 : n.args.front());
    }
}

QString Expression::bareName() const
{
    if (m_root < 0)
        return QString();
    const Node &n = (*m_nodes)[size_t(m_root)];
    if (n.op == Node::Op::Field && n.dataset.isEmpty())
        return n.name;
    return QString();
}

bool Expression::usesBuiltin(Builtin which) const
{
    for (const Node &n : *m_nodes) {
        if (n.op == Node::Op::Builtin && n.builtin == which)
            return true;
    }
    return false;
}

bool Expression::usesAggregates() const
{
    for (const Node &n : *m_nodes) {
        if (n.op == Node::Op::Aggregate)
            return true;
    }
    return false;
}

bool Expression::isPlainBuiltin(Builtin which) const
{
    if (m_root < 0)
        return false;
    const Node &n = (*m_nodes)[size_t(m_root)];
    return n.op == Node::Op::Builtin && n.builtin == which;
}

Value Expression::evaluate(const EvalContext &context) const
{
    return evaluateNode(m_root, context);
}

Value Expression::evaluateNode(int index, const EvalContext &context) const
{
    const Node &n = (*m_nodes)[size_t(index)];
    auto arg = [&](size_t i) { return evaluateNode(n.args[i], context); };
    using Op = Node::Op;
    switch (n.op) {
    case Op::Literal:
        return n.literal;
    case Op::Field:
        if (n.slot < 0)
            throw VinaryError(
                engineText(u"[MOT_ERR_CAMPO_SCONOSCIUTO]"_s, u"Unknown field '%1'"_s).arg(n.name));
        return context.field(n.slot);
    case Op::Builtin:
        return context.builtin(n.builtin);
    case Op::Aggregate:
        if (n.slot < 0)
            throw VinaryError(engineText(u"[MOT_ERR_TOTALE_SENZA_BANDA]"_s, u"Aggregate without a band"_s));
        return context.aggregate(n.slot);
    case Op::Neg: {
        const Value v = arg(0);
        return Value::number(-v.toNumber());
    }
    case Op::Not:
        return Value::boolean(!arg(0).toBool());
    case Op::And:
        return Value::boolean(arg(0).toBool() && arg(1).toBool());
    case Op::Or:
        return Value::boolean(arg(0).toBool() || arg(1).toBool());
    case Op::Add: {
        const Value a = arg(0);
        const Value b = arg(1);
        if (a.type() == Value::Type::Text || b.type() == Value::Type::Text)
            return Value::text(a.toText(context.locale()) + b.toText(context.locale()));
        if (a.type() == Value::Type::Date && b.type() != Value::Type::Date)
            return Value::date(fromDayCount(a.toNumber() + b.toNumber()));
        if (b.type() == Value::Type::Date && a.type() != Value::Type::Date)
            return Value::date(fromDayCount(a.toNumber() + b.toNumber()));
        return Value::number(a.toNumber() + b.toNumber());
    }
    case Op::Sub: {
        const Value a = arg(0);
        const Value b = arg(1);
        if (a.type() == Value::Type::Date && b.type() != Value::Type::Date && !b.isNull())
            return Value::date(fromDayCount(a.toNumber() - b.toNumber()));
        return Value::number(a.toNumber() - b.toNumber());
    }
    case Op::Mul:
        return Value::number(arg(0).toNumber() * arg(1).toNumber());
    case Op::Div: {
        const double d = arg(1).toNumber();
        if (d == 0.0)
            throw VinaryError(engineText(u"[MOT_ERR_DIVISIONE_ZERO]"_s, u"Division by zero"_s));
        return Value::number(arg(0).toNumber() / d);
    }
    case Op::Mod: {
        const double d = arg(1).toNumber();
        if (d == 0.0)
            throw VinaryError(engineText(u"[MOT_ERR_DIVISIONE_ZERO]"_s, u"Division by zero"_s));
        return Value::number(std::fmod(arg(0).toNumber(), d));
    }
    case Op::Eq:
        return Value::boolean(arg(0).compare(arg(1)) == 0);
    case Op::Ne:
        return Value::boolean(arg(0).compare(arg(1)) != 0);
    case Op::Lt:
        return Value::boolean(arg(0).compare(arg(1)) < 0);
    case Op::Le:
        return Value::boolean(arg(0).compare(arg(1)) <= 0);
    case Op::Gt:
        return Value::boolean(arg(0).compare(arg(1)) > 0);
    case Op::Ge:
        return Value::boolean(arg(0).compare(arg(1)) >= 0);
    case Op::Call:
        switch (n.func) {
        case Node::Func::Iif:
            return arg(0).toBool() ? arg(1) : arg(2);
        case Node::Func::Format:
            return Value::text(arg(0).formatted(arg(1).toText(context.locale()), context.locale()));
        case Node::Func::Upper:
            return Value::text(arg(0).toText(context.locale()).toUpper());
        case Node::Func::Lower:
            return Value::text(arg(0).toText(context.locale()).toLower());
        case Node::Func::Trim:
            return Value::text(arg(0).toText(context.locale()).trimmed());
        case Node::Func::Round: {
            const double digits = n.args.size() > 1 ? std::clamp(arg(1).toNumber(), 0.0, 15.0) : 0.0;
            const double scale = std::pow(10.0, std::trunc(digits));
            const double v = arg(0).toNumber() * scale;
            return Value::number((v < 0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5)) / scale);
        }
        case Node::Func::Int:
            return Value::number(std::trunc(arg(0).toNumber()));
        case Node::Func::Abs:
            return Value::number(std::fabs(arg(0).toNumber()));
        case Node::Func::Str:
            return Value::text(arg(0).toText(context.locale()));
        case Node::Func::Len:
            return Value::number(double(arg(0).toText(context.locale()).size()));
        }
    }
    return Value();
}

// ---------------------------------------------------------------- texts

std::vector<TextSegment> splitText(const QString &text)
{
    std::vector<TextSegment> out;
    QString literal;
    auto flushLiteral = [&]() {
        if (!literal.isEmpty()) {
            TextSegment seg;
            seg.text = literal;
            out.push_back(std::move(seg));
            literal.clear();
        }
    };
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c != u'[') {
            literal += c;
            ++i;
            continue;
        }
        // Find the matching bracket; brackets inside quoted texts do not count.
        int depth = 0;
        qsizetype j = i;
        QChar quote;
        for (; j < n; ++j) {
            const QChar d = text.at(j);
            if (!quote.isNull()) {
                if (d == quote)
                    quote = QChar();
                continue;
            }
            if (d == u'\'' || d == u'"')
                quote = d;
            else if (d == u'[')
                ++depth;
            else if (d == u']' && --depth == 0)
                break;
        }
        if (j >= n) {
            literal += text.mid(i);
            break;
        }
        const QString whole = text.mid(i, j - i + 1);
        const QString inner = text.mid(i + 1, j - i - 1);
        try {
            TextSegment seg;
            seg.expression = Expression::parse(inner);
            seg.isExpression = true;
            seg.text = whole;
            flushLiteral();
            out.push_back(std::move(seg));
        } catch (const VinaryError &) {
            literal += whole;
        }
        i = j + 1;
    }
    flushLiteral();
    return out;
}

bool isKeyShaped(const QString &name)
{
    if (name.isEmpty())
        return false;
    bool letter = false;
    for (const QChar c : name) {
        if (c >= u'A' && c <= u'Z')
            letter = true;
        else if (!(c.isDigit() && c.unicode() < 128) && c != u'_')
            return false;
    }
    return letter;
}

} // namespace vinary::report
