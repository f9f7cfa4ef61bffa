#pragma once

#include <QString>
#include <stdexcept>

namespace vinary {

// An error whose message is the text the user sees. Every layer raises these (or other
// std::exception types); the command guard of the user interface shows the message.
class VinaryError : public std::runtime_error
{
public:
    explicit VinaryError(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};

// Ends the current user action without any message, as a refused deletion does.
class SilentAbort : public std::exception
{
public:
    const char *what() const noexcept override { return "Operation aborted"; }
};

} // namespace vinary
