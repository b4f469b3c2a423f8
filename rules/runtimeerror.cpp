#include "runtimeerror.h"

namespace rules {

RuntimeError::RuntimeError(int number)
    : RuntimeError(number, descriptionOf(number))
{ }

RuntimeError::RuntimeError(int number, const QString &description)
    : m_number(number)
    , m_description(description)
    , m_what(QStringLiteral("Fehler %1: %2").arg(number).arg(description).toUtf8())
{ }

QString RuntimeError::descriptionOf(int number)
{
    switch (number) {
    case InvalidProcedureCall:
        return QStringLiteral("Unzulässiger Prozeduraufruf oder ungültiges Argument");
    case Overflow:
        return QStringLiteral("Überlauf");
    case OutOfMemory:
        return QStringLiteral("Nicht genügend Speicher");
    case TypeMismatch:
        return QStringLiteral("Typen unverträglich");
    case InternalError:
        return QStringLiteral("Interner Fehler");
    case BadFileNameOrNumber:
        return QStringLiteral("Dateiname oder -nummer falsch");
    case FileNotFound:
        return QStringLiteral("Datei nicht gefunden");
    case DeviceIoError:
        return QStringLiteral("Fehler beim Lesen/Schreiben des Geräts");
    case DiskFull:
        return QStringLiteral("Datenträger voll");
    case InputPastEndOfFile:
        return QStringLiteral("Einlesen hinter Dateiende");
    case DeviceUnavailable:
        return QStringLiteral("Gerät nicht verfügbar");
    case PermissionDenied:
        return QStringLiteral("Zugriff verweigert");
    case DiskNotReady:
        return QStringLiteral("Datenträger nicht bereit");
    case PathFileAccessError:
        return QStringLiteral("Fehler beim Zugriff auf Pfad/Datei");
    case PathNotFound:
        return QStringLiteral("Pfad nicht gefunden");
    default:
        return QStringLiteral("Anwendungs- oder objektdefinierter Fehler");
    }
}

} // namespace rules
