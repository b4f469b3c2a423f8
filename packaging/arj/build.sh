#!/bin/sh
# build.sh SOURCE OUTPUT: builds arj.exe, the archiver as a 64-bit Windows
# console program, from an arj source tree (Debian's, with the patches
# beside this script applied) into OUTPUT/arj.exe, the way the source's own
# GNU makefile builds it for Unix: the message tables are made by msgbind,
# the self-extractor modules and the packed help text are joined to the
# program, postproc stamps them and the program's own check sum.
#
# The tools run on the build machine and are compiled with HOST_CC; they
# are told that the target is Win32 (the OS id given to msgbind, the
# TOOLS_FOR_WIN32 define), which Debian's configure cannot tell them.
# HOST_ARJ packs the help text (a native arj of the same source).
#
# Environment: CC (default x86_64-w64-mingw32-gcc-posix), STRIP, HOST_CC
# (default cc), HOST_ARJ (default arj), JOBS (parallel compiles, default 2),
# SOURCE_DATE_EPOCH (the help archive's date; default the changelog's).
set -eu

[ $# -eq 2 ] || { echo "usage: $0 SOURCE OUTPUT" >&2; exit 2; }
src=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
cc=${CC:-x86_64-w64-mingw32-gcc-posix}
strip=${STRIP:-x86_64-w64-mingw32-strip}
host_cc=${HOST_CC:-cc}
host_arj=${HOST_ARJ:-arj}
jobs=${JOBS:-2}
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$src/debian/changelog" -STimestamp)
fi

tools=$out/tools
target=$out/target
rm -rf "$tools" "$target"
mkdir -p "$tools" "$target"

# What configure would have found; the locale is English, as Debian's.
cat >"$tools/c_defs.h" <<'EOF'
#define LOCALE LANG_en
#define LOCALE_DESC "en"
#define NP_SFX 1
#define HAVE_STRCASECMP 1
#define HAVE_STRNLEN 1
EOF
cat >"$target/c_defs.h" <<'EOF'
#define LOCALE LANG_en
#define LOCALE_DESC "en"
#define NP_SFX 1
#define HAVE_STRNLEN 1
#define fcloseall _fcloseall
EOF

# MinGW predefines WIN32, which the source defines as its own OS number.
target_flags="-O2 -UWIN32 -I$target -I$src"
tools_flags="-O2 -D_UNIX -DARJUTIL -DTOOLS_FOR_WIN32 -I$tools -I$src"

# compile COMPILER FLAGS FOLDER NAME...: NAME.c from the generated message
# tables (compiled without the module's flags, as the makefile does) or
# from the source, JOBS at a time.
compile() {
    compiler=$1
    flags=$2
    folder=$3
    shift 3
    mkdir -p "$folder"
    pids=""
    running=0
    for unit in "$@"; do
        if [ -f "$target/$unit.c" ]; then
            # shellcheck disable=SC2086
            $compiler -c $target_flags -o "$folder/$unit.o" "$target/$unit.c" &
        else
            # shellcheck disable=SC2086
            $compiler -c $flags -o "$folder/$unit.o" "$src/$unit.c" &
        fi
        pids="$pids $!"
        running=$((running + 1))
        if [ $running -ge "$jobs" ]; then
            for pid in $pids; do wait "$pid"; done
            pids=""
            running=0
        fi
    done
    for pid in $pids; do wait "$pid"; done
}

# link COMPILER FOLDER PROGRAM NAME...
link() {
    compiler=$1
    folder=$2
    program=$3
    shift 3
    objects=""
    for unit in "$@"; do objects="$objects $folder/$unit.o"; done
    # shellcheck disable=SC2086
    $compiler -o "$program" $objects
}

# tool NAME OBJECT...
tool() {
    name=$1
    shift
    compile "$host_cc" "$tools_flags" "$tools/$name.d" "$@"
    link "$host_cc" "$tools/$name.d" "$tools/$name" "$@"
}
tool msgbind filemode msgbind arjdata crc32
tool join filemode join
tool postproc filemode postproc crc32

for table in msg_stb msg_sfj msg_sfx msg_sfv msg_arj; do
    "$tools/msgbind" "$src/resource/resource.txt" $table WIN32 s en "$target" >/dev/null
done

# module NAME FLAGS OBJECT...: a self-extractor module, stripped and stamped.
module() {
    name=$1
    flags=$2
    shift 2
    compile "$cc" "$target_flags $flags" "$target/$name.d" "$@"
    link "$cc -static" "$target/$name.d" "$target/$name.exe" "$@"
    "$strip" "$target/$name.exe"
    "$tools/postproc" "$target/$name.exe" -sfx >/dev/null
}
module sfxstub -DSFXSTUB nmsg_stb sfxstub
module arjsfxjr -DSFL=1 sfx_id fmsg_sfj nmsg_sfj arjsfxjr debug crc32 environ
module arjsfx -DSFL=2 sfx_id filemode fmsg_sfx imsg_sfx nmsg_sfx decode arjsfx fardata \
    arj_user arj_arcv arj_file crc32 misc debug arj_proc environ arjtypes exe_sear chk_fmsg \
    arjsec_h arjsec_l garble externs
module arjsfxv -DSFL=3 sfx_id filemode fmsg_sfv imsg_sfv nmsg_sfv decode arjsfx fardata \
    arj_user arj_arcv arj_file crc32 misc debug arj_proc environ ea_mgr ntstream uxspec \
    ext_hdr arjtypes exe_sear chk_fmsg filelist arjsec_h arjsec_l garble scrnio ansi externs

arj="filemode fmsg_arj imsg_arj nmsg_arj integr file_reg decode encode arj enc_gwy fardata
    arj_user arj_arcv arj_file crc32 misc debug arj_proc environ ea_mgr ntstream uxspec
    ext_hdr arjtypes exe_sear chk_fmsg filelist arjsec_h arjsec_l garble scrnio ansi crc16tab
    recovery gost gost40 gost_t externs"
# shellcheck disable=SC2086
compile "$cc" "$target_flags -DSFL=4" "$target/arj.d" $arj
# shellcheck disable=SC2086
link "$cc -static" "$target/arj.d" "$out/arj.exe" $arj
"$strip" "$out/arj.exe"
for name in arjsfxjr arjsfx arjsfxv sfxstub; do
    "$tools/join" "$out/arj.exe" "$target/$name.exe" >/dev/null
done
stamp=$(TZ=UTC0 date -d "@$SOURCE_DATE_EPOCH" +%Y%m%d%H%M%S)
(cd "$src" && TZ=UTC0 "$host_arj" a "$target/help.arj" -+ -t1f -2d -e -jm -jh65535 -jt \
    "-hdo$stamp" resource/en/arj?.txt >/dev/null)
"$tools/join" "$out/arj.exe" "$target/help.arj" >/dev/null
"$tools/postproc" "$out/arj.exe" >/dev/null
