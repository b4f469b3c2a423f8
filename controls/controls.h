#pragma once

// The controls the two windows are built from, with the members their
// handlers use. Geometry is kept in twips as doubles (217.5 stays 217.5) and
// shown at 15 twips per logical pixel; fractions become pixels only when the
// control is placed on screen.
//
// CONTRACT: the declarations below are what the windows rely on. The Control
// and Form mixins live in control.h and form.h.

#include "control.h"
#include "form.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QToolButton>

namespace platform {
class Services;
}

namespace controls {

// Panel with a bevelled frame and a background colour. Bevel outer 0 draws
// no bevel, 1 a sunken and 2 a raised one, bevel width pixels wide; the
// border is a band of the background colour inside it.
class VqsPanel : public Control<QFrame>
{
    Q_OBJECT
public:
    explicit VqsPanel(QWidget *parent = nullptr);
    QColor backColor() const;
    void setBackColor(const QColor &color);
    int bevelWidth() const { return m_bevelWidth; }
    void setBevelWidth(int width);
    int borderWidth() const { return m_borderWidth; }
    void setBorderWidth(int width);
    int bevelOuter() const { return m_bevelOuter; }
    void setBevelOuter(int bevel);
signals:
    // The mouse moved over the panel's own surface, not over a child.
    // button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt;
    // x and y in twips.
    void mouseMove(int button, int shift, double x, double y);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void updateFrame();

    int m_bevelWidth = 0;
    int m_borderWidth = 0;
    int m_bevelOuter = 0;
};

// Option button; options with the same container form one exclusive group,
// each of them a tab stop of its own. clicked() is emitted after the value
// changed, also when a click leaves it unchanged.
class VqsOption : public Control<QRadioButton>
{
    Q_OBJECT
public:
    explicit VqsOption(QWidget *parent = nullptr);
    bool value() const;
    void setValue(bool selected);
    void setBackColor(const QColor &color);

protected:
    void nextCheckState() override;
};

class VqsCheck : public Control<QCheckBox>
{
    Q_OBJECT
public:
    explicit VqsCheck(QWidget *parent = nullptr);
    int value() const; // 1 = ticked, 0 = not
    void setValue(int value);
    void setBackColor(const QColor &color);
};

// Graphical command button: a picture above its caption, the picture alone
// without one; "&" marks the access key (Alt with the letter presses it).
class CommandButton : public Control<QToolButton>
{
    Q_OBJECT
public:
    explicit CommandButton(QWidget *parent = nullptr);
    QString caption() const;
    void setCaption(const QString &caption);
    void setPicture(const QIcon &picture, int pixels); // 32 for captioned buttons, 16 else
    void setBackColor(const QColor &color);
signals:
    void mouseMove();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    // Enter presses the focused button, as Space does.
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Windows wraps a caption that is too wide for the button at a blank.
    void wrapCaption();

    QString m_caption;
};

// A label of plain text (quotes and ampersands show as they are), wrapping
// its words unless it sizes itself to its text.
class Label : public Control<QLabel>
{
    Q_OBJECT
public:
    explicit Label(QWidget *parent = nullptr);
    QString caption() const;
    void setCaption(const QString &caption);
    // Sizes itself to its text whenever caption or font change: on one line
    // (word wrap goes off), or to the height of the wrapped text if word wrap
    // is switched on again afterwards.
    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool on);
    void setForeColor(const QColor &color);
    void setBackColor(const QColor &color);
    void setBorder(bool singleLine);

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void fitToText();

    bool m_autoSize = false;
    bool m_border = false;
};

// A single-line field: line breaks, typed, pasted or set, are dropped.
class TextBox : public Control<QLineEdit>
{
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent = nullptr);
};

// The lists of the deletion panel and the path dialog read the disk through
// the services, so they see the drives the services map. Paths are Windows
// paths with an upper-case drive letter and no trailing backslash except on
// a root: "A:\", "C:\DATEN". A bare drive "c:" stands for its root.

// The drives of the services, as "a:", "c:", starting on the first one.
class DriveListBox : public Control<QComboBox>
{
    Q_OBJECT
public:
    explicit DriveListBox(platform::Services &services, QWidget *parent = nullptr);
    QString drive() const; // "c:"
    // Takes the drive letter at the start of a path; 68 when there is no
    // such drive. Emits nothing: only the user's choice is a change.
    void setDrive(const QString &path);
signals:
    // The user picked another drive (not the one shown, not by setDrive),
    // so a handler never sees its own setDrive come back.
    void change();
};

// Shows the open directory's ancestors, the open directory and, indented,
// its subdirectories. List index -1 is the open directory, -2 its parent and
// so on up to the root; 0 and on are its subdirectories. Clicking only
// highlights; a double-click or Enter opens the entry.
class DirListBox : public Control<QListWidget>
{
    Q_OBJECT
public:
    explicit DirListBox(platform::Services &services, QWidget *parent = nullptr);
    QString path() const; // "A:\", "C:\DATEN"
    // Reads the directory and highlights it (list index -1). Throws
    // rules::RuntimeError (76 missing, 71 drive not ready) and then keeps the old
    // path; emits change() when the path changes.
    void setPath(const QString &path);
    int listIndex() const;
    // 5 for an index outside the list.
    void setListIndex(int index);
    // Full path of an entry ("A:\X"), empty outside the list; list(-1) == path().
    QString list(int index) const;
    int listCount() const; // subdirectories
signals:
    void change();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Opens the entry in this row of the list widget.
    void open(int row);
    void fill(const QString &path, const QStringList &subdirectories);
    QStringList ancestors() const; // root first, the open directory last

    platform::Services &m_services;
    QString m_path;
};

class FileListBox : public Control<QListWidget>
{
    Q_OBJECT
public:
    explicit FileListBox(platform::Services &services, QWidget *parent = nullptr);
    QString path() const;
    // Reads the directory, no file highlighted; throws as DirListBox::setPath
    // and then keeps the old path.
    void setPath(const QString &path);
    int listIndex() const; // -1 when no file is highlighted
    void setListIndex(int index); // 5 outside the list; -1 highlights none
    QString list(int index) const; // file name, empty outside the list
    int listCount() const;
    // Reads the directory again; no file highlighted.
    void refresh();

private:
    void fill(const QString &path, const QStringList &files);

    platform::Services &m_services;
    QString m_path;
};

// A face and size from the windows' design mapped onto the fonts at hand:
// "MS Sans Serif" onto Liberation Sans (else DejaVu Sans, else the system's
// sans serif), "Times New Roman" onto its metric twin Liberation Serif (else
// DejaVu Serif, else the system's serif). Sizes stay in points; bold is
// weight 700.
QFont designFont(const QString &face, double points, bool bold, bool underline = false);

} // namespace controls
