# shellcheck shell=bash
# Wine and Xvfb helpers for the test scripts. Source this file; it only defines
# functions and changes no shell options of the caller.
#
#   wine_session BUILD_DIR [ARCH]
#                                what every script that runs Wine headless needs, at once:
#                                wine_env_init, a UTF-8 locale, cleanup on exit, a private
#                                Xvfb and the prefix template
#   wine_env_init BUILD_DIR [ARCH]
#                                where prefixes live: BUILD_DIR/wine/; ARCH win64 (the
#                                default) or win32: which Wine runs, and the prefixes' kind.
#                                Returns 3 when win32 cannot run on this machine (and says why)
#   wine_pe_arch EXE             win64 or win32: the architecture a Windows program needs
#   wine_start_xvfb              private headless X server (sets DISPLAY)
#   wine_prefix_template         the prefix made once, headless (wineboot -i)
#   wine_prefix_fresh NAME       a copy of the template for one run (sets WINEPREFIX)
#   wine_set_dpi DPI             system font density of the current prefix
#   wine_stop                    ends the wineserver of the current prefix
#   wine_bounded SECONDS CMD...  runs a Wine command for at most SECONDS; past them ends
#                                every process of the current prefix and returns 124
#   wine_server_crashed FILE     whether a Wine client wrote to FILE that its server died
#   wine_cleanup                 wine_stop, then Xvfb
#   wine_wait_for_file FILE BYTES [SECONDS]
#                                polls until FILE holds BYTES bytes (a program got that far)
#   wine_emulated_tier TIER      under qemu-i386, whether any test of TIER runs there
#                                (tests/qemu-i386.txt); returns 4, saying why, when none does
#   wine_test_filter TIER EXE FILTER
#                                the tests of one run, as a GoogleTest filter, in
#                                WINE_ENV_FILTER: FILTER natively; under qemu-i386 those of
#                                them tests/qemu-i386.txt lets run (empty: none), by name,
#                                printing those left out and why
#   wine_tier_how TIER TEXT      how a 32-bit tier ran, for scripts/test.sh (a line in
#                                DIAGRESO_TEST_REPORTS/TIER.how)
#
# Each architecture has its own Wine and its own prefixes: win64 runs the system's 64-bit
# loader (/usr/lib/wine/wine64) in WINEARCH=win64 prefixes; win32 runs Debian's 32-bit
# Wine from the private root that scripts/wine32-root.sh unpacks, in WINEARCH=win32
# prefixes, as a 32-bit Windows has them: natively where the kernel runs i386 programs,
# under qemu-i386 where it does not (or DIAGRESO_I386=qemu; WINE_ENV_I386 says which). `wine`, `wineserver`, `winepath` and `wineboot`
# are launchers for the chosen one, put first on PATH, so the system's `wine` launcher
# (which would pick a 32-bit loader were wine32 ever installed) is never what runs.
#
# Every run gets its own copy of the template: display modes stored by one run
# (CDS_UPDATEREGISTRY) and its density cannot leak into the next, and a copy costs
# about 2 s where a new prefix costs about 12 s.

# Bump when the template's settings change, so stale templates are rebuilt.
WINE_ENV_TEMPLATE_VERSION=2
# The virtual desktop stands for the screen; the X screen behind it must be larger
# (Wine offers only the modes that fit the X screen).
WINE_ENV_DESKTOP_SIZE=${WINE_ENV_DESKTOP_SIZE:-1280x1024}
WINE_ENV_XVFB_SCREEN=${WINE_ENV_XVFB_SCREEN:-1920x1200x24}

wine_env_log() { printf '[wine-env] %s\n' "$*" >&2; }

wine_env_init() {
    local build_dir=${1:?build folder} arch=${2:-win64}
    case $arch in
    win64 | win32) ;;
    *) wine_env_log "unknown architecture $arch (win64 or win32)"; return 2 ;;
    esac
    mkdir -p "$build_dir/wine" || return 1
    WINE_ENV_ROOT=$(cd "$build_dir/wine" && pwd) || return 1
    export WINEDEBUG=-all
    # No Mono/Gecko installer prompt, and no menu entries or file associations written
    # outside the prefix.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    export WINEARCH=$arch
    # Set by the launchers for the Wine they start, never inherited from the caller.
    unset WINESERVER WINELOADER
    WINE_ENV_XVFB_PID=
    wine_env_launchers "$arch"
}

# Writes the launchers of ARCH into WINE_ENV_ROOT/bin-ARCH and puts them first on PATH.
wine_env_launchers() {
    local arch=$1 bin="$WINE_ENV_ROOT/bin-$1" loader env run=
    WINE_ENV_I386=
    case $arch in
    win64)
        loader=/usr/lib/wine/wine64
        [ -x "$loader" ] || { wine_env_log "no 64-bit Wine ($loader): run scripts/setup.sh"; return 2; }
        env="export WINELOADER=$loader"
        ;;
    win32)
        # Natively where the kernel runs i386 programs, else through qemu-i386, as
        # DIAGRESO_I386 asks (scripts/i386-mode.sh); under emulation from the root's copy
        # whose preloader starts every Wine process under qemu-i386 (scripts/wine32-root.sh).
        local how root dir=${DIAGRESO_WINE32_DIR:-/var/cache/diagreso/wine32}
        if ! how=$("$(dirname "${BASH_SOURCE[0]}")/i386-mode.sh"); then
            wine_env_log "32-bit Wine cannot run here: $how"
            return 3
        fi
        WINE_ENV_I386=${how%% *}
        root=$dir/root
        [ "$WINE_ENV_I386" = qemu ] && root=$dir/root-qemu
        loader=$root/usr/lib/wine/wine
        if [ ! -x "$loader" ] || [ ! -f "$root/.diagreso-whole" ]; then
            wine_env_log "32-bit Wine cannot run here: it is not installed ($root; scripts/setup.sh installs it)"
            return 3
        fi
        [ "$WINE_ENV_I386" = qemu ] && run="qemu-i386 -L / $loader"
        # The root's libraries first; the host's loader (/lib/ld-linux.so.2) and libc6-i386
        # under them. One wineserver serves both widths, as on a multiarch Debian.
        env="export LD_LIBRARY_PATH=$root/usr/lib/i386-linux-gnu:$root/lib/i386-linux-gnu\${LD_LIBRARY_PATH:+:\$LD_LIBRARY_PATH}"
        env+=" WINELOADER=$loader WINESERVER=/usr/lib/wine/wineserver"
        ;;
    esac
    mkdir -p "$bin" || return 1
    local tool
    for tool in wine wineserver winepath wineboot; do
        {
            echo '#!/bin/sh'
            echo "# $arch Wine for the test scripts (scripts/wine-env.sh)."
            echo "$env"
            case $tool in
            wine) echo "exec ${run:-$loader} \"\$@\"" ;;
            wineserver) echo 'exec /usr/lib/wine/wineserver "$@"' ;;
            *) echo "exec ${run:-$loader} $tool.exe \"\$@\"" ;;
            esac
        } >"$bin/$tool.new" && chmod +x "$bin/$tool.new" && mv -f "$bin/$tool.new" "$bin/$tool" || return 1
    done
    case ":$PATH:" in
    *":$bin:"*) ;;
    *) export PATH="$bin:$PATH" ;;
    esac
}

wine_pe_arch() {
    local file=${1:?exe} pe machine
    pe=$(od -An -t u4 -j 60 -N 4 "$file" 2>/dev/null | tr -d ' ') && [ -n "$pe" ] || return 1
    machine=$(od -An -t x2 -j $((pe + 4)) -N 2 "$file" 2>/dev/null | tr -d ' ')
    case $machine in
    8664) echo win64 ;;
    014c) echo win32 ;;
    *) wine_env_log "$file: not a Windows program for x86 or x64 (machine $machine)"; return 1 ;;
    esac
}

# Starts a private Xvfb and points DISPLAY at it. A display already set is not reused:
# its size decides which modes Wine offers, and tests must not pop up on a user's screen.
wine_start_xvfb() {
    command -v Xvfb >/dev/null || { wine_env_log "Xvfb is not installed (apt-get install xvfb)"; return 1; }
    local fifo display_no
    fifo=$(mktemp -u "${TMPDIR:-/tmp}/wine-env-displayfd.XXXXXX") || return 1
    mkfifo "$fifo" || return 1
    Xvfb -displayfd 3 -screen 0 "$WINE_ENV_XVFB_SCREEN" -nolisten tcp -noreset 3>"$fifo" \
        >"$WINE_ENV_ROOT/xvfb.log" 2>&1 &
    WINE_ENV_XVFB_PID=$!
    # Xvfb writes the display number it chose once it accepts connections.
    if ! read -r -t 20 display_no <"$fifo"; then
        rm -f "$fifo"
        wine_env_log "Xvfb did not start; see $WINE_ENV_ROOT/xvfb.log"
        kill "$WINE_ENV_XVFB_PID" 2>/dev/null
        WINE_ENV_XVFB_PID=
        return 1
    fi
    rm -f "$fifo"
    export DISPLAY=":$display_no"
    wine_env_log "Xvfb $WINE_ENV_XVFB_SCREEN on $DISPLAY (pid $WINE_ENV_XVFB_PID)"
}

wine_stop_xvfb() {
    [ -n "$WINE_ENV_XVFB_PID" ] || return 0
    kill "$WINE_ENV_XVFB_PID" 2>/dev/null
    wait "$WINE_ENV_XVFB_PID" 2>/dev/null
    WINE_ENV_XVFB_PID=
}

# How long one step of the harness (wineboot, reg, a test list) may take. Under qemu-i386
# every Wine process starts several times slower, and a wineserver that dies there can
# leave its clients waiting for it forever (seen: "wineserver crashed" during wineboot,
# its clients then asleep for good; a CI run that stopped at its time limit).
# WINE_ENV_STEP_LIMIT sets another, to try what a stall does.
wine_step_limit() {
    if [ -n "${WINE_ENV_STEP_LIMIT:-}" ]; then
        echo "$WINE_ENV_STEP_LIMIT"
    elif [ "${WINE_ENV_I386:-}" = qemu ]; then
        echo 300
    else
        echo 120
    fi
}

# The live Wine processes of PREFIX, the wineserver included, with their command lines:
# those whose environment names that prefix (an ended process shows none) and whose
# command line names Wine.
wine_prefix_processes() {
    local prefix=${1:?prefix} dir args
    for dir in /proc/[0-9]*; do
        tr '\0' '\n' 2>/dev/null <"$dir/environ" | grep -qxF "WINEPREFIX=$prefix" || continue
        args=$(tr '\0' ' ' 2>/dev/null <"$dir/cmdline")
        [[ $args == *wine* ]] && echo "${dir#/proc/} $args"
    done
    return 0
}

# Ends them all at once: a client whose server died ignores `wineserver -k`, having no
# server to hear it.
wine_kill_prefix() {
    local pid _
    while read -r pid _; do kill -9 "$pid" 2>/dev/null; done < <(wine_prefix_processes "${1:?prefix}")
    return 0
}

# The wineserver of PREFIX, by process id (none when it has gone).
wine_prefix_server() { wine_prefix_processes "${1:?prefix}" | awk '$2 ~ /wineserver/ { print $1 }'; }

wine_bounded() {
    local seconds=${1:?seconds} rc server= servers watcher=
    shift
    # Under emulation, which wineserver served the command, once a second: a client whose
    # server died waits for good, while another client may already have started a new one.
    if [ "${WINE_ENV_I386:-}" = qemu ] && [ -n "${WINEPREFIX:-}" ]; then
        servers=$(mktemp)
        local caller=$BASHPID # the watcher ends with its caller, however that ends
        (while kill -0 "$caller" 2>/dev/null; do wine_prefix_server "$WINEPREFIX" >>"$servers"; sleep 1; done) &
        watcher=$!
    fi
    timeout -k 5 "$seconds" "$@"
    rc=$?
    if [ -n "$watcher" ]; then
        kill "$watcher" 2>/dev/null
        wait "$watcher" 2>/dev/null
    fi
    if { [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; } && [ -n "${WINEPREFIX:-}" ]; then
        if [ -z "$(wine_prefix_server "$WINEPREFIX")" ]; then
            server="; its wineserver was gone"
        elif [ -n "$watcher" ] && [ "$(sort -u "$servers" | wc -l)" -gt 1 ]; then
            server="; its wineserver was gone, replaced by another ($(sort -u "$servers" | paste -sd ' '))"
        fi
        wine_env_log "$1 ${2:-} did not finish within $seconds s$server; every process of $WINEPREFIX ended"
        wine_kill_prefix "$WINEPREFIX"
        rc=124
    fi
    [ -n "$watcher" ] && rm -f "$servers"
    return "$rc"
}

# Whether FILE, a Wine command's stderr, says its wineserver died under it: a client says
# so when the server's socket closes; a client that waits instead is cut off by
# wine_bounded, which says whether the server was still there.
wine_server_crashed() { grep -q 'wineserver crashed\|its wineserver was gone' "${1:?file}" 2>/dev/null; }

# Registry helper for the current WINEPREFIX; says which value it could not set.
wine_reg_add() {
    local rc
    wine_bounded "$(wine_step_limit)" wine reg add "$@" /f >/dev/null 2>&1
    rc=$?
    [ "$rc" -eq 0 ] || wine_env_log "wine reg add $1 /v ${3:-} failed (exit code $rc)"
    return "$rc"
}

# Builds BUILD_DIR/wine/template once; later calls reuse it. Made headless: DISPLAY is
# not needed to initialise a prefix, so this works before any X server exists.
wine_prefix_template() {
    local template="$WINE_ENV_ROOT/template"
    local stamp="$template/.diagreso-template"
    local want
    # A 32-bit prefix made under qemu-i386 is never taken for one made natively.
    want="v$WINE_ENV_TEMPLATE_VERSION $WINEARCH${WINE_ENV_I386:+ $WINE_ENV_I386} $(wine --version 2>/dev/null) $WINE_ENV_DESKTOP_SIZE"
    # One maker at a time when several runs share a build folder.
    exec {lock_fd}>"$WINE_ENV_ROOT/template.lock" || return 1
    flock "$lock_fd" || return 1
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
        exec {lock_fd}>&-
        return 0
    fi
    local work="$WINE_ENV_ROOT/template.new" started=$SECONDS
    rm -rf "$work" "$template"
    wine_env_log "making the Wine prefix template (once, about 15 s)"
    # In a subshell: the template's WINEPREFIX must not leak to the caller.
    # shellcheck disable=SC2030
    if ! (
        export WINEPREFIX="$work"
        unset DISPLAY
        exec 2>>"$WINE_ENV_ROOT/wineboot.log" # what failed, after wineboot's own output
        { wine_bounded "$(wine_step_limit)" wineboot -i >"$WINE_ENV_ROOT/wineboot.log" 2>&1 ||
            { wine_env_log "wineboot -i failed (exit code $?)"; false; }; } &&
            # One virtual desktop for the whole prefix: the program and any helper
            # share it, and display-mode changes really happen there and read back.
            wine_reg_add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default &&
            wine_reg_add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d "$WINE_ENV_DESKTOP_SIZE" &&
            wine_reg_add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 &&
            # A crashing test prints its backtrace and ends, instead of waiting on a
            # crash dialog nobody can click on the headless desktop.
            wine_reg_add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 &&
            { wine_bounded 60 wineserver -w || { wine_env_log "wineserver -w failed (exit code $?)"; false; }; }
    ); then
        WINEPREFIX="$work" wineserver -k 2>/dev/null
        wine_kill_prefix "$work"
        exec {lock_fd}>&-
        wine_env_log "could not make the prefix; see $WINE_ENV_ROOT/wineboot.log"
        return 1
    fi
    echo "$want" >"$work/.diagreso-template"
    mv "$work" "$template"
    exec {lock_fd}>&-
    wine_env_log "template ready in $((SECONDS - started)) s"
}

# A fresh copy of the template, BUILD_DIR/wine/runs/NAME, as WINEPREFIX.
wine_prefix_fresh() {
    local name=${1:?run name}
    local dir="$WINE_ENV_ROOT/runs/$name"
    wine_prefix_template || return 1
    if [ -d "$dir" ]; then
        WINEPREFIX="$dir" wineserver -k 2>/dev/null
        rm -rf "$dir"
    fi
    mkdir -p "$WINE_ENV_ROOT/runs" && cp -a "$WINE_ENV_ROOT/template" "$dir" || return 1
    # shellcheck disable=SC2031
    export WINEPREFIX="$dir"
}

# Sets the density of the current prefix. Programs read it when they start, so the
# wineserver session that wrote it is ended: the next program starts a new one.
wine_set_dpi() {
    local dpi=${1:?dpi}
    wine_reg_add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" || {
        wine_env_log "could not set LogPixels=$dpi"
        return 1
    }
    wine_stop
}

# Ends the wineserver of the current prefix (and so its desktop, and any display mode
# changed in it), waiting until it is gone so the registry is saved.
wine_stop() {
    [ -n "${WINEPREFIX:-}" ] || return 0
    wineserver -k 2>/dev/null
    wine_bounded 60 wineserver -w 2>/dev/null
    return 0
}

wine_cleanup() {
    wine_stop
    wine_stop_xvfb
}

wine_session() {
    wine_env_init "${1:?build folder}" "${2:-win64}" || return
    trap wine_cleanup EXIT
    trap 'exit 130' INT TERM
    # A UTF-8 locale: in the plain C locale Wine cannot map non-ASCII file names to Unix
    # ones (CreateFileW fails with "file not found"). Code page 1252 either way.
    export LC_ALL=C.UTF-8
    unset LANGUAGE
    wine_start_xvfb || return 1
    # A 32-bit Wine that cannot make a prefix cannot run anything here: told as such
    # (3), as a kernel without i386 programs is, rather than as a failure of the tests.
    if ! wine_prefix_template; then
        [ "${2:-win64}" = win32 ] || return 1
        wine_env_log "32-bit Wine cannot run here: it could not make a prefix (see $WINE_ENV_ROOT/wineboot.log)"
        return 3
    fi
}

wine_wait_for_file() {
    local file=${1:?file} bytes=${2:?bytes} seconds=${3:-30} waited=0
    while [ "$(stat -c %s "$file" 2>/dev/null || echo 0)" -lt "$bytes" ]; do
        [ "$waited" -ge $((seconds * 10)) ] && return 1
        sleep 0.1
        waited=$((waited + 1))
    done
}

# Under qemu-i386 some tests cannot pass for reasons of the emulator (tests/qemu-i386.txt;
# DIAGRESO_QEMU_TESTS names another such file, to measure another choice); they are left
# out by name there, never natively.
wine_env_rules() { echo "${DIAGRESO_QEMU_TESTS:-$(dirname "${BASH_SOURCE[0]}")/../tests/qemu-i386.txt}"; }

wine_emulated_tier() {
    local tier=${1:?tier} how rules reason
    how=$("$(dirname "${BASH_SOURCE[0]}")/i386-mode.sh") || return 0 # told by wine_env_init
    [ "${how%% *}" = qemu ] || return 0
    # Read whole before its first line decides: a reader that stops early leaves the
    # script writing into a closed pipe (a BrokenPipeError in the middle of the output).
    rules=$(python3 "$(dirname "${BASH_SOURCE[0]}")/emulated-tests.py" "$(wine_env_rules)" "$tier" '*' --no-list) ||
        return 1
    [ "${rules%%$'\n'*}" != none ] && return 0
    reason=$(tail -n +2 <<<"$rules" | cut -f2 | awk '!seen[$0]++' | paste -sd ';' | sed 's/;/; /g')
    wine_env_log "$tier: not run (emulation: $reason)"
    wine_tier_how "$tier" "not run (emulation: $reason)"
    return 4
}

wine_test_filter() {
    local tier=${1:?tier} exe=${2:?exe} filter=${3:?filter} list="$WINE_ENV_ROOT/tests-$1.list" first line
    WINE_ENV_FILTER=$filter
    [ "${WINE_ENV_I386:-}" = qemu ] || return 0
    # The program's own list of its tests, once per runner (a start of Wine under qemu-i386
    # takes seconds, and may end badly after printing the list: the list is what counts).
    if [ "${wine_env_listed:-}" != "$exe" ]; then
        for _ in 1 2; do
            wine_bounded "$(wine_step_limit)" wine "$exe" --gtest_list_tests >"$list" 2>"$list.err"
            [ $? -eq 124 ] && ! grep -q '^  ' "$list" && { wine_env_log "listing the tests of $exe stalled"; return 1; }
            grep -q '^  ' "$list" && break
        done
        grep -q '^  ' "$list" || { wine_env_log "could not list the tests of $exe"; return 1; }
        wine_env_listed=$exe
    fi
    local left=() reasons=() r
    {
        read -r first
        while IFS=$'\t' read -r line r; do
            left+=("${line#left-out }")
            reasons+=("$r")
        done
    } < <(python3 "$(dirname "${BASH_SOURCE[0]}")/emulated-tests.py" "$(wine_env_rules)" "$tier" "$filter" <"$list")
    WINE_ENV_FILTER=
    [ "$first" != none ] && WINE_ENV_FILTER=${first#run }
    ((${#left[@]})) || return 0
    # Grouped by reason, as tests/qemu-i386.txt gives them.
    local i reason
    while read -r reason; do
        echo "left out under emulation (qemu-i386): $reason:"
        for i in "${!left[@]}"; do [ "${reasons[$i]}" = "$reason" ] && echo "    ${left[$i]}"; done
    done < <(printf '%s\n' "${reasons[@]}" | awk '!seen[$0]++')
    WINE_ENV_LEFT_OUT=$((${WINE_ENV_LEFT_OUT:-0} + ${#left[@]}))
}

wine_tier_how() {
    [ -n "${DIAGRESO_TEST_REPORTS:-}" ] || return 0
    mkdir -p "$DIAGRESO_TEST_REPORTS" && echo "$2" >"$DIAGRESO_TEST_REPORTS/$1.how"
}
