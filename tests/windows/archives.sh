#!/bin/sh
# archives.sh ARJ FOLDER: the backups the restores of tst_winlaunch read,
# made by the real archiver: FOLDER/SET/volumes/ holds a backup of one, two
# or three disks and FOLDER/SET/files/ the files in it. Volumes of 10 000
# bytes, the least the archiver takes, and the files stored, so that the
# number of volumes does not depend on the data.
set -eu
arj=$1
out=$2
rm -rf "$out"
make() { # SET BYTES VOLUMES
    mkdir -p "$out/$1/files" "$out/$1/volumes"
    yes "Horbelung $1 0123456789" | head -c "$2" >"$out/$1/files/Nokrat.mdb"
    printf 'Kl %s' "$1" >"$out/$1/files/Kl.mdb"
    (cd "$out/$1/files" && "$arj" a ../volumes/NOKUhobe.arj Kl.mdb Nokrat.mdb -v10k -m0 -e -y >/dev/null)
    count=$(ls "$out/$1/volumes" | wc -l)
    if [ "$count" -ne "$3" ]; then
        echo "$1: $count volumes instead of $3" >&2
        exit 1
    fi
}
make one 3000 1
make two 14000 2
make three 24000 3
