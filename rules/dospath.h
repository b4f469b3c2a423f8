#pragma once

#include <QString>

// The DOS form of a Windows path for the archiver's command line: every blank
// dropped and every directory name longer than eight characters cut to six
// characters and "~1". The rule alone decides; the disk is never asked. A path
// that already holds a "~" is taken as it stands. Throws RuntimeError 6 for a
// path longer than 32767 characters, as the 16-bit position counter overflows.
QString pfadFuerDos(const QString &pfad);
