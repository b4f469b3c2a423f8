#pragma once

#include <QString>

#include <exception>

namespace rules {

// A Windows run-time error: the number the handlers branch on and the German
// text the failure boxes show. A handler's error trap is a try around its body.
class RuntimeError : public std::exception
{
public:
    // The numbers this program meets.
    enum Number {
        InvalidProcedureCall = 5,
        Overflow = 6,
        OutOfMemory = 7,
        TypeMismatch = 13,
        InternalError = 51,
        BadFileNameOrNumber = 52,
        FileNotFound = 53,
        DeviceIoError = 57,
        DiskFull = 61,
        InputPastEndOfFile = 62,
        DeviceUnavailable = 68,
        PermissionDenied = 70,
        DiskNotReady = 71,
        PathFileAccessError = 75,
        PathNotFound = 76,
    };

    explicit RuntimeError(int number);
    // With a description that says more than the number's own.
    RuntimeError(int number, const QString &description);

    int number() const { return m_number; }
    QString description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

    static QString descriptionOf(int number);

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};

} // namespace rules
