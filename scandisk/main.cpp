// Checks the medium behind A: in its console: reads every file back, counts
// files and free space, and checks the file system read-only where the
// system allows it. Then a German summary, until Enter closes the window.
// Exits with 0 when everything could be read and checked, else 1.

#include "drive.h"
#include "visible.h"

#include "rules/runtimeerror.h"

#include <QLocale>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

QString bytes(qint64 size)
{
    return QLocale(QLocale::German).toString(size) + u" Bytes"_s;
}

struct Report
{
    QString text;
    bool passed = false;
};

Report report()
{
    QString root;
    try {
        root = scandisk::floppyRoot();
    } catch (const rules::RuntimeError &error) {
        const QString description = scandisk::visible(error.description());
        if (error.description() != rules::RuntimeError::descriptionOf(error.number()))
            return {u"Prüfung abgelehnt (Fehler %1): %2\n"_s.arg(error.number()).arg(description)};
        return {u"Laufwerk A: ist nicht verfügbar (Fehler %1: %2).\n"_s.arg(error.number())
                    .arg(description)};
    }
    scandisk::show(u"Prüfe Laufwerk A: …\n"_s);

    scandisk::ReadBack check;
    if (!scandisk::readBack(root, check))
        return {u"Laufwerk A: ist nicht bereit: keine Diskette eingelegt?\n"_s};
    bool failed = !check.unreadable.isEmpty();
    const QString fileSystem = scandisk::fileSystemCheck(root, failed);
    QString text = u"Diskettenprüfung von Laufwerk A:\n"_s;
    text += u"Dateien: %1, zusammen %2 gelesen.\n"_s.arg(check.files).arg(bytes(check.read));
    if (const std::optional<qint64> free = scandisk::freeSpace(root))
        text += u"Frei: %1.\n"_s.arg(bytes(*free));
    const auto list = [&text](const QString &title, const QStringList &entries) {
        if (entries.isEmpty())
            return;
        text += u"%1 (%2):\n"_s.arg(title).arg(entries.size());
        for (const QString &entry : entries)
            text += u"  "_s + entry + u'\n';
    };
    list(u"Nicht lesbar"_s, check.unreadable);
    list(u"Nicht geprüft"_s, check.unchecked);
    text += fileSystem + u'\n';
    if (failed)
        text += u"Ergebnis: Die Diskette hat FEHLER – verwenden Sie eine andere Diskette.\n"_s;
    else if (!check.unchecked.isEmpty())
        text
            += u"Ergebnis: Die Diskette wurde nicht vollständig geprüft (siehe „Nicht geprüft“).\n"_s;
    else
        text += u"Ergebnis: Die Diskette ist in Ordnung.\n"_s;
    return {text, !failed && check.unchecked.isEmpty()};
}

} // namespace

int main()
{
    const Report result = report();
    scandisk::show(u"\n"_s + result.text + u"\nFenster schließen: Eingabetaste\n"_s);
    QTextStream(stdin).readLine();
    return result.passed ? 0 : 1;
}
