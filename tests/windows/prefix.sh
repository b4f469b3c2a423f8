#!/bin/sh
# prefix.sh PREFIX: the Wine prefix the Windows tests run in, made afresh:
# C: its own drive_c with C:\TOOLS, A: and B: scratch folders marked as the
# tests' own (the tests empty them, and refuse drives without the mark),
# D: a scratch folder for backups on the hard disk, N: a drive that is not
# ready.
set -eu
prefix=$1
wineserver_kill() { WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true; }
wineserver_kill
rm -rf "$prefix"
mkdir -p "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all
# No downloads of Wine's .NET and browser engines: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
wineboot --init
wineserver -w
mkdir -p "$prefix/drive_c/TOOLS"
for drive in a b d; do
    folder="$prefix/scratch_$drive"
    mkdir -p "$folder"
    rm -f "$prefix/dosdevices/$drive:" "$prefix/dosdevices/$drive::"
    ln -s "$folder" "$prefix/dosdevices/$drive:"
done
touch "$prefix/scratch_a/horbelung-sandbox" "$prefix/scratch_b/horbelung-sandbox"
# N: a drive without a disk: its folder is missing.
ln -sfn "$prefix/no-disk" "$prefix/dosdevices/n:"
# A: and B: floppy drives, as the program insists before it empties or
# lists them (Wine's default for the two letters, said here to be sure).
for drive in a b; do
    wine reg add 'HKLM\Software\Wine\Drives' /v "$drive:" /t REG_SZ /d floppy /f >/dev/null
done

# The tests run on Qt's offscreen platform, which draws with the fonts of
# one folder. Both are told in the environment, which Wine takes from the
# registry (it drops Qt's variables from the host's).
fonts="$prefix/qtfonts"
mkdir -p "$fonts"
for font in /usr/share/fonts/truetype/liberation/*.ttf /usr/share/fonts/truetype/dejavu/*.ttf; do
    ln -sf "$font" "$fonts/"
done
wine reg add 'HKCU\Environment' /v QT_QPA_PLATFORM /t REG_SZ /d offscreen /f >/dev/null
wine reg add 'HKCU\Environment' /v QT_QPA_FONTDIR /t REG_SZ /d "Z:$fonts" /f >/dev/null
wineserver -w
