#pragma once

#include "drivemap.h"
#include "services.h"

#include <QDir>
#include <QPointer>
#include <QWidget>

namespace platform {

class RealServices : public Services
{
public:
    // programDirectory and workingDirectory are host paths; the path file
    // lives in workingDirectory, and launches start in it.
    // stateFolder (a host path) keeps what the consoles of one restore tell
    // each other.
    RealServices(DriveMap drives, const QString &programDirectory,
                 const QString &workingDirectory = QDir::currentPath(),
                 const QString &stateFolder = defaultStateFolder());
    ~RealServices() override;

    int msgBox(const QString &prompt, int style) override;
    void beep() override;
    void setMousePointer(int pointer) override;
    void doEvents() override;
    QString appPath() const override;
    void shell(const launch::Command &command, int windowStyle) override;
    void kill(const QString &pattern) override;
    void rmDir(const QString &path) override;
    QStringList drives() const override;
    QStringList subdirectories(const QString &directory) override;
    QStringList files(const QString &directory) override;
    QByteArray readFile(const QString &name) override;
    void writeFile(const QString &name, const QByteArray &content) override;
    QStringList unfinishedRestores() override;
    bool undoRestore(const QString &folder) override;

    // The user's own data folder of the program.
    static QString defaultStateFolder();

    const DriveMap &driveMap() const { return m_drives; }
    // The window whose pointer setMousePointer sets; message boxes and other
    // windows keep their own.
    void setPointerWindow(QWidget *window);

private:
    DriveMap m_drives;
    QString m_programDirectory;
    QString m_workingDirectory;
    QString m_stateFolder;
    QPointer<QWidget> m_pointerWindow;
};

} // namespace platform
