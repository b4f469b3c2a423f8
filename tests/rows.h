#pragma once

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
