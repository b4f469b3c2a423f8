#include <QTest>
class Tst : public QObject
{
    Q_OBJECT
};
QTEST_MAIN(Tst)
#include "tst_pathfile.moc"
