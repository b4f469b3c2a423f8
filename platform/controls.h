#pragma once

// The controls the two windows are built from, with the members their
// handlers use. Geometry is kept in twips as doubles (217.5 stays 217.5) and
// shown at 15 twips per logical pixel; fractions become pixels only when the
// control is placed on screen.
//
// CONTRACT (to be implemented in platform/): the declarations below are what
// the windows rely on. Implementations may add members, split the classes
// over several files and add private helpers, but keep these names.

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

inline constexpr double twipsPerPixel = 15.0;

// Position and size in twips relative to the container, tab stop and tab
// index, and front/back stacking, for any widget.
template<class Widget> class Control : public Widget
{
public:
    using Widget::Widget;

    double leftTwips() const;
    double topTwips() const;
    double widthTwips() const;
    double heightTwips() const;
    void setLeftTwips(double left);
    void setTopTwips(double top);
    void setWidthTwips(double width);
    void setHeightTwips(double height);
    void setGeometryTwips(double left, double top, double width, double height);

    // Off: the Tab key passes the control by (a click still focuses it).
    bool tabStop() const;
    void setTabStop(bool on);
    // Moves the control to this place in its window's tab order, shifting
    // the others, and rebuilds the focus chain.
    int tabIndex() const;
    void setTabIndex(int index);

    // 0 brings the control in front of its siblings, 1 sends it behind them.
    void zOrder(int position);
};

// Panel with a bevelled frame and a background colour.
class VqsPanel : public Control<QFrame>
{
    Q_OBJECT
public:
    explicit VqsPanel(QWidget *parent = nullptr);
    QColor backColor() const;
    void setBackColor(const QColor &color);
    void setBevelWidth(int width);
    void setBorderWidth(int width);
    void setBevelOuter(int bevel);
signals:
    // The mouse moved over the panel's own surface, not over a child.
    void mouseMove(int button, int shift, double x, double y);
};

// Option button; options with the same container form one exclusive group.
// clicked() is emitted after the value changed.
class VqsOption : public Control<QRadioButton>
{
    Q_OBJECT
public:
    explicit VqsOption(QWidget *parent = nullptr);
    bool value() const;
    void setValue(bool selected);
    void setBackColor(const QColor &color);
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

// Graphical command button: a picture above its caption; "&" marks the access key.
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
};

class Label : public Control<QLabel>
{
    Q_OBJECT
public:
    explicit Label(QWidget *parent = nullptr);
    QString caption() const;
    void setCaption(const QString &caption);
    // Sizes itself to its text whenever caption or font change.
    void setAutoSize(bool on);
    void setForeColor(const QColor &color);
    void setBackColor(const QColor &color);
    void setBorder(bool singleLine);
};

class TextBox : public Control<QLineEdit>
{
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent = nullptr);
};

// The lists of the deletion panel and the path dialog read the disk through
// the services, so they see the drives the services map.
class DriveListBox : public Control<QComboBox>
{
    Q_OBJECT
public:
    explicit DriveListBox(Services &services, QWidget *parent = nullptr);
    QString drive() const; // "c:"
    // Takes the drive letter at the start of a path.
    void setDrive(const QString &path);
signals:
    void change();
};

// Lists the open directory's subdirectories. List index -1 is the open
// directory itself, 0 and on its subdirectories; a double-click opens one.
class DirListBox : public Control<QListWidget>
{
    Q_OBJECT
public:
    explicit DirListBox(Services &services, QWidget *parent = nullptr);
    QString path() const; // "A:\", "C:\DATEN"
    // Throws RuntimeError (76 missing, 71 drive not ready); emits change()
    // when the path changes.
    void setPath(const QString &path);
    int listIndex() const;
    void setListIndex(int index);
    QString list(int index) const; // full path of an entry; list(-1) == path()
    int listCount() const;
    void refresh();
signals:
    void change();
};

class FileListBox : public Control<QListWidget>
{
    Q_OBJECT
public:
    explicit FileListBox(Services &services, QWidget *parent = nullptr);
    QString path() const;
    void setPath(const QString &path); // throws as DirListBox::setPath
    int listIndex() const; // -1 when no file is highlighted
    void setListIndex(int index);
    QString list(int index) const; // file name
    int listCount() const;
    QString fileName() const; // highlighted file name, empty when none
    void refresh();
};

// Window properties in twips and the window state, for a top-level window.
// Form_Resize() runs when the window is first shown and after every change
// of its size or state.
enum class FormState { Normal = 0, Minimized = 1, Maximized = 2 };

template<class Base> class Form : public Base
{
public:
    using Base::Base;

    // Outer size, frame and caption included.
    double widthTwips() const;
    double heightTwips() const;
    void setWidthTwips(double width);
    void setHeightTwips(double height);
    // Client area.
    double scaleWidthTwips() const;
    double scaleHeightTwips() const;
    // Sets the client area exactly; a later size change by the user or the
    // window system replaces it with the pixel size.
    void setScaleSizeTwips(double width, double height);

    FormState formState() const;
    void setFormState(FormState state);
    QColor backColor() const;

protected:
    virtual void Form_Resize() = 0;
};

// A face and size from the windows' design mapped onto the fonts at hand.
QFont designFont(const QString &face, double points, bool bold, bool underline = false);

} // namespace platform
