// Rewrites hobe.ini in the folder given as its argument through the real
// services, alternating between two contents, until it is killed. Prints
// "ready" once the first content is complete on disk.
#include "pathfilewriter.h"

#include "platform/realservices.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    platform::RealServices services(platform::DriveMap::atPrefix(folder), folder, folder);
    const QByteArray contents[] = {writerContent(0), writerContent(1)};
    for (int round = 0;; ++round) {
        services.writeFile(QString::fromUtf16(pathfile::fileName), contents[round % 2]);
        if (round == 0) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
