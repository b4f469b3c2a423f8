// Hostile input through the real window on the recording fake: an overlong
// path and archiver switches in the two fields. Nothing crashes, and nothing
// runs. (That the launcher takes its words literally is tst_launcher's, that
// no name Windows cannot hold is listed tst_hostfs's; hostile path files are
// the path-file fuzzer's.)
#include "rules/runtimeerror.h"
#include "windowdriver.h"

using namespace Qt::StringLiterals;
using rules::RuntimeError;

namespace {

const QString failed
    = u"box 16: Die Horbelung / Wiederherstellung wurde nicht vollständig durchgeführt."_s;

QString errorBox(int number)
{
    return u"box 0: Fehler Nr.:  %1    %2"_s.arg(number).arg(RuntimeError::descriptionOf(number));
}

} // namespace

class TstHostile : public QObject
{
    Q_OBJECT

private slots:
    // A directory field the archiver must not get fails with 52 before any launch: longer
    // than Windows takes, or with a word the archiver would take for a switch (-hc and -vs run
    // a command). One of the longest it takes is launched.
    void refusedField_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("launched");
        const auto lang = [](int length) {
            return u"C:\\"_s + QString(length - 4, u'A') + u'\\';
        };
        QTest::newRow("database directory")
            << u"Mh3dText2"_s << u"Option3D1"_s << lang(249) << false;
        QTest::newRow("backup directory") << u"Mh3dText1"_s << u"Option3D5"_s << lang(249) << false;
        QTest::newRow("far beyond the DOS form's counter")
            << u"Mh3dText2"_s << u"Option3D1"_s << lang(40000) << false;
        QTest::newRow("just short enough") << u"Mh3dText1"_s << u"Option3D5"_s << lang(248) << true;
        QTest::newRow("a switch in the database directory")
            << u"Mh3dText2"_s << u"Option3D5"_s << u"C:\\~\\ -hctouch${IFS}PWNED\\"_s << false;
        QTest::newRow("a switch in the backup directory")
            << u"Mh3dText1"_s << u"Option3D5"_s << u"C:\\~\\ -vstouch${IFS}PWNED\\"_s << false;
    }
    void refusedField()
    {
        QFETCH(QString, field);
        QFETCH(QString, target);
        QFETCH(QString, path);
        QFETCH(bool, launched);
        WindowDriver d;
        d.openPage2(u"C:\\NOKRAT\\"_s);
        d.click(target);
        d.control<QLineEdit>(field)->setText(path);
        d.services.log.clear();
        d.click(u"Command3D1"_s);
        if (launched) {
            QCOMPARE(d.services.launches().size(), 1);
            return;
        }
        QCOMPARE(d.dialogue(),
                 QStringList({u"beep"_s, failed, errorBox(RuntimeError::BadFileNameOrNumber)}));
        QCOMPARE(d.services.pointer, 0);
        QCOMPARE(d.control<QLineEdit>(field)->text(), path);
    }
};

QTEST_MAIN(TstHostile)
#include "tst_hostile.moc"
