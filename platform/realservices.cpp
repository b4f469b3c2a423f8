#include "realservices.h"

#include "console/restorejournal.h"
#include "fileops.h"
#include "rules/runtimeerror.h"

#include <QApplication>
#include <QFile>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

#include <span>
#include <utility>
#include <vector>

namespace platform {

namespace {

struct Icon
{
    int style;
    QMessageBox::Icon icon;
};

constexpr Icon icons[] = {
    {MsgBox::Critical, QMessageBox::Critical},
    {MsgBox::Question, QMessageBox::Question},
    {MsgBox::Exclamation, QMessageBox::Warning},
    {MsgBox::Information, QMessageBox::Information},
};

struct Button
{
    const char16_t *text;
    QMessageBox::ButtonRole role;
    int answer;
};

constexpr Button okOnly[] = {{u"OK", QMessageBox::AcceptRole, MsgBox::Ok}};
constexpr Button yesNo[]
    = {{u"&Ja", QMessageBox::YesRole, MsgBox::Yes}, {u"&Nein", QMessageBox::NoRole, MsgBox::No}};

QMessageBox::Icon iconFor(int style)
{
    for (const Icon &entry : icons) {
        if ((style & 0x70) == entry.style)
            return entry.icon;
    }
    return QMessageBox::NoIcon;
}

// The title's width and what a title bar puts beside it: icon, minimise,
// maximise and close buttons, frame.
int titleRoom(const QMessageBox &box)
{
    constexpr int titleBarExtra = 160;
    QFont titleFont = box.font();
    titleFont.setBold(true);
    return QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + titleBarExtra;
}

} // namespace

RealServices::RealServices(DriveMap drives, const QString &programDirectory,
                           const QString &workingDirectory, const QString &stateFolder)
    : m_drives(std::move(drives))
    , m_programDirectory(programDirectory)
    , m_workingDirectory(workingDirectory)
    , m_stateFolder(stateFolder)
{ }

QString RealServices::defaultStateFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)
        + QStringLiteral("/laeufe");
}

QStringList RealServices::unfinishedRestores()
{
    QStringList folders;
    for (const auto &[path, journal] : restore::unfinished(m_stateFolder.toUtf8().toStdString()))
        folders << QString::fromUtf8(journal.shownFolder);
    return folders;
}

bool RealServices::undoRestore(const QString &folder)
{
    bool back = true;
    for (auto &[path, journal] : restore::unfinished(m_stateFolder.toUtf8().toStdString())) {
        if (QString::fromUtf8(journal.shownFolder) != folder)
            continue;
        // Undone, it has nothing left to tell a later disk.
        if (restore::undo(journal))
            QFile::remove(QString::fromUtf8(path));
        else
            back = false;
    }
    return back;
}

RealServices::~RealServices() = default;

int RealServices::msgBox(const QString &prompt, int style)
{
    QMessageBox box(iconFor(style), QStringLiteral("Horbelung"), prompt, QMessageBox::NoButton,
                    QApplication::activeWindow());
    std::vector<std::pair<QAbstractButton *, int>> answers;
    const std::span<const Button> buttons = (style & 7) == MsgBox::YesNo
        ? std::span<const Button>(yesNo)
        : std::span<const Button>(okOnly);
    for (const Button &button : buttons)
        answers.emplace_back(box.addButton(QString::fromUtf16(button.text), button.role),
                             button.answer);
    // Escape and the title bar's close give the last answer: OK or No.
    box.setEscapeButton(answers.back().first);
    // Room for the title beside the title bar's icon and buttons, which the
    // window manager would otherwise cut to "Ho…ng" over a short text.
    auto *grid = static_cast<QGridLayout *>(box.layout());
    grid->addItem(new QSpacerItem(titleRoom(box), 0), grid->rowCount(), 0, 1, grid->columnCount());
    box.exec();
    for (const auto &[button, answer] : answers) {
        if (box.clickedButton() == button)
            return answer;
    }
    return answers.back().second;
}

void RealServices::beep()
{
    QApplication::beep();
}

void RealServices::setPointerWindow(QWidget *window)
{
    m_pointerWindow = window;
}

void RealServices::setMousePointer(int pointer)
{
    // On the window alone: a box shown meanwhile waits for the user, so it
    // keeps the normal pointer.
    if (!m_pointerWindow)
        return;
    if (pointer == MousePointer::Hourglass)
        m_pointerWindow->setCursor(Qt::WaitCursor);
    else
        m_pointerWindow->unsetCursor();
}

void RealServices::doEvents()
{
    QCoreApplication::processEvents();
}

void RealServices::kill(const QString &pattern)
{
    fileops::kill(m_drives, pattern);
}

void RealServices::rmDir(const QString &path)
{
    fileops::rmDir(m_drives, path);
}

QStringList RealServices::drives() const
{
    return m_drives.drives();
}

QStringList RealServices::subdirectories(const QString &directory)
{
    return fileops::subdirectories(m_drives, directory);
}

QStringList RealServices::files(const QString &directory)
{
    return fileops::files(m_drives, directory);
}

QByteArray RealServices::readFile(const QString &name)
{
    return fileops::readFile(fileops::inFolder(m_workingDirectory, name));
}

void RealServices::writeFile(const QString &name, const QByteArray &content)
{
    fileops::writeFile(fileops::inFolder(m_workingDirectory, name), content);
}

} // namespace platform
