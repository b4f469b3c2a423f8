// holdfile FILE READY DONE: holds FILE open without sharing it, as a
// program that writes it does, creates READY, and lets go once DONE exists
// (after 20 s at the latest). Byte-range locks would do on Windows, but
// Wine does not enforce them on reads.

#include <windows.h>

int main(int argc, char *argv[])
{
    if (argc != 4)
        return 2;
    const HANDLE file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    CloseHandle(CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    for (int waited = 0; waited < 400 && GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES;
         ++waited)
        Sleep(50);
    CloseHandle(file);
    return 0;
}
