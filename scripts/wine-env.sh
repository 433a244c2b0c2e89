# shellcheck shell=bash
# Wine test sessions: one Xvfb display and one private WINEPREFIX per session.
#
# Source it and call the functions, or run it as a command:
#   source scripts/wine-env.sh
#   heliotab_wine_session_start build/e2e-session   # exports WINEPREFIX, DISPLAY, ...
#   wine build/win/unit_tests.exe
#   heliotab_wine_session_end build/e2e-session
#
#   scripts/wine-env.sh template          print the ready prefix (made once, cached)
#   scripts/wine-env.sh start DIR         start a session, print its variables
#   scripts/wine-env.sh end DIR           end it
#   scripts/wine-env.sh link-com DIR N /dev/pts/M
#
# The functions are safe under set -e. A session keeps its state in DIR (prefix/, display, xvfb.pid, session.env) so
# that another process (the Python test harness) can join or end it.
#
# Why a cached prefix: wineboot -i takes 7-10 s; linking the cached one takes well
# under a second. The large read-only binaries are hard links into the cache, every
# other file (registry, ini files) is a private copy, so nothing a session writes
# reaches the cache.

HELIOTAB_ROOT=${HELIOTAB_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# Extensions that Wine only reads in a prefix of the same Wine version.
_heliotab_wine_shared_ext='dll exe sys drv ocx cpl acm tlb ax ds com msstyles nls'

_heliotab_wine_log() { printf 'wine-env: %s\n' "$*" >&2; }

heliotab_wine_template() {
    local version cache tpl tmp
    version=$(wine --version 2>/dev/null | tr -c 'A-Za-z0-9.\n' '_')
    [ -n "$version" ] || { _heliotab_wine_log "wine not found"; return 1; }
    cache=${HELIOTAB_WINE_CACHE:-$HELIOTAB_ROOT/build/wine-template}
    tpl=$cache/$version
    if [ -f "$tpl/.ready" ]; then
        printf '%s\n' "$tpl"
        return 0
    fi
    mkdir -p "$cache"
    (
        # One maker at a time; the others wait and then find it ready.
        flock 9
        if [ ! -f "$tpl/.ready" ]; then
            _heliotab_wine_log "making a ready Wine prefix in $tpl (once, ~10 s)"
            tmp=$(mktemp -d "$cache/.making.XXXXXX")
            (
                export WINEPREFIX=$tmp/prefix
                unset DISPLAY
                wineboot -i >/dev/null 2>&1 || exit 1
                # Virtual desktop: without it closing a message box stalls the UI
                # thread and timers skip; with it the tray and taskbar exist.
                wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 || exit 1
                wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1 || exit 1
                wineserver -w
            ) || { rm -rf "$tmp"; exit 1; }
            grep -q '"Desktop"="Default"' "$tmp/prefix/user.reg" || { _heliotab_wine_log "desktop key missing"; rm -rf "$tmp"; exit 1; }
            rm -rf "$tpl"
            mv "$tmp/prefix" "$tpl"
            rmdir "$tmp"
            touch "$tpl/.ready"
        fi
    ) 9>"$cache/.lock" || return 1
    printf '%s\n' "$tpl"
}

# heliotab_wine_clone_prefix TEMPLATE DEST
heliotab_wine_clone_prefix() {
    local tpl=$1 dst=$2 ext args=()
    rm -rf "$dst"
    mkdir -p "$(dirname "$dst")"
    cp -al "$tpl" "$dst" || return 1
    rm -f "$dst/.ready"
    for ext in $_heliotab_wine_shared_ext; do args+=(! -iname "*.$ext"); done
    # Break the hard links of everything Wine may rewrite.
    (cd "$dst" && find . -type f "${args[@]}" -print0 |
        xargs -0 -r sh -c 'for f; do cp -p "$f" "$f.cow" && mv -f "$f.cow" "$f"; done' sh) || return 1
}

# Starts Xvfb on a free display; prints the display number.
_heliotab_start_xvfb() {
    local dir=$1 i num=''
    rm -f "$dir/display"
    Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp -noreset \
        9>"$dir/display" >"$dir/xvfb.log" 2>&1 </dev/null &
    echo $! >"$dir/xvfb.pid"
    for i in $(seq 1 200); do
        num=$(tr -dc 0-9 <"$dir/display" 2>/dev/null)
        [ -n "$num" ] && break
        kill -0 "$(cat "$dir/xvfb.pid")" 2>/dev/null || break
        sleep 0.05
    done
    [ -n "$num" ] || { _heliotab_wine_log "Xvfb did not start (see $dir/xvfb.log)"; return 1; }
    printf '%s\n' "$num" >"$dir/display"
    printf '%s\n' "$num"
}

# heliotab_wine_session_start DIR
# Uses the caller's DISPLAY when HELIOTAB_USE_DISPLAY=1 and DISPLAY is set.
heliotab_wine_session_start() {
    local dir=${1:?session dir} tpl num
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    tpl=$(heliotab_wine_template) || return 1
    export WINEPREFIX=$dir/prefix
    # A server left over from an earlier run of this folder must not be joined.
    if [ -d "$WINEPREFIX" ]; then wineserver -k >/dev/null 2>&1 || true; fi
    heliotab_wine_clone_prefix "$tpl" "$WINEPREFIX" || return 1
    if [ "${HELIOTAB_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
        rm -f "$dir/xvfb.pid"
    else
        num=$(_heliotab_start_xvfb "$dir") || return 1
        export DISPLAY=:$num
    fi
    # Start the server ourselves so its chatter goes to a log, and keep it
    # alive between programs (a warm server starts a small exe in ~30 ms).
    wineserver -k >/dev/null 2>&1 || true
    wineserver -p 2>>"$dir/wineserver.log" >/dev/null </dev/null
    # Start Wine's own service processes now, with their output in a log: they
    # outlive the program that starts them and would keep its pipes open.
    wine cmd.exe /c exit 0 </dev/null >>"$dir/wine-system.log" 2>&1 || true
    export HELIOTAB_WINE_SESSION=$dir
    cat >"$dir/session.env" <<EOF
export WINEPREFIX='$WINEPREFIX'
export DISPLAY='$DISPLAY'
export WINEDEBUG='$WINEDEBUG'
export WINEDLLOVERRIDES='$WINEDLLOVERRIDES'
export HELIOTAB_WINE_SESSION='$dir'
EOF
}

# heliotab_wine_session_end DIR — stops every Wine process of the session, then
# Xvfb (never the other way round: a server that outlives its display breaks the
# next run), and removes the prefix unless HELIOTAB_KEEP_PREFIX=1.
heliotab_wine_session_end() {
    local dir=${1:-${HELIOTAB_WINE_SESSION:-}} pid i
    [ -n "$dir" ] && [ -d "$dir" ] || return 0
    dir=$(cd "$dir" && pwd)  # wineserver ignores a relative WINEPREFIX
    if [ -d "$dir/prefix" ]; then
        WINEPREFIX=$dir/prefix wineserver -k >/dev/null 2>&1 || true
        # -w returns once the server has gone; bound it in case of trouble.
        WINEPREFIX=$dir/prefix timeout 20 wineserver -w >/dev/null 2>&1 || true
    fi
    if [ -f "$dir/xvfb.pid" ]; then
        pid=$(cat "$dir/xvfb.pid")
        if kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null || true
            for i in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
            kill -9 "$pid" 2>/dev/null || true
        fi
        rm -f "$dir/xvfb.pid"
    fi
    [ "${HELIOTAB_KEEP_PREFIX:-0}" = 1 ] || rm -rf "$dir/prefix"
    return 0
}

# heliotab_wine_link_com N PTY — makes \\.\COMn the given pty in the current prefix.
heliotab_wine_link_com() {
    local n=${1:?port number} pty=${2:?pty path}
    ln -sfn "$pty" "$WINEPREFIX/dosdevices/com$n"
}

# heliotab_wine_dos_path UNIXPATH — the Windows path of a file of the prefix's C:
# drive, or its Z: path otherwise (no Wine start needed).
heliotab_wine_dos_path() {
    local p
    p=$(realpath -m "$1")
    case $p in
        "$(realpath -m "$WINEPREFIX/drive_c")"/*) p="C:${p#"$(realpath -m "$WINEPREFIX/drive_c")"}" ;;
        *) p="Z:$p" ;;
    esac
    printf '%s\n' "${p//\//\\}"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -u
    case ${1:-} in
        template) heliotab_wine_template ;;
        start) heliotab_wine_session_start "${2:?dir}" && cat "$HELIOTAB_WINE_SESSION/session.env" ;;
        end) heliotab_wine_session_end "${2:?dir}" ;;
        link-com) . "${2:?dir}/session.env" && heliotab_wine_link_com "${3:?n}" "${4:?pty}" ;;
        *) echo "usage: $0 template | start DIR | end DIR | link-com DIR N PTY" >&2; exit 2 ;;
    esac
fi
