#pragma once
// The one general exception class of the system. Failures inside the system's own code are raised as
// this class with one of the system's fixed English messages; nothing ever catches it by a subclass.
#include <QString>
#include <exception>
#include <string>

class Exception : public std::exception
{
public:
    explicit Exception(const QString& message) : FMessage(message), FUtf8(message.toStdString()) {}
    const QString& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    QString FMessage;
    std::string FUtf8;
};
