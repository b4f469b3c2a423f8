# Shared by the smoke tests (sourced): failing with a message, and waiting.

fail() {
    echo "smoke: $*" >&2
    exit 1
}

# wait_for WHAT COMMAND...: until the command succeeds, 60 s at most.
wait_for() {
    what=$1
    shift
    tries=0
    until "$@" >/dev/null 2>&1; do
        tries=$((tries + 1))
        [ "$tries" -le 120 ] || fail "$what not within 60 s"
        sleep 0.5
    done
}
