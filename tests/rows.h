#pragma once

#include <QFile>
#include <QMap>
#include <QTest>

#include <initializer_list>

// A test's table as struct rows in one column, "row", each named by its
// first member: the test reads a case as one value, row.field by field.
template<class Row> void addRows(std::initializer_list<Row> rows)
{
    QTest::addColumn<Row>("row");
    for (const Row &row : rows)
        QTest::newRow(row.name) << row;
}

// The texts recorded in tests/data/FILE (TESTDATA is that folder), each
// from below a line "=== NAME" up to the next such line, without the line
// break before it (an empty line there ends the text with one): what a
// case must print, whole, where writing it out in C++ would bury the table.
inline QMap<QString, QString> recordedTexts(const QString &file)
{
    QFile recorded(QStringLiteral(TESTDATA "/") + file);
    if (!recorded.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("cannot read %s", qPrintable(recorded.fileName()));
    QMap<QString, QString> texts;
    QString name;
    QString all = QString::fromUtf8(recorded.readAll());
    if (all.endsWith(u'\n'))
        all.chop(1);
    for (const QString &line : all.split(u'\n')) {
        if (line.startsWith(QStringLiteral("=== ")))
            name = line.mid(4);
        else if (!name.isEmpty())
            texts[name] += line + u'\n';
    }
    for (QString &text : texts)
        text.chop(1); // the line break before the next name
    return texts;
}
