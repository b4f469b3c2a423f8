#pragma once

#include "platform/codepage1252.h"
#include "settings/pathfile.h"

#include <QByteArray>

// The two path files the writer of tst_faults alternates between: ten
// directories of 100 000 times one letter, so that one write takes long
// enough to be killed in the middle of it.
inline QByteArray writerContent(int round)
{
    pathfile::Directories dirs;
    dirs.fill(QString(100000, round % 2 == 0 ? u'A' : u'B'));
    return platform::toCodePage1252(pathfile::format(dirs));
}
