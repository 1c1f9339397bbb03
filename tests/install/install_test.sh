#!/usr/bin/env bash
# Installs the console into a temporary prefix and checks what an ordinary
# user gets: the desktop entry and icons, the file capabilities (and an
# install without them, and one where setcap fails), and, in a network
# namespace of its own, what the installed programs manage as user nobody
# with and without the capabilities.
#
#   install_test.sh BUILD_DIR CMAKE
#   install_test.sh --marked MARK     lists the processes carrying MARK
#
# Exits 77 (skipped) where file capabilities or namespaces are refused.
#
# It leaves nothing behind and touches nothing a real install made. It
# installs into a temporary prefix, and as the default component by name,
# so that the build's install_manifest.txt (the record that removes a real
# install) is never written; the other files an install writes into the
# build directory are put back as they were. Every program it starts runs
# in network and PID namespaces that end with it, and the test fails if one
# of them is still running afterwards.
set -uo pipefail

# Every process this run starts carries this mark in its environment (the
# programs run as nobody get it explicitly), so that a check can find any
# one that is left.
mark_name=INSTALL_TEST_MARK

# Prints "PID ARGUMENTS" for every process but this shell whose environment
# holds mark_name=MARK. Starts no process while it looks.
marked_processes() {
  local want="$mark_name=$1" dir pid entry
  local -a entries args
  for dir in /proc/[0-9]*; do
    pid=${dir#/proc/}
    [ "$pid" = "$$" ] || [ "$pid" = "$BASHPID" ] && continue
    { mapfile -d '' -t entries <"$dir/environ"; } 2>/dev/null || continue
    for entry in "${entries[@]}"; do
      if [ "$entry" = "$want" ]; then
        { mapfile -d '' -t args <"$dir/cmdline"; } 2>/dev/null
        echo "$pid ${args[*]}"
        break
      fi
    done
  done
}

if [ "${1:-}" = --marked ]; then
  marked_processes "$2"
  exit 0
fi

app=switchconsole
# Every install rule but the probe's is in CMake's default component.
component=Unspecified
caps_expected="cap_net_bind_service,cap_net_admin,cap_net_raw=ep"
# CapEff of a process holding exactly those three (bits 10, 12 and 13).
capeff_expected=0000000000003400
question="Cannot bind SYSLOG port, syslog is currently disabled. Abort?"
iface=t0
neighbour=192.0.2.77

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }

# Fills `nobody` with the command that runs a program as user nobody with a
# clean environment of its own. Needs work, asan and lsan.
nobody_command() {
  nobody=(env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME="$work/home" XDG_RUNTIME_DIR="$work/run"
          "$mark_name=${!mark_name}" QT_QPA_PLATFORM=offscreen ASAN_OPTIONS="$asan" LSAN_OPTIONS="$lsan"
          UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
          setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups --inh-caps=-all --)
}

# Inside the namespaces: one veth pair with an address and a neighbour entry
# on t0, then the probe as nobody. Prints the probe's report.
if [ "${1:-}" = --in-namespace ]; then
  shift
  work=$1 probe=$2 asan=$3 lsan=$4
  nobody_command
  ip link set lo up
  ip link add "$iface" address 02:00:00:00:21:01 type veth peer name t1 address 02:00:00:00:21:02
  ip addr add 192.0.2.1/24 dev "$iface"
  ip link set "$iface" up
  ip link set t1 up
  ip neigh replace "$neighbour" lladdr 02:00:00:00:21:77 dev "$iface" nud permanent
  "${nobody[@]}" "$probe" "$iface" "$neighbour"
  echo "exit: $?"
  if ip neigh show "$neighbour" dev "$iface" | grep -q lladdr; then echo "neighbour: kept"; else echo "neighbour: gone"; fi
  exit 0
fi

# Inside the namespaces: starts the installed console as nobody, waits until
# it listens on the syslog port, then ends it and waits for it.
if [ "${1:-}" = --console-in-namespace ]; then
  shift
  work=$1 console=$2 asan=$3 lsan=$4
  nobody_command
  ip link set lo up
  # Started directly (env, setpriv and the console are one process, one
  # after the other), so that $! is the console itself.
  "${nobody[@]}" "$console" >"$work/console.log" 2>&1 &
  pid=$!
  # Asks the console to end, forces it after five seconds, and waits for it.
  stop_console() {
    [ -n "$pid" ] || return 0
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 1 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=
    # /proc here shows this PID namespace only: this shell is its first
    # process, and nothing else may be left.
    local others
    others=$(for d in /proc/[0-9]*; do p=${d#/proc/}; [ "$p" = 1 ] || [ "$p" = "$BASHPID" ] || echo "$p"; done)
    if [ -z "$others" ]; then echo "console stopped: yes"; else echo "console stopped: no (left: $others)"; fi
  }
  trap stop_console EXIT
  bound=no
  for _ in $(seq 1 300); do
    if ss -Hlun 'sport = :514' | grep -q .; then bound=yes; break; fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "console bound 514: $bound"
  stop_console
  exit 0
fi

build=$1
cmake=$2
[ "$(id -u)" -eq 0 ] || skip "needs root to set file capabilities and to create a network namespace"
for tool in setcap getcap capsh setpriv unshare ip ss desktop-file-validate sha256sum; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps installs it)"
done
unshare --net --pid --fork --kill-child --mount-proc true 2>/dev/null \
  || skip "network and PID namespaces are refused here (unshare --net --pid --mount-proc failed)"
setpriv --pdeathsig KILL true 2>/dev/null || fail "setpriv cannot set a parent death signal (util-linux too old)"

export "$mark_name=${!mark_name:-$$.$RANDOM$RANDOM}"
# The install goes where this test says, not under another root.
unset DESTDIR

# The build's own install record, to be found unchanged at the end.
. "$(dirname "${BASH_SOURCE[0]}")/manifest_state.sh"
manifest_before=$(manifest_state)

# What the installs below write into the build directory: saved here and put
# back on every way out.
build_files=("install_manifest_$component.txt" install_manifest_capprobe.txt "$app.desktop")
save_build_files() {
  mkdir -p "$work/saved"
  for f in "${build_files[@]}"; do
    if [ -e "$build/$f" ]; then cp -p "$build/$f" "$work/saved/$f"; fi
  done
  saved=yes
}
restore_build_files() {
  [ "${saved:-}" = yes ] || return 0
  for f in "${build_files[@]}"; do
    if [ -e "$work/saved/$f" ]; then cp -p "$work/saved/$f" "$build/$f"; else rm -f "$build/$f"; fi
  done
}

# Runs this script with the given arguments in network and PID namespaces of
# its own (with a /proc of that PID namespace), its output in $work/ns.out,
# and checks that nothing of it is left.
# Whatever it starts ends with it: the kernel ends every process of a PID
# namespace when the first one ends, unshare kills that one when unshare
# ends, and unshare gets SIGKILL when this shell ends, however it ends.
ns_pid=
in_namespaces() {
  setpriv --pdeathsig KILL -- unshare --net --pid --fork --kill-child --mount-proc -- bash "$0" "$@" >"$work/ns.out" &
  ns_pid=$!
  wait "$ns_pid"
  local rc=$?
  ns_pid=
  [ $rc -eq 0 ] || { cat "$work/ns.out"; fail "the run in namespaces ($1) failed with $rc"; }
  check_no_process_left
}

check_no_process_left() {
  local left
  left=$(marked_processes "${!mark_name}")
  [ -z "$left" ] || fail "processes this test started are still running:"$'\n'"$left"
}

cleanup() {
  if [ -n "$ns_pid" ]; then
    kill -KILL "$ns_pid" 2>/dev/null
    wait "$ns_pid" 2>/dev/null
  fi
  restore_build_files
  rm -rf "$work"
}

work=$(mktemp -d /tmp/switchconsole-install.XXXXXX)
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
save_build_files
chmod 755 "$work"
mkdir -p "$work/home" "$work/run"
chown nobody "$work/home" "$work/run"
chmod 700 "$work/run"
# File capabilities at all: settable here, and honoured for nobody (not on
# a nosuid mount, not under no_new_privs).
asan= lsan=
nobody_command
cp "$(command -v cat)" "$work/capcheck"
setcap cap_net_raw=ep "$work/capcheck" 2>/dev/null || skip "setcap is refused here"
"${nobody[@]}" "$work/capcheck" /proc/self/status 2>/dev/null | grep -q "^CapEff:.*0000000000002000" \
  || skip "file capabilities are not honoured here ($work: nosuid mount or no_new_privs)"

# Leak checks as the test run asks for them, with a suppression file that
# nobody can read.
lsan=${LSAN_OPTIONS:-}
if [[ $lsan =~ suppressions=([^:]*) ]] && [ -r "${BASH_REMATCH[1]}" ]; then
  cp "${BASH_REMATCH[1]}" "$work/lsan.supp" && chmod 644 "$work/lsan.supp"
  lsan=${lsan/${BASH_REMATCH[1]}/$work/lsan.supp}
fi
asan=${ASAN_OPTIONS:-}

# ---- The install, its files and its capabilities ---------------------------
prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" --component "$component" >"$work/install.log" 2>&1 \
  || { cat "$work/install.log"; fail "cmake --install failed"; }
"$cmake" --install "$build" --prefix "$prefix" --component capprobe >>"$work/install.log" 2>&1 \
  || { cat "$work/install.log"; fail "installing the probe failed"; }
console=$prefix/bin/$app
probe=$prefix/libexec/$app/capprobe
[ -x "$console" ] || fail "$console was not installed"
[ -x "$probe" ] || fail "$probe was not installed"

entry=$prefix/share/applications/$app.desktop
[ -f "$entry" ] || fail "$entry was not installed"
desktop-file-validate "$entry" || fail "$entry does not pass desktop-file-validate"
grep -qx "Exec=\"$console\"" "$entry" || fail "the desktop entry does not start $console: $(grep ^Exec= "$entry")"
grep -qx "Icon=$app" "$entry" || fail "the desktop entry names another icon"
grep -q "^Categories=.*Network;" "$entry" || fail "the desktop entry is not in the Network category"
for size in 16 24 32; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/$app.png
  [ -f "$png" ] || fail "$png was not installed"
  read -r -a b < <(od -An -tu1 -N24 "$png" | tr -s ' \n' '  ')
  [ "${b[1]} ${b[2]} ${b[3]}" = "80 78 71" ] || fail "$png is not a PNG image"
  w=$(( b[16] << 24 | b[17] << 16 | b[18] << 8 | b[19] ))
  h=$(( b[20] << 24 | b[21] << 16 | b[22] << 8 | b[23] ))
  [ "$w x $h" = "$size x $size" ] || fail "$png is $w x $h, not $size x $size"
done

for file in "$console" "$probe"; do
  got=$(getcap "$file" | awk '{print $2}')
  [ "$got" = "$caps_expected" ] || fail "$file has capabilities '$got', not '$caps_expected'"
done

# Left off on request, also over an earlier install that set them.
for choice in ON OFF; do
  "$cmake" -DCMAKE_INSTALL_PREFIX="$work/plain" -DCMAKE_INSTALL_COMPONENT="$component" \
    -DINSTALL_CAPABILITIES=$choice -P "$build/cmake_install.cmake" \
    >"$work/plain.log" 2>&1 || { cat "$work/plain.log"; fail "the install with INSTALL_CAPABILITIES=$choice failed"; }
done
[ -z "$(getcap "$work/plain/bin/$app")" ] || fail "INSTALL_CAPABILITIES=OFF left capabilities on $app"

# A setcap that fails stops the install and says what to do.
if capsh --drop=cap_setfcap -- -c "'$cmake' --install '$build' --prefix '$work/refused' --component '$component'" >"$work/refused.log" 2>&1; then
  cat "$work/refused.log"
  fail "the install went on although setcap failed"
fi
refused=$(tr -s ' \n' '  ' <"$work/refused.log")
[[ $refused == *"Cannot give $work/refused/bin/$app its network capabilities"*"-DINSTALL_CAPABILITIES=OFF"* ]] \
  || { cat "$work/refused.log"; fail "a failed setcap was not reported with its remedy"; }
echo "install: files, desktop entry, icons and capabilities as expected"

# ---- As nobody, with the capabilities ---------------------------------------
# A process that gained file capabilities runs in secure-execution mode and
# is not dumpable: the leak checker, which stops the process by tracing it,
# then depends on the host's ptrace policy, so it is off there. The run
# without capabilities below keeps it.
in_namespaces --in-namespace "$work" "$probe" "${asan:+$asan:}detect_leaks=0" "$lsan"
report=$(<"$work/ns.out")
echo "$report" | sed 's/^/  with capabilities: /'
expect() { grep -qxF -- "$1" <<<"$report" || fail "$2: expected the line '$1'"; }
expect "capabilities: $capeff_expected" "the probe does not hold exactly the three capabilities"
expect "syslog port: 514" "the syslog socket did not bind port 514"
expect "interface: listed" "the scan dialog does not list $iface"
expect "scan: 0" "the scan could not open and send on $iface"
expect "scan promiscuous: 0" "the promiscuous scan failed"
expect "arp delete: 0" "the ARP entry could not be removed"
expect "neighbour: gone" "the ARP entry is still there"
expect "exit: 0" "the probe failed"
! grep -q "^box: " <<<"$report" || fail "a message was shown although every step should work"

in_namespaces --console-in-namespace "$work" "$console" "${asan:+$asan:}detect_leaks=0" "$lsan"
console_report=$(<"$work/ns.out")
echo "$console_report" | sed 's/^/  /'
grep -qx "console bound 514: yes" <<<"$console_report" \
  || { cat "$work/console.log"; fail "the installed console did not bind port 514"; }
grep -qx "console stopped: yes" <<<"$console_report" || fail "the installed console did not end when stopped"

# ---- As nobody, without them -------------------------------------------------
setcap -r "$probe" || fail "cannot remove the probe's capabilities"
in_namespaces --in-namespace "$work" "$probe" "$asan" "$lsan"
report=$(<"$work/ns.out")
echo "$report" | sed 's/^/  without capabilities: /'
expect "capabilities: 0000000000000000" "the probe holds capabilities it was not given"
expect "syslog port: 0" "the syslog socket bound without the capability"
expect "box: $question" "the syslog port question was not asked"
expect "interface: listed" "the scan dialog does not list $iface"
expect "scan: 4" "the scan did not fail to open $iface"
expect "box: Unable to open the adapter. $iface is not supported by WinPcap" "the scan's message was not shown"
expect "neighbour: kept" "the ARP entry went without the capability"
expect "exit: 0" "the probe failed"

# ---- Nothing left behind -----------------------------------------------------
check_no_process_left
[ "$(manifest_state)" = "$manifest_before" ] || fail "the build's install_manifest.txt was changed"
echo "PASSED"
