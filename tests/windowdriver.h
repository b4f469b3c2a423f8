#pragma once

#include "app/horbelung.h"
#include "fakeservices.h"
#include "rows.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>

// The main window on the recording fake (or a kind of it), shown offscreen
// and driven the way a user drives it: clicks and typing.
template<class Recording = FakeServices> struct BasicWindowDriver
{
    Recording services;
    Horbelung window {services};

    BasicWindowDriver()
    {
        window.show();
        [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(&window);
    }

    template<class Control = QWidget> Control *control(const QString &name) const
    {
        auto *found = window.findChild<Control *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }

    // Buttons are pressed in their middle; options and check boxes on their
    // mark at the left, where a click always lands.
    void click(const QString &name) const
    {
        auto *button = control<QAbstractButton>(name);
        const bool marked = button->isCheckable();
        QTest::mouseClick(button, Qt::LeftButton, {},
                          marked ? QPoint(6, button->height() / 2) : button->rect().center());
    }

    void type(const QString &field, const QString &text) const
    {
        auto *edit = control<QLineEdit>(field);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

    // Page 1's database directory, then "&Weiter"; the log starts afresh.
    void openPage2(const QString &databaseDirectory)
    {
        type(QStringLiteral("Mh3dText2"), databaseDirectory);
        click(QStringLiteral("Command3D10"));
        services.log.clear();
    }

    // The log without the pointer and event entries.
    QStringList dialogue() const
    {
        QStringList entries;
        for (const QString &entry : services.log) {
            if (!entry.startsWith(QStringLiteral("pointer")) && entry != QStringLiteral("events"))
                entries << entry;
        }
        return entries;
    }
};

using WindowDriver = BasicWindowDriver<>;

// The cases recorded in tests/data/FILE, a row each by its name (rows.h):
// a case's lines "> STEP" say what is done, in order, the others what shows
// (empty lines, as between cases, are left out).
inline void addRecordedCases(const QString &file)
{
    QTest::addColumn<QString>("recorded");
    const QMap<QString, QString> texts = recordedTexts(file);
    for (auto it = texts.cbegin(); it != texts.cend(); ++it)
        QTest::newRow(qPrintable(it.key())) << it.value();
}

struct RecordedCase
{
    QStringList steps, shown;
    explicit RecordedCase(const QString &text)
    {
        for (const QString &line : text.split(u'\n', Qt::SkipEmptyParts)) {
            const bool step = line.startsWith(QStringLiteral("> "));
            (step ? steps : shown) << line.mid(step ? 2 : 0);
        }
    }
};
