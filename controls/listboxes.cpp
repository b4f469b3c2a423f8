#include "controls.h"
#include "platform/services.h"
#include "rules/runtimeerror.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

using namespace Qt::StringLiterals;

namespace controls {

namespace {

// "c:", "C:\" -> "C:\"; "c:\Daten\" -> "C:\Daten"; 76 without a drive letter.
QString directoryPath(const QString &path)
{
    if (path.size() < 2 || !path.at(0).isLetter() || path.at(1) != u':')
        throw rules::RuntimeError(rules::RuntimeError::PathNotFound);
    QStringView rest = QStringView(path).mid(2);
    while (rest.startsWith(u'\\'))
        rest = rest.mid(1);
    while (rest.endsWith(u'\\'))
        rest.chop(1);
    return path.at(0).toUpper() + u":\\"_s + rest.toString();
}

QString childPath(const QString &directory, const QString &name)
{
    return directory.endsWith(u'\\') ? directory + name : directory + u'\\' + name;
}

// The highlighted entry is the selected one: a current item without a
// selection (as after tabbing into the list) highlights nothing.
int selectedRow(const QListWidget &list)
{
    const QList<QListWidgetItem *> selected = list.selectedItems();
    return selected.isEmpty() ? -1 : list.row(selected.first());
}

constexpr int depthRole = Qt::UserRole;
constexpr int indentPixels = 10;

// Indents every entry of the directory list by its depth below the root.
class IndentDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem indented = option;
        indented.rect.setLeft(option.rect.left() + indentOf(index));
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indentOf(index), 0);
    }

private:
    static int indentOf(const QModelIndex &index)
    {
        return index.data(depthRole).toInt() * indentPixels;
    }
};

} // namespace

DriveListBox::DriveListBox(platform::Services &services, QWidget *parent)
    : Control<QComboBox>(parent)
{
    // The lists have no caption; screen readers name them by what they hold.
    // (On Linux Qt names a combo box by its current text; its popup list
    // still takes the name.)
    setAccessibleName(u"Laufwerk"_s);
    view()->setAccessibleName(u"Laufwerk"_s);
    addItems(services.drives());
    connect(this, &QComboBox::currentIndexChanged, this, &DriveListBox::change);
}

QString DriveListBox::drive() const
{
    return currentText();
}

void DriveListBox::setDrive(const QString &path)
{
    const int index = findText(path.left(2), Qt::MatchFixedString);
    if (path.size() < 2 || path.at(1) != u':' || index < 0)
        throw rules::RuntimeError(rules::RuntimeError::DeviceUnavailable);
    const QSignalBlocker quiet(this);
    setCurrentIndex(index);
}

DirListBox::DirListBox(platform::Services &services, QWidget *parent)
    : Control<QListWidget>(parent)
    , m_services(services)
{
    setAccessibleName(u"Verzeichnisse"_s);
    setItemDelegate(new IndentDelegate(this));
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { open(row(item)); });
}

void DirListBox::open(int row)
{
    try {
        setPath(list(row - int(ancestors().size())));
    } catch (const rules::RuntimeError &) {
        // A directory that vanished since the list was read stays unopened.
    }
}

void DirListBox::keyPressEvent(QKeyEvent *event)
{
    // Enter stays here rather than pressing a dialog's default button.
    if (!isEnterKey(*event)) {
        Control<QListWidget>::keyPressEvent(event);
        return;
    }
    const int row = selectedRow(*this);
    if (row >= 0)
        open(row);
}

QString DirListBox::path() const
{
    return m_path;
}

void DirListBox::setPath(const QString &path)
{
    const QString directory = directoryPath(path);
    const QStringList subdirectories = m_services.subdirectories(directory);
    const bool changed = directory.compare(m_path, Qt::CaseInsensitive) != 0;
    fill(directory, subdirectories);
    if (changed)
        emit change();
}

void DirListBox::fill(const QString &path, const QStringList &subdirectories)
{
    m_path = path;
    clear();
    const QStringList chain = ancestors();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    for (qsizetype depth = 0; depth < chain.size(); ++depth) {
        const QString &ancestor = chain.at(depth);
        auto *item = new QListWidgetItem(
            open, depth == 0 ? ancestor.toLower() : ancestor.section(u'\\', -1), this);
        item->setData(depthRole, int(depth));
    }
    for (const QString &name : subdirectories) {
        auto *item = new QListWidgetItem(closed, name, this);
        item->setData(depthRole, int(chain.size()));
    }
    setCurrentRow(int(chain.size()) - 1);
}

QStringList DirListBox::ancestors() const
{
    if (m_path.isEmpty())
        return {};
    QStringList chain {m_path.left(3)};
    const QStringList components = m_path.mid(3).split(u'\\', Qt::SkipEmptyParts);
    for (const QString &component : components)
        chain << childPath(chain.last(), component);
    return chain;
}

int DirListBox::listIndex() const
{
    const int row = selectedRow(*this);
    return row < 0 ? -1 : row - int(ancestors().size());
}

void DirListBox::setListIndex(int index)
{
    const int row = index + int(ancestors().size());
    if (row < 0 || row >= count())
        throw rules::RuntimeError(rules::RuntimeError::InvalidProcedureCall);
    setCurrentRow(row);
}

QString DirListBox::list(int index) const
{
    const QStringList chain = ancestors();
    const int row = index + int(chain.size());
    if (row < 0 || row >= count())
        return {};
    return index < 0 ? chain.at(row) : childPath(m_path, item(row)->text());
}

int DirListBox::listCount() const
{
    return count() - int(ancestors().size());
}

FileListBox::FileListBox(platform::Services &services, QWidget *parent)
    : Control<QListWidget>(parent)
    , m_services(services)
{
    setAccessibleName(u"Dateien"_s);
}

QString FileListBox::path() const
{
    return m_path;
}

void FileListBox::setPath(const QString &path)
{
    const QString directory = directoryPath(path);
    fill(directory, m_services.files(directory));
}

void FileListBox::refresh()
{
    if (!m_path.isEmpty())
        fill(m_path, m_services.files(m_path));
}

void FileListBox::fill(const QString &path, const QStringList &files)
{
    m_path = path;
    clear();
    addItems(files);
}

int FileListBox::listIndex() const
{
    return selectedRow(*this);
}

void FileListBox::setListIndex(int index)
{
    if (index < -1 || index >= count())
        throw rules::RuntimeError(rules::RuntimeError::InvalidProcedureCall);
    setCurrentRow(index);
}

QString FileListBox::list(int index) const
{
    return index >= 0 && index < count() ? item(index)->text() : QString();
}

int FileListBox::listCount() const
{
    return count();
}

} // namespace controls
